/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "failures/createdirexception.h"
#include "failures/deletefileexception.h"
#include "failures/kauthexception.h"
#include "failures/processexception.h"
#include "failures/renamefileexception.h"
#include "failures/userexception.h"
#include "failures/writefileexception.h"

#include <QTest>

#include <memory>

// Declared before the first use: a release build checks it at compile time.
Q_DECLARE_METATYPE(std::shared_ptr<DetailsException>)

class FailuresTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sentences_data()
    {
        QTest::addColumn<std::shared_ptr<DetailsException>>("failure");
        QTest::addColumn<QString>("sentence");

        QTest::newRow("read") << std::shared_ptr<DetailsException>(
            new ReadFileException(QStringLiteral("/etc/tavrix/kiosk2/alice"), QStringLiteral("Permission denied")))
                              << QStringLiteral("Can not read file '/etc/tavrix/kiosk2/alice': Permission denied");
        QTest::newRow("write") << std::shared_ptr<DetailsException>(new WriteFileException(QStringLiteral("/a"), QStringLiteral("Disk full")))
                               << QStringLiteral("Can not write file '/a': Disk full");
        QTest::newRow("delete") << std::shared_ptr<DetailsException>(new DeleteFileException(QStringLiteral("/a"), QStringLiteral("Busy")))
                                << QStringLiteral("Can not delete file '/a': Busy");
        QTest::newRow("create dir, empty details") << std::shared_ptr<DetailsException>(new CreateDirException(QStringLiteral("/x/y"), QString()))
                                                   << QStringLiteral("Can not create dir '/x/y': ");
        QTest::newRow("rename fills old, new, details") << std::shared_ptr<DetailsException>(
            new RenameFileException(QStringLiteral("/old"), QStringLiteral("/new"), QStringLiteral("No such file or directory")))
                                                        << QStringLiteral("Can not rename file '/old' to '/new': No such file or directory");
        QTest::newRow("kauth hands the text on") << std::shared_ptr<DetailsException>(
            new KAuthException(KAuth::ActionReply::BackendError, QStringLiteral("Can not write file '/a': x")))
                                                 << QStringLiteral("Can not write file '/a': x");
        QTest::newRow("user") << std::shared_ptr<DetailsException>(new UserException(QStringLiteral("bob"), QStringLiteral("gone")))
                              << QStringLiteral("bob: gone");
        QTest::newRow("process exit code") << std::shared_ptr<DetailsException>(
            new ProcessException(QStringLiteral("id -u bob"), QProcess::NormalExit, 1, QStringLiteral("no such user")))
                                           << QStringLiteral("Process 'id -u bob' complited with exit code 1. no such user");
        QTest::newRow("process crash ignores the code")
            << std::shared_ptr<DetailsException>(new ProcessException(QStringLiteral("uccollect 1000"), QProcess::CrashExit, 7, QString()))
            << QStringLiteral("Process 'uccollect 1000' not complited. ");
        // A placeholder inside a path or command is text, not a slot for the next value.
        QTest::newRow("percent in path") << std::shared_ptr<DetailsException>(
            new RenameFileException(QStringLiteral("/a%1"), QStringLiteral("/b%2"), QStringLiteral("why")))
                                         << QStringLiteral("Can not rename file '/a%1' to '/b%2': why");
        QTest::newRow("percent in command") << std::shared_ptr<DetailsException>(
            new ProcessException(QStringLiteral("printf %1"), QProcess::NormalExit, 2, QStringLiteral("bad")))
                                            << QStringLiteral("Process 'printf %1' complited with exit code 2. bad");
    }

    void sentences()
    {
        QFETCH(std::shared_ptr<DetailsException>, failure);
        QFETCH(QString, sentence);
        QCOMPARE(failure->fullDetails(), sentence);
    }

    void caughtByBaseKeepsFields()
    {
        try {
            throw RenameFileException(QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("x"));
        } catch (const ReadFileException &e) {
            QCOMPARE(e.path(), QStringLiteral("/a"));
            QCOMPARE(e.details(), QStringLiteral("x"));
            QCOMPARE(dynamic_cast<const RenameFileException &>(e).newPath(), QStringLiteral("/b"));
        }
    }
};

QTEST_GUILESS_MAIN(FailuresTest)

#include "failurestest.moc"
