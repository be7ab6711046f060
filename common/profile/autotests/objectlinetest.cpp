/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "profile/profileparser.h"
#include "profile/profilerules_p.h"

#include <QRandomGenerator>
#include <QStringList>
#include <QTest>

namespace
{
// A line with its control and non-ASCII characters spelt out, for messages.
QString visible(QStringView line)
{
    QString result;
    for (const QChar c : line) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e) {
            result += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            result += c;
        }
    }
    return result;
}

QString describe(const std::optional<ObjectLineCaptures> &captures)
{
    if (!captures) {
        return QStringLiteral("no match");
    }
    return QStringLiteral("type [%1] modes [%2] target [%3] file [%4] deleted [%5]")
        .arg(visible(captures->type), visible(captures->modes), visible(captures->target), visible(captures->file), visible(captures->deleted));
}

// Every blank run longer than a few characters cut to its first few. The
// expression gives up on long runs; how long a run is decides nothing else.
QString cutRuns(QStringView text)
{
    constexpr int kept = 4;
    QString result;
    int run = 0;
    for (const QChar c : text) {
        run = c == QLatin1Char(' ') || c == QLatin1Char('\t') ? run + 1 : 0;
        if (run <= kept) {
            result += c;
        }
    }
    return result;
}

// The hand reading of a line it reads and the expression's reading, each
// described. Where the expression gives up on the line, its reading of the
// line with the runs cut, or "gave up", beside the hand reading with the runs
// of the name cut alike.
std::pair<QString, QString> readings(const QString &line, ObjectLineCaptures quick)
{
    bool failed = true;
    const std::optional<ObjectLineCaptures> expected = expressionObjectLine(line, &failed);
    if (!failed) {
        return {describe(quick), describe(expected)};
    }
    // The captures point into the text they were read from.
    const QString cut = cutRuns(line);
    const std::optional<ObjectLineCaptures> shortened = expressionObjectLine(cut, &failed);
    const QString file = cutRuns(quick.file);
    quick.file = file;
    return {describe(quick), failed ? QStringLiteral("gave up") : describe(shortened)};
}

// Object-line-like text built from the pieces where the two readings could
// part: near-miss type words, "?" and stray letters in the fields, every kind
// of white space the expression knows and some it does not, markers whole and
// broken, surrogates whole and lone.
class ObjectLineGenerator
{
public:
    explicit ObjectLineGenerator(quint32 seed)
        : m_random(seed)
    {
    }

    QString line()
    {
        QString result = pick(m_prefixes);
        const quint32 shape = m_random.bounded(10);
        if (shape < 6) {
            // The common shape, give or take a piece.
            result +=
                space() + run(m_modeLetters) + (m_random.bounded(2) ? space() : QString()) + run(m_targetLetters) + (m_random.bounded(2) ? space() : QString());
        } else if (shape < 8) {
            const int count = int(m_random.bounded(1, 6));
            for (int i = 0; i < count; ++i) {
                result += pick(m_headerPieces);
            }
        }
        if (m_random.bounded(10) != 0) {
            result += QLatin1Char(':');
        }
        // Most names keep to characters the hand reading takes, so that it
        // has many lines to answer; the rest may hold anything.
        const QStringList &pieces = m_random.bounded(10) < 7 ? m_namePieces : m_tailPieces;
        const int count = int(m_random.bounded(9));
        for (int i = 0; i < count; ++i) {
            if (m_random.bounded(100) == 0) {
                // Around the longest space run read by hand.
                result += QString(int(m_random.bounded(14, 20)), QLatin1Char(' '));
            } else {
                result += pick(pieces);
            }
        }
        return result;
    }

private:
    QString pick(const QStringList &pieces)
    {
        return pieces.at(int(m_random.bounded(quint32(pieces.size()))));
    }

    QString pick(const QString &letters)
    {
        return letters.at(int(m_random.bounded(quint32(letters.size()))));
    }

