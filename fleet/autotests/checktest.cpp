/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// orla-kiosk check on trees laid out in a directory: what it reports and how
// its exit status grades the tree.

#include "orlakioskprocess.h"

#include "systempaths.h"
#include "testfiles.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace
{
using OrlaKioskProcess::Run;

Run check(const QStringList &arguments)
{
    return OrlaKioskProcess::run(QStringList{QStringLiteral("check")} + arguments);
}

QJsonObject named(const QJsonArray &entries, const QString &name)
{
    for (const QJsonValue &entry : entries) {
        if (entry.toObject().value(QStringLiteral("name")).toString() == name) {
            return entry.toObject();
        }
    }
    return QJsonObject();
}
}

class CheckTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_tree = QFINDTESTDATA("../../testsupport/data/statustree");
        QVERIFY(!m_tree.isEmpty());
    }

    // Every status the program shows, with the cycle's chain and the
    // unknown include's name; the tree's users are root, daemon and nobody,
    // which every machine has, and two that no machine has.
    void reportsEveryStatus()
    {
        const Run run = check({m_tree});
        QCOMPARE(run.status, 2);
        QFile expected(QFINDTESTDATA("data/statustree.check"));
        QVERIFY(expected.open(QIODevice::ReadOnly));
        QCOMPARE(run.out, QString::fromUtf8(expected.readAll()));
    }

    void reportsJson()
    {
        const Run run = check({QStringLiteral("--json"), m_tree});
        QCOMPARE(run.status, 2);
        const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(report.value(QStringLiteral("errors")), QJsonValue(true));
        const QJsonArray profiles = report.value(QStringLiteral("profiles")).toArray();
        QCOMPARE(profiles.size(), 12);
        const QJsonObject cyclea = named(profiles, QStringLiteral("cyclea"));
        QCOMPARE(cyclea.value(QStringLiteral("status")).toArray(), (QJsonArray{6, 9}));
        QCOMPARE(cyclea.value(QStringLiteral("cycle")).toArray(), (QJsonArray{QStringLiteral("cyclea"), QStringLiteral("cycleb"), QStringLiteral("cyclea")}));
        const QJsonObject ownrules = named(report.value(QStringLiteral("users")).toArray(), QStringLiteral("ownrules"));
        QCOMPARE(ownrules.value(QStringLiteral("warnings")).toArray(), QJsonArray{QStringLiteral("has object rules descriptions")});
        QCOMPARE(ownrules.value(QStringLiteral("errors")).toArray(), QJsonArray{QStringLiteral("not found")});
    }

    void gradesTheTree_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("ignoreAccounts");
        QTest::addColumn<int>("status");

        QTest::newRow("clean") << QByteArray("+file r uo: /etc/hosts\n") << QStringLiteral("daemon") << false << 0;
        QTest::newRow("warnings only") << QByteArray("# nothing allowed yet\n") << QStringLiteral("daemon") << false << 1;
        QTest::newRow("user without account") << QByteArray("+file r uo: /etc/hosts\n") << QStringLiteral("nosuchkioskuser") << false << 2;
        QTest::newRow("accounts left out") << QByteArray("+file r uo: /etc/hosts\n") << QStringLiteral("nosuchkioskuser") << true << 0;
    }

    void gradesTheTree()
    {
        QFETCH(QByteArray, profile);
        QFETCH(QString, user);
        QFETCH(bool, ignoreAccounts);
        QFETCH(int, status);

        QTemporaryDir dir;
        TestFiles::write(dir.filePath(QStringLiteral("kiosk2-profiles/base")), profile);
        TestFiles::write(dir.filePath(QStringLiteral("kiosk2/") + user), "@include base\n");
        QStringList arguments{dir.path()};
        if (ignoreAccounts) {
            arguments.prepend(QStringLiteral("--no-accounts"));
        }
        const Run run = check(arguments);
        QVERIFY2(run.status == status, qPrintable(run.out));
    }

    // Names are anyone's choice: an include name holding escape sequences
    // would clear the screen and hide the refusal lines that follow it.
    void escapesNames()
    {
        QTemporaryDir dir;
        TestFiles::write(dir.filePath(QStringLiteral("kiosk2-profiles/base")), "+file r uo: /etc/hosts\n");
        TestFiles::write(dir.filePath(QStringLiteral("kiosk2/daemon")), "@include base\n@include \x1b[2J\x1b[8mhidden\n");
        const QString shown = QStringLiteral("unknown includes: \\x1b[2J\\x1b[8mhidden");

        const Run checked = check({dir.path()});
        QCOMPARE(checked.status, 2);
        QVERIFY2(checked.out.contains(shown), qPrintable(checked.out));
        QVERIFY(!checked.out.contains(QChar(0x1b)));

        const QString bundle = dir.filePath(QStringLiteral("bundle.tar"));
        QCOMPARE(OrlaKioskProcess::run({QStringLiteral("export"), bundle, dir.path()}).status, 0);
        const Run applied = OrlaKioskProcess::run({QStringLiteral("apply"), QStringLiteral("--dry-run"), bundle});
        QCOMPARE(applied.status, 1);
        QVERIFY2(applied.err.contains(shown), qPrintable(applied.err));
        QVERIFY(applied.err.endsWith(QStringLiteral("Nothing has been changed.\n")));
        QVERIFY(!applied.err.contains(QChar(0x1b)));
    }

    // The catalogue of the locale's language, or none: an English shell
    // reads English even where the Russian catalogue is installed.
    void speaksTheLocalesLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("line");
        QTest::newRow("Russian") << QStringLiteral("ru_RU.UTF-8") << QStringLiteral("ошибка: профиль «broken» подключает неизвестные профили: gone");
        QTest::newRow("English") << QStringLiteral("en_US.UTF-8") << QStringLiteral("error: profile 'broken' has unknown includes: gone");
        QTest::newRow("C") << QStringLiteral("C.UTF-8") << QStringLiteral("error: profile 'broken' has unknown includes: gone");
    }

    void speaksTheLocalesLanguage()
    {
        QFETCH(QString, locale);
        QFETCH(QString, line);
        if (!QFileInfo::exists(QString::fromUtf8(SystemPaths::translationsDir) + QStringLiteral("/orla-kiosk_ru.qm"))) {
            QSKIP("no catalogues where this build looks for them: build with -DORLA_SYSTEM_ROOT=<scratch dir>, or install them");
        }
        QTemporaryDir dir;
        TestFiles::write(dir.filePath(QStringLiteral("kiosk2-profiles/broken")), "@include gone\n");
        const Run run = OrlaKioskProcess::run({QStringLiteral("check"), QStringLiteral("--no-accounts"), dir.path()}, locale);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.out.split(QLatin1Char('\n')).contains(line), qPrintable(run.out));
    }

    void refusesMissingTree()
    {
        const Run run = check({QStringLiteral("/nonexistent/kiosk-tree")});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(QStringLiteral("'/nonexistent/kiosk-tree': No such directory")), qPrintable(run.err));
    }

private:
    QString m_tree;
};

QTEST_GUILESS_MAIN(CheckTest)

#include "checktest.moc"
