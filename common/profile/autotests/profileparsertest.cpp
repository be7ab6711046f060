/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "profile/profileparser.h"
#include "ruletesting.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <thread>
#include <vector>

namespace
{
enum class Kind { Dropped, Rule, Include, Comment, Invalid };

using namespace Letters;

ProfileData parse(const QString &text)
{
    return ProfileParser::parseText(text).data();
}

ProfileData parseBytes(QByteArray bytes)
{
    QTextStream stream(&bytes, QIODevice::ReadOnly);
    stream.setCodec("UTF-8");
    return ProfileParser::parseTextStream(stream).data();
}

// Letters within a field follow set order; put them in one order to compare.
QString sortFields(const QString &text)
{
    static const QRegularExpression objectLine(QStringLiteral("^\\+(file|link) ([rwc]+) ([uo]+): "), QRegularExpression::MultilineOption);
    QString result = text;
    QRegularExpressionMatchIterator it = objectLine.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        QString modes;
        for (const QChar letter : {QLatin1Char('r'), QLatin1Char('w'), QLatin1Char('c')}) {
            if (match.capturedView(2).contains(letter)) {
                modes += letter;
            }
        }
        QString targets;
        for (const QChar letter : {QLatin1Char('u'), QLatin1Char('o')}) {
            if (match.capturedView(3).contains(letter)) {
                targets += letter;
            }
        }
        result.replace(match.capturedStart(2), modes.size(), modes);
        result.replace(match.capturedStart(3), targets.size(), targets);
    }
    return result;
}

// Lines as the line reader yields them: split at line feeds, a carriage
// return before a line feed goes with it.
QStringList splitLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) {
        lines.removeLast();
    }
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    return lines;
}

// Every non-blank line must end up as exactly one rule, include, comment or
// invalid line; read one by one, the lines must give the whole text's data.
// Counting items alone would miss a line lost next to a duplicate, so the
// whole is compared with the union of the lines read separately.
void checkNothingLost(const QString &text, const ProfileData &data)
{
    QSet<ObjectRule> rules;
    QSet<IncludeRule> includes;
    QStringList comments;
    QStringList invalid;
    int nonBlank = 0;
    int kept = 0;
    const QStringList lines = splitLines(text);
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty()) {
            continue;
        }
        ++nonBlank;
        // The CRLF keeps a carriage return at the end of the line part of it.
        const ProfileData one = parse(line + QStringLiteral("\r\n"));
        const int items = one.objectRules().size() + one.includes().size() + one.comments().size() + one.invalidLines().size();
        QVERIFY2(items == 1, qPrintable(QStringLiteral("line %1 gave %2 items").arg(line.left(80)).arg(items)));
        kept += items;
        rules.unite(one.objectRules());
        includes.unite(one.includes());
        comments += one.comments();
        invalid += one.invalidLines();
    }
    QCOMPARE(kept, nonBlank);
    QCOMPARE(data.objectRules(), rules);
    QCOMPARE(data.includes(), includes);
    QCOMPARE(data.comments(), comments);
    QCOMPARE(data.invalidLines(), invalid);
    QVERIFY(data.oldFormatLines().isEmpty());
}

// Writing gives every rule all modes or targets when it had none.
QSet<ObjectRule> asWritten(const QSet<ObjectRule> &rules)
{
    QSet<ObjectRule> result;
    for (ObjectRule rule : rules) {
        if (rule.modes().isEmpty()) {
            rule.insertModes(rwc);
        }
        if (rule.targets().isEmpty()) {
            rule.insertTargets(uo);
        }
        result.insert(rule);
    }
    return result;
}

class LineGenerator
{
public:
    explicit LineGenerator(quint32 seed)
        : m_random(seed)
    {
    }