    QString space()
    {
        return pick(m_random.bounded(5) ? m_plainSpaces : m_spaces);
    }

    QString run(const QString &letters)
    {
        const quint32 kind = m_random.bounded(8);
        if (kind == 0) {
            return QStringLiteral("?");
        }
        QString result;
        const int length = kind == 1 ? 0 : int(m_random.bounded(1, 4));
        for (int i = 0; i < length; ++i) {
            result += pick(letters);
        }
        return result;
    }

    QRandomGenerator m_random;
    const QStringList m_prefixes{QStringLiteral("+file"),
                                 QStringLiteral("+link"),
                                 QStringLiteral("+file"),
                                 QStringLiteral("+link"),
                                 QStringLiteral("+file"),
                                 QStringLiteral("+link"),
                                 QStringLiteral("+file"),
                                 QStringLiteral("+link"),
                                 QStringLiteral("+File"),
                                 QStringLiteral("+fil"),
                                 QStringLiteral("+links"),
                                 QStringLiteral("@include "),
                                 QStringLiteral("#"),
                                 QString()};
    const QStringList m_plainSpaces{QStringLiteral(" "), QStringLiteral("\t"), QStringLiteral("  "), QStringLiteral(" \t")};
    const QStringList m_spaces{QStringLiteral(" "),
                               QStringLiteral("\t"),
                               QStringLiteral("  "),
                               QStringLiteral(" \t"),
                               QStringLiteral("\r"),
                               QStringLiteral("\v"),
                               QStringLiteral("\f"),
                               QStringLiteral("\u00a0")};
    const QString m_modeLetters = QStringLiteral("rwcrwcrw?x");
    const QString m_targetLetters = QStringLiteral("uououo?r");
    const QString m_headerPieces = QStringLiteral(" \trwcuo?x:\r\v\f\u00a0");
    const QStringList m_namePieces{QStringLiteral(" "),
                                   QStringLiteral("  "),
                                   QStringLiteral("\t"),
                                   QStringLiteral("\u00a0"),
                                   QStringLiteral("(deleted)"),
                                   QStringLiteral("(deleted)"),
                                   QStringLiteral("(deleted"),
                                   QStringLiteral("deleted)"),
                                   QStringLiteral("/"),
                                   QStringLiteral("a"),
                                   QStringLiteral("#"),
                                   QStringLiteral("?"),
                                   QStringLiteral(":"),
                                   QStringLiteral("@include "),
                                   QStringLiteral("+file"),
                                   QStringLiteral("x"),
                                   QStringLiteral("\u00e9")};
    const QStringList m_tailPieces{QStringLiteral(" "),          QStringLiteral("  "),        QStringLiteral("\t"),        QStringLiteral("\r"),
                                   QStringLiteral("\v"),         QStringLiteral("\f"),        QStringLiteral("\u00a0"),    QStringLiteral("\u0085"),
                                   QStringLiteral("\u2028"),     QStringLiteral("(deleted)"), QStringLiteral("(deleted)"), QStringLiteral("(deleted"),
                                   QStringLiteral("deleted)"),   QStringLiteral("/"),         QStringLiteral("/"),         QStringLiteral("a"),
                                   QStringLiteral("a"),          QStringLiteral("#"),         QStringLiteral("?"),         QStringLiteral(":"),
                                   QStringLiteral("@include "),  QStringLiteral("+file"),     QStringLiteral("x"),         QStringLiteral("\u00e9"),
                                   QStringLiteral("\U0001F600"), QString(QChar(0xd800)),      QString(QChar(0xdc00))};
};
}

class ObjectLineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handReading_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("byHand");

        QTest::newRow("common") << QStringLiteral("+file rw u: /tmp/a") << true;
        QTest::newRow("fields run together") << QStringLiteral("+link rwcuo:/tmp/a") << true;
        QTest::newRow("no fields") << QStringLiteral("+file: /etc/hosts") << true;
        QTest::newRow("deleted") << QStringLiteral("+link r u: /x.so (deleted)  ") << true;
        QTest::newRow("deleted, no space") << QStringLiteral("+link r u: /x.so(deleted)") << true;
        QTest::newRow("only the marker") << QStringLiteral("+file r u: (deleted)") << true;
        QTest::newRow("marker twice") << QStringLiteral("+file r u: (deleted) \t(deleted)") << true;
        QTest::newRow("inner spaces and tabs") << QStringLiteral("+file r u: /my \t file \t") << true;
        QTest::newRow("no-break space is a name character") << QStringLiteral("+file r u:\u00a0/a") << true;
        QTest::newRow("question marks") << QStringLiteral("+link ? ?: /x.so") << true;
        QTest::newRow("question mark for modes") << QStringLiteral("+link ?uo: /x") << true;
        QTest::newRow("question mark for targets") << QStringLiteral("+link rw?: /x") << true;
        // The expression's choices between its alternatives are its own.
        QTest::newRow("question mark alone") << QStringLiteral("+file ?: /x") << true;
        QTest::newRow("two question marks for modes") << QStringLiteral("+file ?? u: /x") << false;
        QTest::newRow("empty target field") << QStringLiteral("+file rw: /etc/hosts") << true;
        QTest::newRow("empty mode field") << QStringLiteral("+file u: /etc/hosts") << true;
        QTest::newRow("vertical tab") << QStringLiteral("+file r u: /a\v") << false;
        QTest::newRow("carriage return between the fields") << QStringLiteral("+file r\ru: /a") << true;
        QTest::newRow("carriage return in the name") << QStringLiteral("+file r u: /a\r/b") << false;
        QTest::newRow("lone surrogate") << QStringLiteral("+file r u: /a") + QChar(0xd800) << false;
        // Runs the expression gives up on: the line would be dropped at the next save.
        QTest::newRow("200-blank component") << QStringLiteral("+file r u: /srv/") + QString(200, QLatin1Char(' ')) + QStringLiteral("/b") << true;
        QTest::newRow("tab run, deleted") << QStringLiteral("+link rw o: /a") + QString(500, QLatin1Char('\t')) + QStringLiteral("b (deleted)") << true;
        QTest::newRow("long runs, empty target field")
            << QStringLiteral("+file rw:") + QString(300, QLatin1Char(' ')) + QStringLiteral("/a") + QString(300, QLatin1Char(' ')) + QStringLiteral("b")
            << true;
        QTest::newRow("long line") << QStringLiteral("+file r u: /") + QString(8192, QLatin1Char('a')) << true;
        QTest::newRow("nothing after the colon") << QStringLiteral("+file r u:  ") << false;
    }

    void handReading()
    {
        QFETCH(QString, line);
        QFETCH(bool, byHand);

        const std::optional<ObjectLineCaptures> quick = quickObjectLine(line);
        QCOMPARE(quick.has_value(), byHand);
        if (quick) {
            const auto [byHand, expected] = readings(line, *quick);
            QCOMPARE(byHand, expected);
        }
    }

    void randomLinesReadAlike()
    {
        // Whenever a line is read by hand, the expression must have read it
        // to exactly the same captures and must not have given up on it.
        ObjectLineGenerator generator(20240917);
        int byHand = 0;
        int deleted = 0;
        int withoutFields = 0;
        int questionMarks = 0;
        for (int i = 0; i < 500000; ++i) {
            const QString line = generator.line();
            const std::optional<ObjectLineCaptures> quick = quickObjectLine(line);
            if (!quick) {
                continue;
            }
            const auto [readByHand, expected] = readings(line, *quick);
            if (readByHand != expected) {
                QFAIL(qPrintable(QStringLiteral("line [%1]: by hand %2, expression %3").arg(visible(line), readByHand, expected)));
            }
            ++byHand;
            deleted += !quick->deleted.isEmpty();
            withoutFields += quick->modes.isEmpty();
            questionMarks += quick->modes == QLatin1String("?") || quick->target == QLatin1String("?");
        }
        // The generator must keep reaching the shapes the hand reading takes.
        QVERIFY2(byHand > 40000, qPrintable(QString::number(byHand)));
        QVERIFY2(deleted > 4000, qPrintable(QString::number(deleted)));
        QVERIFY2(withoutFields > 15000, qPrintable(QString::number(withoutFields)));
        QVERIFY2(questionMarks > 7000, qPrintable(QString::number(questionMarks)));
    }

    void randomTextsReadAlike()
    {
        ObjectLineGenerator generator(77);
        for (int round = 0; round < 1000; ++round) {
            QStringList lines;
            for (int i = 0; i < 50; ++i) {
                lines << generator.line();
            }
            const QString text = lines.join(QLatin1Char('\n'));
            const ProfileData quick = ProfileParser::parseText(text).data();
            const ProfileData expected = parseTextByExpression(text);
            QCOMPARE(quick.objectRules(), expected.objectRules());
            QCOMPARE(quick.includes(), expected.includes());
            QCOMPARE(quick.comments(), expected.comments());
            QCOMPARE(quick.invalidLines(), expected.invalidLines());
        }
    }

    void linesWithLongBlankRunsAreKept()
    {
        // A megabyte of lines whose names hold long blank runs: each is read
        // as the rule it is, none is lost at the next save.
        QStringList lines;
        int size = 0;
        for (int i = 0; size < 1024 * 1024; ++i) {
            const QString line = QStringLiteral("+file r u: /srv/%1").arg(i) + QString(100 + i % 400, QLatin1Char(' ')) + QStringLiteral("x")
                + QString(i % 50, QLatin1Char('\t')) + QStringLiteral("y");
            size += line.size();
            lines << line;
        }
        const QString text = lines.join(QLatin1Char('\n'));
        const ProfileData data = ProfileParser::parseText(text).data();
        QVERIFY(data.invalidLines().isEmpty());
        QCOMPARE(data.objectRules().size(), lines.size());
        const ProfileData again = ProfileParser::parseText(ProfileParser::profileDataSerialization(data)).data();
        QCOMPARE(again.objectRules(), data.objectRules());
    }

    void longestHandReadLinesStayWithinTheEngine_data()
    {
        QTest::addColumn<QString>("line");

        // The costliest lines read by hand: the longest, full of the longest
        // inner space runs, which the expression backtracks over the most.
        const QString prefix = QStringLiteral("+file r u: /");
        QString spaces = prefix;
        QString tabs = prefix;
        while (spaces.size() + 17 <= 8192) {
            spaces += QString(16, QLatin1Char(' ')) + QLatin1Char('b');
            tabs += QString(16, QLatin1Char('\t')) + QLatin1Char('b');
        }
        QTest::newRow("space runs") << spaces;
        QTest::newRow("tab runs") << tabs;
        QTest::newRow("space runs, deleted") << spaces.left(8192 - 10) + QStringLiteral(" (deleted)");
        QTest::newRow("space runs, trailing spaces") << spaces.left(8192 - 100) + QString(100, QLatin1Char(' '));
    }

    void longestHandReadLinesStayWithinTheEngine()
    {
        QFETCH(QString, line);

        QVERIFY(line.size() <= 8192);
        const std::optional<ObjectLineCaptures> quick = quickObjectLine(line);
        QVERIFY(quick);
        bool failed = true;
        const std::optional<ObjectLineCaptures> expected = expressionObjectLine(line, &failed);
        QVERIFY(!failed);
        QCOMPARE(describe(quick), describe(expected));
    }
};

QTEST_GUILESS_MAIN(ObjectLineTest)

#include "objectlinetest.moc"
