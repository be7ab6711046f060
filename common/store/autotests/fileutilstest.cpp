/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "store/fileutils.h"
#include "failures/createdirexception.h"
#include "failures/deletefileexception.h"
#include "failures/renamefileexception.h"

#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace
{
QStringList names(const QFileInfoList &infos)
{
    QStringList result;
    for (const QFileInfo &info : infos) {
        result.append(info.fileName());
    }
    return result;
}
}

class FileUtilsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dirFilesListsOnlyVisibleRegularFiles()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        TestFiles::write(root + QStringLiteral("/c.txt"));
        TestFiles::write(root + QStringLiteral("/a.txt"));
        TestFiles::write(root + QStringLiteral("/B.txt"));
        TestFiles::write(root + QStringLiteral("/.hidden"));
        TestFiles::write(root + QStringLiteral("/sub/inner"));
        QVERIFY(QFile::link(root + QStringLiteral("/a.txt"), root + QStringLiteral("/link")));
        QVERIFY(QFile::link(root + QStringLiteral("/nowhere"), root + QStringLiteral("/dangling")));
        QCOMPARE(mkfifo(QFile::encodeName(root + QStringLiteral("/fifo")).constData(), 0600), 0);

        QCOMPARE(names(Utils::dirFiles(root)), (QStringList{QStringLiteral("a.txt"), QStringLiteral("B.txt"), QStringLiteral("c.txt")}));
        QVERIFY(Utils::dirFiles(root + QStringLiteral("/missing")).isEmpty());
    }

    void directoryFilesWalksVisibleTree()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        TestFiles::write(root + QStringLiteral("/top"));
        TestFiles::write(root + QStringLiteral("/one/mid"));
        TestFiles::write(root + QStringLiteral("/one/two/deep"));
        TestFiles::write(root + QStringLiteral("/.hiddendir/secret"));
        TestFiles::write(root + QStringLiteral("/one/.hiddenfile"));
        TestFiles::write(root + QStringLiteral("/elsewhere/far"));
        QVERIFY(QFile::link(root + QStringLiteral("/top"), root + QStringLiteral("/one/filelink")));
        // Following this would list elsewhere/far twice, or loop for ever on a
        // link to an ancestor.
        QVERIFY(QFile::link(root + QStringLiteral("/elsewhere"), root + QStringLiteral("/one/dirlink")));
        QVERIFY(QFile::link(root, root + QStringLiteral("/one/loop")));

        QStringList files = Utils::directoryFiles(root);
        files.sort();
        QCOMPARE(files,
                 (QStringList{root + QStringLiteral("/elsewhere/far"),
                              root + QStringLiteral("/one/filelink"),
                              root + QStringLiteral("/one/mid"),
                              root + QStringLiteral("/one/two/deep"),
                              root + QStringLiteral("/top")}));
    }

    void createDirectoryMakesMissingParentsOnly()
    {
        QTemporaryDir dir;
        const QString deep = dir.path() + QStringLiteral("/a/b/c");
        QVERIFY(QDir().mkdir(dir.path() + QStringLiteral("/a")));
        Utils::createDirectory(deep);
        QVERIFY(QFileInfo(deep).isDir());

        TestFiles::write(deep + QStringLiteral("/kept"));
        Utils::createDirectory(deep);
        QVERIFY(QFile::exists(deep + QStringLiteral("/kept")));

        TestFiles::write(dir.path() + QStringLiteral("/file"));
        const QString wanted = dir.path() + QStringLiteral("/file/sub");
        try {
            Utils::createDirectory(wanted);
            QFAIL("no failure");
        } catch (const CreateDirException &e) {
            QCOMPARE(e.path(), wanted);
            QVERIFY(e.details().isEmpty());
        }
    }

    void renameFileCreatesTargetDirectoryAndReplacesTarget()
    {
        QTemporaryDir dir;
        const QString from = dir.path() + QStringLiteral("/alice");
        const QString to = dir.path() + QStringLiteral("/disabled/alice");
        TestFiles::write(from, "rules");
        Utils::renameFile(from, to);
        QVERIFY(!QFile::exists(from));
        QCOMPARE(TestFiles::read(to), QByteArray("rules"));

        TestFiles::write(from, "new");
        Utils::renameFile(from, to);
        QVERIFY(!QFile::exists(from));
        QCOMPARE(TestFiles::read(to), QByteArray("new"));
    }

    void renameFailuresNameBothPathsAndReason()
    {
        QTemporaryDir dir;
        const QString from = dir.path() + QStringLiteral("/missing");
        const QString to = dir.path() + QStringLiteral("/target");
        try {
            Utils::renameFile(from, to);
            QFAIL("no failure");
        } catch (const RenameFileException &e) {
            QCOMPARE(e.path(), from);
            QCOMPARE(e.newPath(), to);
            QCOMPARE(e.details(), QStringLiteral("No such file or directory"));
        }

        const QString alice = dir.path() + QStringLiteral("/alice");
        TestFiles::write(alice, "rules");
        // The system call would see only the part before the NUL: the file itself.
        QVERIFY_EXCEPTION_THROWN(Utils::renameFile(alice, alice + QChar(0) + QStringLiteral("/../elsewhere")), RenameFileException);
        QCOMPARE(TestFiles::read(alice), QByteArray("rules"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("alice")});
    }

    void deleteFileRemovesFilesOnly()
    {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/alice");
        TestFiles::write(path);
        Utils::deleteFile(path);
        QVERIFY(!QFile::exists(path));
        // Nothing there any more is not a failure.
        Utils::deleteFile(path);

        const QString sub = dir.path() + QStringLiteral("/sub");
        TestFiles::write(sub + QStringLiteral("/inner"));
        try {
            Utils::deleteFile(sub);
            QFAIL("a directory was taken for a file");
        } catch (const DeleteFileException &e) {
            QCOMPARE(e.path(), sub);
            QVERIFY(!e.details().isEmpty());
        }
        QVERIFY(QFile::exists(sub + QStringLiteral("/inner")));
    }
};

QTEST_GUILESS_MAIN(FileUtilsTest)

#include "fileutilstest.moc"