    QString line()
    {
        switch (m_random.bounded(9)) {
        case 0:
        case 1:
        case 2:
            return objectLine();
        case 3:
            return pick({"@include ", "@include\t", "@include  "}) + word() + spaces();
        case 4:
            return pick({"", "\""}) + QLatin1Char('/') + word() + pick({"", "\""}) + pick({" ", "\t", "  "}) + letters("rwx-", 1) + spaces();
        case 5:
            return word();
        case 6:
            return QLatin1Char('#') + text();
        case 7:
            return spaces();
        default:
            return text();
        }
    }

    QString text(int maxLength = 24)
    {
        static const QString pool = QStringLiteral("abz/._-+#@\"?:()rwcuo  \t\r") + QChar(0) + QChar(0xe4) + QChar(0x20ac) + QChar(0xa0) + QChar(0x2028)
            + QChar(0xd83d) + QChar(0xde00);
        QString result;
        const int length = m_random.bounded(maxLength + 1);
        for (int i = 0; i < length; ++i) {
            const int at = m_random.bounded(pool.size());
            if (pool.at(at).isHighSurrogate()) {
                result += pool.midRef(at, 2);
            } else if (!pool.at(at).isLowSurrogate()) {
                result += pool.at(at);
            }
        }
        return result;
    }

    quint32 bounded(quint32 limit)
    {
        return m_random.bounded(limit);
    }

private:
    QString objectLine()
    {
        QString line = QLatin1Char('+') + pick({"file", "link", "file", "link", "File", "lnk"});
        if (m_random.bounded(5) != 0) {
            line += pick({" ", "\t", "   "}) + field("rwc") + pick({"", " ", "  "}) + field("uo") + pick({"", " ", "\t"});
        }
        line += QLatin1Char(':') + pick({"", " ", "  "});
        line += QLatin1Char('/') + text(16);
        line += pick({"", "", "(deleted)", " (deleted)", " (deleted)  ", "  "});
        return line;
    }

    QString field(const char *alphabet)
    {
        switch (m_random.bounded(6)) {
        case 0:
            return QStringLiteral("?");
        case 1:
            return QString();
        case 2:
            return letters("rwcxuo?", 0);
        default:
            return letters(alphabet, 0);
        }
    }

    QString letters(const char *alphabet, int atLeast)
    {
        const QString pool = QString::fromLatin1(alphabet);
        QString result;
        const int length = atLeast + m_random.bounded(4);
        for (int i = 0; i < length; ++i) {
            result += pool.at(m_random.bounded(pool.size()));
        }
        return result;
    }

    QString word()
    {
        QString result;
        const int length = 1 + m_random.bounded(10);
        static const QString pool = QStringLiteral("abcdefgh-_./\"+@") + QChar(0xe4) + QChar(0);
        for (int i = 0; i < length; ++i) {
            result += pool.at(m_random.bounded(pool.size()));
        }
        // Keep old-syntax paths away from anything that exists here.
        return QStringLiteral("orla-nowhere-") + result;
    }

    QString spaces()
    {
        if (m_random.bounded(6) == 0) {
            return QString(QChar(0xa0));
        }
        return pick({"", "", " ", "\t", "  \t"});
    }

    QString pick(std::initializer_list<const char *> choices)
    {
        return QString::fromLatin1(*(choices.begin() + m_random.bounded(int(choices.size()))));
    }

    QRandomGenerator m_random;
};
}

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(ObjectRule)
Q_DECLARE_METATYPE(ProfileData)

class ProfileParserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<ObjectRule>("rule");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");

        const ObjectRule none;
        const QString tmpA = QStringLiteral("/tmp/a");
        const QString hosts = QStringLiteral("/etc/hosts");
        const QString passwd = QStringLiteral("/etc/passwd");
        const QString xso = QStringLiteral("/usr/lib/x.so");

        QTest::newRow("object") << "+file rw u: /tmp/a" << Kind::Rule << makeRule(ObjectRule::File, rw, u, tmpA) << QString() << "+file rw u: /tmp/a\n";
        QTest::newRow("any mode, any target, deleted") << "+link ? ?: /usr/lib/x.so (deleted)" << Kind::Rule << makeRule(ObjectRule::Link, rwc, uo, xso, true)
                                                       << QString() << "+link rwc uo: /usr/lib/x.so (deleted)\n";
        QTest::newRow("marker without space") << "+link ? ?: /usr/lib/x.so(deleted)" << Kind::Rule << makeRule(ObjectRule::Link, rwc, uo, xso, true)
                                              << QString() << "+link rwc uo: /usr/lib/x.so (deleted)\n";
        QTest::newRow("fields run together") << "+file rwuo:/tmp/a" << Kind::Rule << makeRule(ObjectRule::File, rw, uo, tmpA) << QString()
                                             << "+file rw uo: /tmp/a\n";
        QTest::newRow("spaces inside and after the name")
            << "+file rw u: /tmp/my file   " << Kind::Rule << makeRule(ObjectRule::File, rw, u, QStringLiteral("/tmp/my file")) << QString()
            << "+file rw u: /tmp/my file\n";
        QTest::newRow("no fields") << "+file: /etc/hosts" << Kind::Rule << makeRule(ObjectRule::File, {}, {}, hosts) << QString()
                                   << "+file rwc uo: /etc/hosts\n";
        QTest::newRow("no target") << "+file rw: /etc/hosts" << Kind::Rule << makeRule(ObjectRule::File, rw, {}, hosts) << QString()
                                   << "+file rw uo: /etc/hosts\n";
        QTest::newRow("question mark then letters") << "+file ?u: /tmp/a" << Kind::Rule << makeRule(ObjectRule::File, rwc, u, tmpA) << QString()
                                                    << "+file rwc u: /tmp/a\n";
        QTest::newRow("wide spacing") << "+link \t c   o  :   /tmp/a \t" << Kind::Rule << makeRule(ObjectRule::Link, c, o, tmpA) << QString()
                                      << "+link c o: /tmp/a\n";
        QTest::newRow("repeated letters") << "+file rrw oou: /tmp/a" << Kind::Rule << makeRule(ObjectRule::File, rw, uo, tmpA) << QString()
                                          << "+file rw uo: /tmp/a\n";
        QTest::newRow("marker twice: the first is part of the name")
            << "+file r u: /a (deleted) (deleted)" << Kind::Rule << makeRule(ObjectRule::File, r, u, QStringLiteral("/a (deleted)"), true) << QString()
            << "+file r u: /a (deleted) (deleted)\n";
        QTest::newRow("marker alone is the name") << "+file r u: (deleted)" << Kind::Rule << makeRule(ObjectRule::File, r, u, QStringLiteral("(deleted)"))
                                                  << QString() << "+file r u: (deleted)\n";
        QTest::newRow("NUL in the name") << QStringLiteral("+file r u: /a") + QChar(0) + QStringLiteral("b") << Kind::Rule
                                         << makeRule(ObjectRule::File, r, u, QStringLiteral("/a") + QChar(0) + QStringLiteral("b")) << QString()
                                         << QStringLiteral("+file r u: /a") + QChar(0) + QStringLiteral("b\n");
        QTest::newRow("CRLF") << "+file r u: /tmp/a\r\n" << Kind::Rule << makeRule(ObjectRule::File, r, u, tmpA) << QString() << "+file r u: /tmp/a\n";
        QTest::newRow("type word is case-sensitive") << "+File rw u: /x" << Kind::Invalid << none << "+File rw u: /x" << QString();
        QTest::newRow("x is no current mode") << "+file rwx u: /x" << Kind::Invalid << none << "+file rwx u: /x" << QString();
        QTest::newRow("no name") << "+file rw u:" << Kind::Invalid << none << "+file rw u:" << QString();
        QTest::newRow("no colon") << "+link rw u /x" << Kind::Invalid << none << "+link rw u /x" << QString();

        QTest::newRow("empty comment") << "#" << Kind::Comment << none << ""
                                       << "#\n";
        QTest::newRow("comment") << "# alone" << Kind::Comment << none << " alone"
                                 << "# alone\n";
        QTest::newRow("comment keeps its spaces") << "# note " << Kind::Comment << none << " note "
                                                  << "# note \n";
        QTest::newRow("comment of a rule") << "#+file r u: /a" << Kind::Comment << none << "+file r u: /a"
                                           << "#+file r u: /a\n";
        QTest::newRow("indented comment") << "  # note" << Kind::Invalid << none << "  # note" << QString();

        QTest::newRow("nothing at all") << QString() << Kind::Dropped << none << QString() << QString();
        QTest::newRow("spaces") << "    " << Kind::Dropped << none << QString() << QString();
        QTest::newRow("tabs and spaces") << " \t \t" << Kind::Dropped << none << QString() << QString();
        QTest::newRow("no-break space") << QString(QChar(0xa0)) << Kind::Dropped << none << QString() << QString();
        QTest::newRow("empty line") << "\n" << Kind::Dropped << none << QString() << QString();

        QTest::newRow("include") << "@include base" << Kind::Include << none << "base"
                                 << "@include base\n";
        QTest::newRow("include, trailing spaces") << "@include base   " << Kind::Include << none << "base"
                                                  << "@include base\n";
        QTest::newRow("include, tab") << "@include\tbase" << Kind::Include << none << "base"
                                      << "@include base\n";
        QTest::newRow("include of two names") << "@include a b" << Kind::Invalid << none << "@include a b" << QString();
        QTest::newRow("include word alone") << "@include" << Kind::Include << none << "@include"
                                            << "@include @include\n";
        QTest::newRow("indented include") << "\t@include base" << Kind::Invalid << none << "\t@include base" << QString();

        QTest::newRow("old read") << "/etc/passwd r" << Kind::Rule << makeRule(ObjectRule::File, r, uo, passwd) << QString() << "+file r uo: /etc/passwd\n";
        QTest::newRow("old write brings create") << "/etc/passwd rw-" << Kind::Rule << makeRule(ObjectRule::File, rwc, uo, passwd) << QString()
                                                 << "+file rwc uo: /etc/passwd\n";
        QTest::newRow("old execute is read") << "/bin/ls r-x" << Kind::Rule << makeRule(ObjectRule::File, r, uo, QStringLiteral("/bin/ls")) << QString()
                                             << QString();
        QTest::newRow("old no rights") << "/etc/passwd -" << Kind::Rule << makeRule(ObjectRule::File, {}, uo, passwd) << QString()
                                       << "+file rwc uo: /etc/passwd\n";
        QTest::newRow("old quoted") << "\"/etc/passwd\" r" << Kind::Rule << makeRule(ObjectRule::File, r, uo, passwd) << QString()
                                    << "+file r uo: /etc/passwd\n";
        QTest::newRow("old tab, trailing space") << "/etc/passwd\tw " << Kind::Rule << makeRule(ObjectRule::File, wc, uo, passwd) << QString()
                                                 << "+file wc uo: /etc/passwd\n";
        QTest::newRow("old with a third field") << "/etc/passwd r u" << Kind::Invalid << none << "/etc/passwd r u" << QString();
        QTest::newRow("old include") << "base" << Kind::Include << none << "base"
                                     << "@include base\n";
        QTest::newRow("old include, trailing space") << "base " << Kind::Invalid << none << "base " << QString();
        QTest::newRow("old include of a path") << "/base" << Kind::Invalid << none << "/base" << QString();
        QTest::newRow("old include of a plus") << "+base" << Kind::Invalid << none << "+base" << QString();
        QTest::newRow("old include of a quote") << "\"base" << Kind::Invalid << none << "\"base" << QString();
    }

    void lines()
    {
        QFETCH(QString, text);
        QFETCH(Kind, kind);
        QFETCH(ObjectRule, rule);
        QFETCH(QString, value);
        QFETCH(QString, written);

        const ProfileData data = parse(text);
        QCOMPARE(data.objectRules(), kind == Kind::Rule ? QSet<ObjectRule>{rule} : QSet<ObjectRule>());
        QCOMPARE(data.includes(), kind == Kind::Include ? QSet<IncludeRule>{IncludeRule(value)} : QSet<IncludeRule>());
        QCOMPARE(data.comments(), kind == Kind::Comment ? QStringList{value} : QStringList());
        QCOMPARE(data.invalidLines(), kind == Kind::Invalid ? QStringList{value} : QStringList());
        QCOMPARE(data.errors().contains(ProfileData::InvalidLines), kind == Kind::Invalid);
        QCOMPARE(data.errors().contains(ProfileData::InvalidObjectRules), kind == Kind::Rule && !rule.isValid());
        QVERIFY(data.oldFormatLines().isEmpty());

        const QString text2 = ProfileParser::profileDataSerialization(data);
        if (!written.isNull()) {
            QCOMPARE(sortFields(text2), written);
        }
        if (kind == Kind::Invalid || kind == Kind::Dropped) {
            QCOMPARE(text2, QString());
        }
    }

    void oldSyntaxFollowsLinks()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString target = dir.filePath(QStringLiteral("target"));
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString absoluteLink = dir.filePath(QStringLiteral("absolute"));
        const QString relativeLink = dir.filePath(QStringLiteral("relative"));
        const QString danglingLink = dir.filePath(QStringLiteral("dangling"));
        QVERIFY(QFile::link(target, absoluteLink));
        QVERIFY(QFile::link(QStringLiteral("target"), relativeLink));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), danglingLink));

        const QString text = absoluteLink + QStringLiteral(" r\n\"") + relativeLink + QStringLiteral("\" w\n") + danglingLink + QStringLiteral(" x\n") + target
            + QStringLiteral(" r-x\n");
        const QSet<ObjectRule> rules = parse(text).objectRules();
        const QSet<ObjectRule> expected{
            makeRule(ObjectRule::File, r, uo, target),
            makeRule(ObjectRule::File, wc, uo, target),
            makeRule(ObjectRule::File, r, uo, dir.filePath(QStringLiteral("gone"))),
        };
        QCOMPARE(rules, expected);

        // Only the old syntax looks at the file system.
        const QSet<ObjectRule> current = parse(QStringLiteral("+file r uo: ") + absoluteLink).objectRules();
        QCOMPARE(current, QSet<ObjectRule>{makeRule(ObjectRule::File, r, uo, absoluteLink)});
    }

    void duplicatesAndCombining()
    {
        const ProfileData twice = parse(QStringLiteral("+file r u: /a\n+file r u: /a\n@include b\nb\n"));
        QCOMPARE(twice.objectRules().size(), 1);
        QCOMPARE(twice.includes().size(), 1);

        const ProfileData separate = parse(QStringLiteral("+file r u: /a\n+file w u: /a\n"));
        QCOMPARE(separate.objectRules().size(), 2);
        QCOMPARE(ProfileParser::combineObjectRules(separate.objectRules()), QSet<ObjectRule>{makeRule(ObjectRule::File, rw, u, QStringLiteral("/a"))});
    }

    void combine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("combined");

        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("one") << "+file r u: /a"
                             << "+file r u: /a";
        QTest::newRow("modes and targets join") << "+file r u: /a\n+file w o: /a\n+file c: /a"
                                                << "+file rwc uo: /a";
        QTest::newRow("file and link stay apart") << "+file r u: /a\n+link w u: /a"
                                                  << "+file r u: /a\n+link w u: /a";
        QTest::newRow("deleted stays apart") << "+file r u: /a\n+file w u: /a (deleted)\n+file c u: /a(deleted)"
                                             << "+file r u: /a\n+file wc u: /a (deleted)";
        QTest::newRow("names are exact") << "+file r u: /a\n+file w u: /a/\n+file c u: /A"
                                         << "+file r u: /a\n+file w u: /a/\n+file c u: /A";
        // Empty sets stay empty when nothing else names the object.
        QTest::newRow("empty sets") << "+file: /a\n+file r: /b\n+file u: /b"
                                    << "+file: /a\n+file r u: /b";
    }

    void combine()
    {
        QFETCH(QString, text);
        QFETCH(QString, combined);
        const QSet<ObjectRule> input = parse(text).objectRules();
        const QSet<ObjectRule> result = ProfileParser::combineObjectRules(input);
        QCOMPARE(result, parse(combined).objectRules());
        // Combining what is already combined changes nothing.
        QCOMPARE(ProfileParser::combineObjectRules(result), result);
    }

    void mixedProfile()
    {
        const QString path = QFINDTESTDATA("data/mixed.profile");
        QVERIFY(!path.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const ProfileData data = parseBytes(file.readAll());

        QCOMPARE(data.includes(), (QSet<IncludeRule>{IncludeRule(QStringLiteral("base")), IncludeRule(QStringLiteral("session-common"))}));
        QCOMPARE(data.objectRules(),
                 (QSet<ObjectRule>{
                     makeRule(ObjectRule::File, rw, u, QStringLiteral("/tmp/reception")),
                     makeRule(ObjectRule::Link, r, uo, QStringLiteral("/home/kiosk/.cache")),
                     makeRule(ObjectRule::File, r, uo, QStringLiteral("/opt/reception/hosts")),
                     makeRule(ObjectRule::File, rwc, uo, QStringLiteral("/opt/reception/printer.conf")),
                 }));
        const QStringList comments{QStringLiteral(" Session profile of the reception kiosk"), QStringLiteral(" the browser keeps its cache here"), QString()};
        QCOMPARE(data.comments(), comments);
        QCOMPARE(data.invalidLines(), (QStringList{QStringLiteral("  # indented comments are not comments"), QStringLiteral("+File r u: /etc/motd")}));
        QCOMPARE(data.errors(), QSet<ProfileData::Error>{ProfileData::InvalidLines});

        // Written back: includes, then rules, then comments, each line ended;
        // blank, old-syntax and invalid lines are gone or converted.
        const QString written = ProfileParser::profileDataSerialization(data);
        QVERIFY(written.endsWith(QLatin1Char('\n')));
        const QStringList lines = splitLines(written);
        QCOMPARE(lines.size(), 2 + 4 + 3);
        for (int i = 0; i < 2; ++i) {
            QVERIFY2(lines.at(i).startsWith(QLatin1String("@include ")), qPrintable(lines.at(i)));
        }
        for (int i = 2; i < 6; ++i) {
            QVERIFY2(lines.at(i).startsWith(QLatin1Char('+')), qPrintable(lines.at(i)));
        }
        QCOMPARE(lines.mid(6),
                 (QStringList{QStringLiteral("# Session profile of the reception kiosk"),
                              QStringLiteral("# the browser keeps its cache here"),
                              QStringLiteral("#")}));

        const ProfileData again = parse(written);
        QCOMPARE(again.objectRules(), data.objectRules());
        QCOMPARE(again.includes(), data.includes());
        QCOMPARE(again.comments(), data.comments());
        QVERIFY(again.isValid());
        QCOMPARE(ProfileParser::profileDataSerialization(again).size(), written.size());
    }

    void writingNeverAddsLines()
    {
        // Values built by program code that have no spelling in the text must
        // not turn into other lines when the profile is read back.
        ProfileData data;
        data.insertObjectRule(makeRule(ObjectRule::File, r, u, QStringLiteral("/a\n@include everything")));
        data.insertObjectRule(makeRule(ObjectRule::Unknown, r, u, QStringLiteral("/b")));
        data.insertObjectRule(makeRule(ObjectRule::Link, r, u, QString()));
        data.insertIncludeRule(IncludeRule(QStringLiteral("base\n+file rwc uo: /etc/shadow")));
        data.addComment(QStringLiteral("first\n@include everything\r\n+file rwc uo: /"));

        const QString written = ProfileParser::profileDataSerialization(data);
        const QStringList lines = splitLines(written);
        // Four unwritable values give four empty lines; the comment splits.
        QCOMPARE(lines.count(QString()), 4);
        // The comment's own carriage return stays part of it.
        QCOMPARE(lines.mid(4), (QStringList{QStringLiteral("#first"), QStringLiteral("#@include everything\r"), QStringLiteral("#+file rwc uo: /")}));

        const ProfileData again = parse(written);
        QVERIFY(again.objectRules().isEmpty());
        QVERIFY(again.includes().isEmpty());
        QCOMPARE(again.comments().size(), 3);
        QVERIFY(again.isValid());
    }

    void oddBytes()
    {
        // Bytes that are not UTF-8, NULs, a byte order mark and carriage
        // returns in odd places: nothing may vanish.
        const QByteArray bytes = QByteArray("\xef\xbb\xbf+file r u: /bom\n", 19) + QByteArray("\xff\xfe\x80 r\n", 6) + QByteArray("#\0nul\n", 6)
            + QByteArray("\0\0\0\n", 4) + QByteArray("+file r u: /a\rb\r\n") + QByteArray("@include x\r\r\n") + QByteArray("\xc3(\n")
            + QByteArray("+file r u: /\xe2\x82\n");
        const ProfileData data = parseBytes(bytes);
        QVERIFY(data.objectRules().contains(makeRule(ObjectRule::File, r, u, QStringLiteral("/bom"))));
        QVERIFY(data.objectRules().contains(makeRule(ObjectRule::File, r, u, QStringLiteral("/a\rb"))));
        QVERIFY(data.comments().contains(QString(QChar(0)) + QStringLiteral("nul")));
        // The carriage return left over is trailing white space to the include.
        QVERIFY(data.includes().contains(IncludeRule(QStringLiteral("x"))));

        QTextStream decode(bytes);
        decode.setCodec("UTF-8");
        checkNothingLost(decode.readAll(), data);
    }

    void longLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Kind>("kind");

        const int size = 1024 * 1024;
        QTest::newRow("long name") << QStringLiteral("+file r u: /") + QString(size, QLatin1Char('a')) << Kind::Rule;
        QTest::newRow("long name ending in spaces") << QStringLiteral("+file r u: /") + QString(size, QLatin1Char('a')) + QString(size, QLatin1Char(' '))
                                                    << Kind::Rule;
        // Too much backtracking for the engine, but read by hand all the same.
        QTest::newRow("long run of inner spaces") << QStringLiteral("+file r u: /") + QString(size, QLatin1Char(' ')) + QStringLiteral("b") << Kind::Rule;
        QTest::newRow("long word") << QString(size, QLatin1Char('w')) << Kind::Include;
        QTest::newRow("long old rule") << QLatin1Char('/') + QString(size, QLatin1Char('p')) + QStringLiteral(" r") << Kind::Rule;
        QTest::newRow("long comment") << QLatin1Char('#') + QString(size, QLatin1Char(' ')) << Kind::Comment;
        QTest::newRow("long blank") << QString(size, QLatin1Char('\t')) << Kind::Dropped;
        QTest::newRow("long garbage") << QString(size / 2, QLatin1Char('-')) + QLatin1Char(' ') + QString(size / 2, QLatin1Char('?')) << Kind::Invalid;
    }

    void longLines()
    {
        QFETCH(QString, line);
        QFETCH(Kind, kind);

        const QString text = QStringLiteral("@include before\n") + line + QStringLiteral("\n#after\n");
        const ProfileData data = parse(text);
        QVERIFY(data.includes().contains(IncludeRule(QStringLiteral("before"))));
        QCOMPARE(data.comments().last(), QStringLiteral("after"));
        QCOMPARE(data.objectRules().size(), kind == Kind::Rule ? 1 : 0);
        QCOMPARE(data.includes().size(), kind == Kind::Include ? 2 : 1);
        QCOMPARE(data.comments().size(), kind == Kind::Comment ? 2 : 1);
        QCOMPARE(data.invalidLines(), kind == Kind::Invalid ? QStringList{line} : QStringList());
        if (kind == Kind::Rule) {
            QVERIFY(data.objectRules().begin()->filename().size() > 1024 * 1024);
        }
    }

    void manyLines()
    {
        LineGenerator generator(7);
        // Appending a concatenation reserves the exact size each time, which
        // turns building a large text into quadratic copying; join instead.
        QStringList lines;
        for (int i = 0; i < 100000; ++i) {
            lines << generator.line() + (i % 3 ? QLatin1String("\n") : QLatin1String("\r\n"));
        }
        const QString text = lines.join(QString());
        const ProfileData data = parse(text);
        QVERIFY(data.objectRules().size() > 10000);
        QVERIFY(data.invalidLines().size() > 10000);
        checkNothingLost(text, data);
    }

    void writtenTextReadsBack()
    {
        // Reading what was written gives the same rules (with writing's fill-in
        // for empty sets), includes and comments, and nothing invalid; writing
        // that again gives the same text up to set order.
        LineGenerator generator(20240611);
        int rules = 0;
        for (int round = 0; round < 3000; ++round) {
            QString text;
            const int lineCount = int(generator.bounded(30));
            for (int i = 0; i < lineCount; ++i) {
                text += generator.line() + (generator.bounded(4) ? QLatin1String("\n") : QLatin1String("\r\n"));
            }
            if (generator.bounded(2)) {
                text += generator.line();
                // A lone carriage return at the very end is dropped by the
                // line reader; keep the comparison's own splitting simple.
                if (text.endsWith(QLatin1Char('\r'))) {
                    text += QLatin1Char('\n');
                }
            }
            const ProfileData first = parse(text);
            checkNothingLost(text, first);
            if (QTest::currentTestFailed()) {
                QFAIL(qPrintable(QStringLiteral("text: ") + text));
            }

            const QString written = ProfileParser::profileDataSerialization(first);
            const ProfileData second = parse(written);
            QCOMPARE(second.objectRules(), asWritten(first.objectRules()));
            QCOMPARE(second.includes(), first.includes());
            // A comment may end in a carriage return (read from CR CR LF);
            // saving must not take it for part of the line end.
            QCOMPARE(second.comments(), first.comments());
            QVERIFY(second.invalidLines().isEmpty());
            const ProfileData third = parse(ProfileParser::profileDataSerialization(second));
            QCOMPARE(third.objectRules(), second.objectRules());
            QCOMPARE(third.includes(), second.includes());
            QCOMPARE(third.comments(), second.comments());
            rules += first.objectRules().size();
        }
        QVERIFY(rules > 10000);
    }

    void parallelReading()
    {
        LineGenerator generator(99);
        QStringList lines;
        for (int i = 0; i < 2000; ++i) {
            lines << generator.line();
        }
        const QString text = lines.join(QLatin1Char('\n'));
        const ProfileData expected = parse(text);
        std::vector<std::thread> threads;
        std::vector<int> same(4, 0);
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&text, &expected, &same, t] {
                for (int i = 0; i < 20; ++i) {
                    const ProfileData data = parse(text);
                    same[t] += data.objectRules() == expected.objectRules() && data.includes() == expected.includes() && data.comments() == expected.comments()
                        && data.invalidLines() == expected.invalidLines();
                }
            });
        }
        for (std::thread &thread : threads) {
            thread.join();
        }
        QCOMPARE(same, std::vector<int>(4, 20));
    }
};

QTEST_GUILESS_MAIN(ProfileParserTest)

#include "profileparsertest.moc"
