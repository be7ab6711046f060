/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "store/filerecorder.h"
#include "failures/createdirexception.h"
#include "failures/writefileexception.h"

#include "filesizelimit.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class FileRecorderTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textGoesInAsUtf8AndCreatesDirectory()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/kiosk2/disabled/alice");
        FileRecorder recorder(path);
        QCOMPARE(recorder.path(), path);
        const QString text = QStringLiteral("+file r uo: /home/\u0430\u043b\u0438\u0441\u0430/doc\n");
        recorder.write(text);
        QCOMPARE(TestFiles::read(path), text.toUtf8());

        // The same recorder replaces the file again, whole.
        recorder.write(QStringLiteral("@include base\n"));
        QCOMPARE(TestFiles::read(path), QByteArray("@include base\n"));
    }

    void switchValues_data()
    {
        QTest::addColumn<bool>("value");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("on") << true << QByteArray("1\n");
        QTest::newRow("off") << false << QByteArray("0\n");
    }

    void switchValues()
    {
        QFETCH(bool, value);
        QFETCH(QByteArray, expected);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/parameters/uc_enforce");
        FileRecorder(path).write(value);
        QCOMPARE(TestFiles::read(path), expected);
        // Writing over longer content must not leave its tail behind.
        TestFiles::write(path, "something long\n");
        FileRecorder(path).write(value);
        QCOMPARE(TestFiles::read(path), expected);
    }

    void failedWritesKeepOldContentAndAreReported()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/alice");
        TestFiles::write(path, "old rules\n");
        const QString text = QStringLiteral("+file r uo: /tmp/%1\n").arg(QString(4096, QLatin1Char('x')));
        {
            FileSizeLimit limit(64);
            if (!limit.isActive()) {
                QSKIP("cannot limit the file size of this process");
            }
            QVERIFY_EXCEPTION_THROWN(FileRecorder(path).write(text), WriteFileException);
        }
        QCOMPARE(TestFiles::read(path), QByteArray("old rules\n"));
        // No half-written save file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("alice")});

        // Not even a switch's two bytes fit.
        FileSizeLimit none(0);
        QVERIFY(none.isActive());
        QVERIFY_EXCEPTION_THROWN(FileRecorder(dir.path() + QStringLiteral("/uc_enforce")).write(true), WriteFileException);
    }

    void targetThatIsADirectoryFails_data()
    {
        QTest::addColumn<bool>("switchValue");
        QTest::newRow("text") << false;
        QTest::newRow("switch") << true;
    }

    void targetThatIsADirectoryFails()
    {
        QFETCH(bool, switchValue);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/alice");
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inner")));
        try {
            FileRecorder recorder(path);
            if (switchValue) {
                recorder.write(true);
            } else {
                recorder.write(QStringLiteral("x\n"));
            }
            QFAIL("no failure");
        } catch (const WriteFileException &e) {
            QCOMPARE(e.path(), path);
            QVERIFY(!e.details().isEmpty());
        }
        QVERIFY(QFileInfo(path + QStringLiteral("/inner")).isDir());
    }

    void textWithNulOrParentThatIsAFileFails()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/alice");
        TestFiles::write(path, "old rules\n");
        const QString text = QStringLiteral("@include a\n") + QChar(0) + QStringLiteral("@include b\n");
        try {
            FileRecorder(path).write(text);
            QFAIL("no failure");
        } catch (const WriteFileException &e) {
            QCOMPARE(e.path(), path);
        }
        QCOMPARE(TestFiles::read(path), QByteArray("old rules\n"));

        const QString blocker = dir.path() + QStringLiteral("/kiosk2");
        TestFiles::write(blocker, "a file");
        try {
            FileRecorder(blocker + QStringLiteral("/disabled/alice")).write(QStringLiteral("x\n"));
            QFAIL("no failure");
        } catch (const CreateDirException &e) {
            QCOMPARE(e.path(), blocker + QStringLiteral("/disabled"));
        }
        QCOMPARE(TestFiles::read(blocker), QByteArray("a file"));
    }
};

QTEST_GUILESS_MAIN(FileRecorderTest)

#include "filerecordertest.moc"
