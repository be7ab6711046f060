/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Every catalogue, extracted afresh from today's sources, must translate
// every text, keep every placeholder and give every plural form. The
// extraction runs on a copy, so a text added to the sources without a
// translation fails here even when nobody ran update-translations.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace
{
// Russian has three plural forms: one (1, 21), few (2-4, 22-24), many (5-20).
constexpr int russianPluralForms = 3;

struct Message {
    QString context;
    QString source;
    bool numerus = false;
    QString type;
    QStringList translations;
};

struct Catalogue {
    QString language;
    QList<Message> messages;
    QString error;
};

Catalogue readCatalogue(const QString &path)
{
    Catalogue catalogue;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        catalogue.error = file.errorString();
        return catalogue;
    }
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("message")) {
            catalogue.messages << message;
            continue;
        }
        if (token != QXmlStreamReader::StartElement) {
            continue;
        }
        const auto name = xml.name();
        if (name == QLatin1String("TS")) {
            catalogue.language = xml.attributes().value(QLatin1String("language")).toString();
        } else if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            message = Message();
            message.context = context;
            message.numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
        } else if (name == QLatin1String("source")) {
            message.source = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            if (!message.numerus) {
                message.translations << xml.readElementText();
            }
        } else if (name == QLatin1String("numerusform")) {
            message.translations << xml.readElementText();
        }
    }
    if (xml.hasError()) {
        catalogue.error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    }
    return catalogue;
}

// %1 to %99, with or without the locale flag, and %n.
QSet<QString> placeholders(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("%L?([1-9][0-9]?|n)"));
    QSet<QString> found;
    auto it = pattern.globalMatch(text);
    while (it.hasNext()) {
        found.insert(QLatin1Char('%') + it.next().captured(1));
    }
    return found;
}

QStringList problems(const Catalogue &catalogue)
{
    QStringList found;
    if (!catalogue.error.isEmpty()) {
        return {catalogue.error};
    }
    if (!catalogue.language.startsWith(QLatin1String("ru"))) {
        found << QStringLiteral("the catalogue's language is '%1', not Russian: its plural forms would be counted wrong").arg(catalogue.language);
    }
    for (const Message &message : catalogue.messages) {
        // Texts the sources no longer have are dropped by the next update.
        if (message.type == QLatin1String("vanished") || message.type == QLatin1String("obsolete")) {
            continue;
        }
        const QString where = message.context + QStringLiteral(": \"") + message.source + QLatin1Char('"');
        if (message.type == QLatin1String("unfinished")) {
            found << where + QStringLiteral(" has no finished translation");
            continue;
        }
        if (message.numerus && message.translations.size() != russianPluralForms) {
            found << where + QStringLiteral(" has %1 plural forms instead of %2").arg(message.translations.size()).arg(russianPluralForms);
        }
        const QSet<QString> expected = placeholders(message.source);
        for (const QString &translation : message.translations) {
            if (translation.trimmed().isEmpty()) {
                found << where + QStringLiteral(" has an empty translation");
                continue;
            }
            const QSet<QString> got = placeholders(translation);
            if (got != expected) {
                auto sorted = [](const QSet<QString> &set) {
                    QStringList list(set.begin(), set.end());
                    list.sort();
                    return list.join(QLatin1Char(' '));
                };
                found << where + QStringLiteral(" -> \"") + translation + QStringLiteral("\" has placeholders [") + sorted(got)
                        + QStringLiteral("] instead of [") + sorted(expected) + QLatin1Char(']');
            }
        }
    }
    return found;
}
}

class CatalogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void catalogues_data()
    {
        QTest::addColumn<QString>("catalogue");
        QTest::addColumn<QString>("sourceList");

        QFile table(QStringLiteral(CATALOGUE_TABLE));
        QVERIFY2(table.open(QIODevice::ReadOnly), qPrintable(table.errorString()));
        const QStringList rows = QString::fromUtf8(table.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(!rows.isEmpty());
        for (const QString &row : rows) {
            const QStringList fields = row.split(QLatin1Char('\t'));
            QCOMPARE(fields.size(), 2);
            QTest::newRow(qPrintable(QFileInfo(fields[0]).fileName())) << fields[0] << fields[1];
        }
    }

    void catalogues()
    {
        QFETCH(QString, catalogue);
        QFETCH(QString, sourceList);

        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        const QString copy = scratch.filePath(QFileInfo(catalogue).fileName());
        QVERIFY(QFile::copy(catalogue, copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        QStringList arguments = QStringLiteral(LUPDATE_OPTIONS).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        arguments << QLatin1Char('@') + sourceList << QStringLiteral("-ts") << copy;
        lupdate.start(QStringLiteral(LUPDATE_EXECUTABLE), arguments);
        QVERIFY2(lupdate.waitForFinished(120000), qPrintable(lupdate.errorString()));
        QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0, lupdate.readAll().constData());

        const Catalogue read = readCatalogue(copy);
        // A catalogue that reads as empty would pass every check below.
        QVERIFY2(!read.messages.isEmpty(), qPrintable(read.error));
        const QStringList found = problems(read);
        QVERIFY2(found.isEmpty(), qPrintable(QStringLiteral("\n") + found.join(QLatin1Char('\n'))));
    }

    // The checks themselves, on a catalogue with one fault of each kind.
    void faultsFound()
    {
        const QStringList found = problems(readCatalogue(QFINDTESTDATA("data/faults_ru.ts")));
        const QStringList expected = {
            QStringLiteral("Faults: \"Untranslated\" has no finished translation"),
            QStringLiteral("Faults: \"Empty\" has an empty translation"),
            QStringLiteral("Faults: \"Copy '%1' to '%2'\" -> \"Скопировать «%1»\" has placeholders [%1] instead of [%1 %2]"),
            QStringLiteral("Faults: \"Remove '%1'\" -> \"Удалить «%1» (%2)\" has placeholders [%1 %2] instead of [%1]"),
            QStringLiteral("Faults: \"%n file(s)\" has 2 plural forms instead of 3"),
            QStringLiteral("Faults: \"%n rule(s) in '%1'\" -> \"одно правило в «%1»\" has placeholders [%1] instead of [%1 %n]"),
        };
        QCOMPARE(found, expected);
    }
};

QTEST_GUILESS_MAIN(CatalogTest)

#include "catalogtest.moc"
