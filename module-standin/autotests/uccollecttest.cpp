/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "systempaths.h"
#include "tracereport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace
{
struct Run {
    int exitCode = -1;
    QByteArray out;
    QList<QByteArray> notes;
};

Run uccollect(const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.start(QStringLiteral(UCCOLLECT_PROGRAM), arguments);
    Run run;
    if (!process.waitForStarted()) {
        return run;
    }
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    const QByteArray errors = process.readAllStandardError();
    run.notes = errors.split('\n');
    run.notes.removeAll(QByteArray());
    return run;
}

QByteArray fixture(const QString &name)
{
    QFile file(QFINDTESTDATA(QStringLiteral("data/") + name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing fixture");
}
}

class UccollectTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A recorded log and the rules it must give, byte for byte.
    void golden_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("uid");
        QTest::addColumn<int>("notes");
        // A piece of the first note, where it matters what that says.
        QTest::addColumn<QByteArray>("note");
        // Its home rules are written for every user's home: one note says so.
        QTest::newRow("kernel lines, several uids, merged modes and targets") << "mixed"
                                                                              << "1000" << 1 << QByteArray("/home/*");
        QTest::newRow("escaped paths and paths no profile can hold") << "escapes"
                                                                     << "1000" << 9 << QByteArray();
        QTest::newRow("recorded wildcards and control characters") << "wildcards"
                                                                   << "1000" << 9 << QByteArray();
        QTest::newRow("nothing for this uid") << "none"
                                              << "1000" << 0 << QByteArray();
        // Only the user's own objects below a home stand for every user's; one
        // account's home and someone else's file in it are merged and kept apart.
        QTest::newRow("homes for every user") << "homes"
                                              << "1000" << 1 << QByteArray("/home/*");
        // A temporary directory made in the run, and what is below it, become
        // one rule on the folder it was made in (the folder's owner decides the
        // target); a name the run made that is no random one stays itself.
        QTest::newRow("random names folded") << "randomnames"
                                             << "1000" << 1 << QByteArray("/tmp/dbus-OvqG2tzZhy, /tmp/xtermXXJUyArL");
    }

    void golden()
    {
        QFETCH(QString, name);
        QFETCH(QString, uid);
        QFETCH(int, notes);
        QFETCH(QByteArray, note);
        const Run run = uccollect({uid}, fixture(name + QStringLiteral(".log")));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, fixture(name + QStringLiteral(".rules")));
        QCOMPARE(run.notes.size(), notes);
        QVERIFY2(run.notes.value(0).contains(note), run.notes.value(0).constData());
    }

    // A directory named "*" or a name carrying a carriage return or a
    // terminal's escape never reaches the rule text, and the note says why
    // without passing the bytes on raw.
    void hostileNamesAreLeftOutWithANote()
    {
        const Run run = uccollect({QStringLiteral("1000")}, fixture(QStringLiteral("wildcards.log")));
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!run.out.contains('*'));
        for (const char c : run.out) {
            QVERIFY(static_cast<unsigned char>(c) >= 0x20 || c == '\n');
        }
        const QByteArray notes = run.notes.join('\n');
        QVERIFY2(notes.contains("/tmp/*/newfile left out: a \"*\" in a rule matches every name"), notes.constData());
        QVERIFY2(notes.contains("/tmp/c\\x0d+file\\x20rwc\\x20uo:\\x20/etc/shadow left out: the path holds a control character (U+000d)"), notes.constData());
        for (const QByteArray &note : run.notes) {
            for (const char c : note) {
                QVERIFY(static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7f);
            }
        }
    }

    // Each count line holds the period's count so far: the last of the uid's own is said, once.
    void heldBackCountBecomesOneNote()
    {
        const Run run = uccollect({QStringLiteral("1000")},
                                  "[ 1.0] tavrix: trace uid=1000 dropped 55\n"
                                  "[ 1.1] tavrix: trace uid=1000 file r o /etc/hostname\n"
                                  "[ 1.2] tavrix: trace uid=1000 dropped 70\n"
                                  "[ 1.3] tavrix: trace uid=1001 dropped 9000\n");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("+file r o: /etc/hostname\n"));
        QCOMPARE(run.notes.size(), 1);
        QVERIFY2(run.notes.first().startsWith("uccollect: up to 70 accesses of uid 1000 are missing"), run.notes.first().constData());
        QVERIFY(uccollect({QStringLiteral("1002")}, "tavrix: trace uid=1000 dropped 55\n").notes.isEmpty());
    }

    // The recording session's own temporary directory stands for every
    // session's, in the base profile's shape; a socket made there anew folds
    // into that one rule. Another uid's directory, or someone else's object
    // in the own one, keeps its path.
    void sessionTmpDirForEverySession()
    {
        const QByteArray tmp = SystemPaths::sessionTmpDir;
        const Run run = uccollect({QStringLiteral("1000")},
                                  "tavrix: trace uid=1000 file c u " + tmp + "/1000/dbus-OvqG2tzZhy\n"
                                  "tavrix: trace uid=1000 file w u " + tmp + "/1000/notes.txt\n"
                                  "tavrix: trace uid=1000 file r o " + tmp + "/1000/planted\n"
                                  "tavrix: trace uid=1000 file r u " + tmp + "/10000/file\n"
                                  "tavrix: trace uid=1000 file r u " + tmp + "/1001/file\n");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out,
                 "+file c u: " + tmp + "/*\n"
                 "+file w u: " + tmp + "/*/notes.txt\n"
                 "+file r o: " + tmp + "/1000/planted\n"
                 "+file r u: " + tmp + "/10000/file\n"
                 "+file r u: " + tmp + "/1001/file\n");
        QCOMPARE(run.notes.size(), 2);
        QVERIFY2(run.notes.value(0).contains("dbus-OvqG2tzZhy"), run.notes.value(0).constData());
        QVERIFY2(run.notes.value(1).contains(tmp + "/*"), run.notes.value(1).constData());
    }

    // Most of a folder's files read: one rule on the folder, said in a note;
    // fewer, or files also written, stay one by one.
    void foldersProposed()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray most = QFile::encodeName(dir.filePath(QStringLiteral("most")));
        const QByteArray few = QFile::encodeName(dir.filePath(QStringLiteral("few")));
        QVERIFY(QDir().mkpath(QFile::decodeName(most)) && QDir().mkpath(QFile::decodeName(few)));
        QByteArray log;
        for (int i = 0; i < 10; ++i) {
            const QByteArray name = "/f" + QByteArray::number(i);
            QFile(QFile::decodeName(most + name)).open(QIODevice::WriteOnly);
            QFile(QFile::decodeName(few + name)).open(QIODevice::WriteOnly);
            if (i < 8) {
                log += "tavrix: trace uid=1000 file r o " + most + name + "\n";
            }
            if (i < 5) {
                log += "tavrix: trace uid=1000 file r o " + few + name + "\n";
            }
        }
        log += "tavrix: trace uid=1000 file w u " + most + "/f0\n";
        const Run run = uccollect({QStringLiteral("1000")}, log);
        QCOMPARE(run.exitCode, 0);
        const auto linesWith = [](const QByteArray &out, const QByteArray &part) {
            int lines = 0;
            for (const QByteArray &line : out.split('\n')) {
                lines += line.contains(part) ? 1 : 0;
            }
            return lines;
        };
        // Seven read only, the eighth also written: seven of ten is not most.
        QCOMPARE(linesWith(run.out, most + "/f"), 8);
        QCOMPARE(run.notes.size(), 0);

        log += "tavrix: trace uid=1000 file r o " + most + "/f8\n";
        const Run more = uccollect({QStringLiteral("1000")}, log);
        QVERIFY2(more.out.contains("+file r o: " + most + "\n"), more.out.constData());
        QVERIFY2(more.out.contains(most + "/f0\n"), more.out.constData());
        QCOMPARE(linesWith(more.out, most + "/f"), 1);
        QCOMPARE(linesWith(more.out, few + "/f"), 5);
        QCOMPARE(more.notes.size(), 1);
        QVERIFY2(more.notes.value(0).contains("8 of the 10 files"), more.notes.value(0).constData());
    }

    // A flood of names made anew, as many as the reporter lets one uid
    // write, is one rule on their folder; its note names a few and counts
    // the rest instead of growing to megabytes.
    void floodOfNamesMadeAnewIsOneRule()
    {
        QByteArray log;
        for (int i = 0; i < 3000; ++i) {
            log += "tavrix: trace uid=1000 file c u /srv/drop/Tmp" + QByteArray::number(100000 + i) + "\n";
        }
        const Run run = uccollect({QStringLiteral("1000")}, log);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("+file c u: /srv/drop\n"));
        QCOMPARE(run.notes.size(), 1);
        const QByteArray note = run.notes.first();
        QVERIFY2(note.contains("(/srv/drop/Tmp100000, /srv/drop/Tmp100001, ") && note.contains("/srv/drop/Tmp100009 and 2990 more)"), note.constData());
        QVERIFY2(note.size() < 600, note.constData());
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("none") << QStringList();
        QTest::newRow("two") << QStringList{QStringLiteral("1000"), QStringLiteral("1001")};
        QTest::newRow("a name") << QStringList{QStringLiteral("nobody")};
        QTest::newRow("negative") << QStringList{QStringLiteral("-1")};
        QTest::newRow("signed") << QStringList{QStringLiteral("+5")};
        QTest::newRow("trailing text") << QStringList{QStringLiteral("12x")};
        QTest::newRow("no uid can be that") << QStringList{QStringLiteral("4294967295")};
        QTest::newRow("empty") << QStringList{QString()};
    }

    void badArguments()
    {
        QFETCH(QStringList, arguments);
        const Run run = uccollect(arguments, fixture(QStringLiteral("mixed.log")));
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.notes.value(0).startsWith("usage:"));
    }

    // What the reporter writes, the collector reads back: every byte.
    void everyByteSurvivesTheLog()
    {
        TraceReport written;
        written.uid = 4000000000u;
        written.type = ObjectRule::Link;
        written.mode = ObjectRule::Create;
        written.target = ObjectRule::TargetUser;
        for (int byte = 1; byte < 256; ++byte) {
            written.path += char(byte);
        }
        const QByteArray record = written.record();
        QCOMPARE(record.count(' '), 6); // the path is one field
        for (const char c : record) {
            QVERIFY(c >= 0x20 && c < 0x7f);
        }
        TraceReport read;
        QCOMPARE(TraceReport::parse("[ 1.5] " + record + '\n', &read), TraceReport::Parse::Report);
        QCOMPARE(read.uid, written.uid);
        QCOMPARE(read.type, written.type);
        QCOMPARE(read.mode, written.mode);
        QCOMPARE(read.target, written.target);
        QCOMPARE(read.path, written.path);
    }
};

QTEST_GUILESS_MAIN(UccollectTest)

#include "uccollecttest.moc"
