/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "store/systemkiosk.h"
#include "failures/createdirexception.h"
#include "failures/detailsexception.h"
#include "failures/readfileexception.h"
#include "failures/renamefileexception.h"
#include "failures/writefileexception.h"
#include "profile/profileparser.h"
#include "systempaths.h"

#include "filesizelimit.h"
#include "readaccessdrop.h"
#include "scratchroot.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>

#include <atomic>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{
QString systemDir()
{
    return QString::fromUtf8(SystemPaths::systemProfilesDir);
}

QString userDir()
{
    return QString::fromUtf8(SystemPaths::userProfilesDir);
}

QString disabledDir()
{
    return userDir() + QStringLiteral("/disabled");
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Everything below the scratch root, links and directories included, so that
// a stray write anywhere in it shows up as a difference.
QMap<QString, QByteArray> snapshot()
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(ScratchRoot::root(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink()) {
            tree.insert(path, "link to " + QFile::encodeName(info.symLinkTarget()));
        } else if (info.isDir()) {
            tree.insert(path, "directory");
        } else {
            tree.insert(path, contentOf(path));
        }
    }
    return tree;
}

QStringList namesOf(const QList<ProfileFile> &profiles)
{
    QStringList names;
    for (const ProfileFile &profile : profiles) {
        names.append(profile.name());
    }
    return names;
}

using Operation = std::function<void(const SystemKiosk &)>;
}

Q_DECLARE_METATYPE(Operation)

class SystemKioskTest : public QObject
{
    Q_OBJECT

private:
    void write(const QString &path, const QByteArray &content)
    {
        QVERIFY2(ScratchRoot::writeFile(path, content), qPrintable(path));
    }

    // A populated tree with files the store must never reach: beside the
    // profile directories, and above them.
    void populate()
    {
        write(systemDir() + QStringLiteral("/base"), "+file r uo: /usr/lib\n");
        write(userDir() + QStringLiteral("/alice"), "@include base\n");
        write(disabledDir() + QStringLiteral("/bob"), "@include base\n");
        write(ScratchRoot::root() + QStringLiteral("/etc/passwd"), "root:x:0:0::/root:/bin/bash\n");
        write(ScratchRoot::root() + QStringLiteral("/etc/tavrix/x"), "victim\n");
        write(ScratchRoot::root() + QStringLiteral("/x"), "victim\n");
    }

private Q_SLOTS:
    void init()
    {
        if (!ScratchRoot::isScratchBuild()) {
            QSKIP("the kiosk tree of this build is the real system's");
        }
        ScratchRoot::reset();
    }

    void switchContent_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("on");

        QTest::newRow("written on") << QByteArray("1\n") << true;
        QTest::newRow("written off") << QByteArray("0\n") << false;
        QTest::newRow("0 between blanks") << QByteArray(" 0 ") << false;
        QTest::newRow("0 between tabs, carriage return") << QByteArray("\t0\t\r\n") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("only line feeds") << QByteArray("\n\n") << false;
        QTest::newRow("empty lines before 0") << QByteArray("\n\n0\n") << false;
        QTest::newRow("empty lines before 1") << QByteArray("\n\n1\n") << true;
        QTest::newRow("later lines ignored") << QByteArray("0\n1\n") << false;
        QTest::newRow("blank first line is not 0") << QByteArray(" \n0\n") << true;
        QTest::newRow("00") << QByteArray("00") << true;
        QTest::newRow("2") << QByteArray("2\n") << true;
        QTest::newRow("no") << QByteArray("no") << true;
        QTest::newRow("first byte NUL") << QByteArray(
            "\0"
            "1\n",
            3) << false;
        QTest::newRow("NUL ends the text") << QByteArray(
            "0\0"
            "1\n",
            4) << false;
        QTest::newRow("1 before NUL") << QByteArray("1\0", 2) << true;
    }

    void switchContent()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, on);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/switch");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QCOMPARE(SystemKiosk().fileValue(path), on);
    }

    void switchReadersReadTheirOwnFile_data()
    {
        QTest::addColumn<bool>("enforce");
        QTest::addColumn<bool>("autoEnforce");
        QTest::addColumn<bool>("complain");
        QTest::addColumn<bool>("autoComplain");
        QTest::newRow("1001") << true << false << false << true;
        QTest::newRow("0110") << false << true << true << false;
        QTest::newRow("1100") << true << true << false << false;
    }

    void switchReadersReadTheirOwnFile()
    {
        QFETCH(bool, enforce);
        QFETCH(bool, autoEnforce);
        QFETCH(bool, complain);
        QFETCH(bool, autoComplain);
        auto value = [](bool on) {
            return on ? QByteArray("1\n") : QByteArray("0\n");
        };
        write(QString::fromUtf8(SystemPaths::enforceParameter), value(enforce));
        write(QString::fromUtf8(SystemPaths::autoEnforceFile), value(autoEnforce));
        write(QString::fromUtf8(SystemPaths::complainParameter), value(complain));
        write(QString::fromUtf8(SystemPaths::autoComplainFile), value(autoComplain));

        const SystemKiosk kiosk;
        QCOMPARE(kiosk.enforce(), enforce);
        QCOMPARE(kiosk.autoEnforce(), autoEnforce);
        QCOMPARE(kiosk.complain(), complain);
        QCOMPARE(kiosk.autoComplain(), autoComplain);
    }

    void switchWritersWriteTheirOwnFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Operation>("enable");
        QTest::newRow("enforce") << QString::fromUtf8(SystemPaths::enforceParameter) << Operation([](const SystemKiosk &k) {
            k.enableEnforce(true);
        });
        QTest::newRow("auto enforce") << QString::fromUtf8(SystemPaths::autoEnforceFile) << Operation([](const SystemKiosk &k) {
            k.enableAutoEnforce(true);
        });
        QTest::newRow("complain") << QString::fromUtf8(SystemPaths::complainParameter) << Operation([](const SystemKiosk &k) {
            k.enableComplain(true);
        });
        QTest::newRow("auto complain") << QString::fromUtf8(SystemPaths::autoComplainFile) << Operation([](const SystemKiosk &k) {
            k.enableAutoComplain(true);
        });
    }

    void switchWritersWriteTheirOwnFile()
    {
        QFETCH(QString, path);
        QFETCH(Operation, enable);
        const QStringList all{QString::fromUtf8(SystemPaths::enforceParameter),
                              QString::fromUtf8(SystemPaths::autoEnforceFile),
                              QString::fromUtf8(SystemPaths::complainParameter),
                              QString::fromUtf8(SystemPaths::autoComplainFile)};
        for (const QString &file : all) {
            write(file, "0\n");
        }
        enable(SystemKiosk());
        for (const QString &file : all) {
            QCOMPARE(contentOf(file), file == path ? QByteArray("1\n") : QByteArray("0\n"));
        }
    }

    void missingModuleParameterFailsRead()
    {
        // Module not loaded: no parameter files at all.
        try {
            SystemKiosk().enforce();
            QFAIL("no failure");
        } catch (const ReadFileException &e) {
            QCOMPARE(e.path(), QString::fromUtf8(SystemPaths::enforceParameter));
            QVERIFY(!e.details().isEmpty());
        }
        QVERIFY_EXCEPTION_THROWN(SystemKiosk().complain(), ReadFileException);
    }

    void readUserProfilesEnabledThenDisabled()
    {
        write(disabledDir() + QStringLiteral("/carol"), "@include office\n");
        write(userDir() + QStringLiteral("/alice"), "@include base\n+file r uo: /srv/a\n");
        write(disabledDir() + QStringLiteral("/bob"), "");
        write(userDir() + QStringLiteral("/Dave"), "");

        const QList<UserProfileFile> users = SystemKiosk().readUserProfiles();
        QStringList names;
        QList<bool> enabled;
        for (const UserProfileFile &user : users) {
            names.append(user.name());
            enabled.append(user.isEnable());
            QVERIFY(user.exists());
        }
        QCOMPARE(names, (QStringList{QStringLiteral("alice"), QStringLiteral("Dave"), QStringLiteral("bob"), QStringLiteral("carol")}));
        QCOMPARE(enabled, (QList<bool>{true, true, false, false}));
        QCOMPARE(users.at(0).data().includes().size(), 1);
        QCOMPARE(users.at(0).data().objectRules().size(), 1);
        QCOMPARE(users.at(3).data().includes().values().first().name(), QStringLiteral("office"));

        QCOMPARE(SystemKiosk().users(), (QSet<QString>{QStringLiteral("alice"), QStringLiteral("Dave")}));
    }

    void emptyTreeReadsEmpty()
    {
        const SystemKiosk kiosk;
        QVERIFY(kiosk.readSystemProfiles().isEmpty());
        QVERIFY(kiosk.readUserProfiles().isEmpty());
        QVERIFY(kiosk.users().isEmpty());
    }

    void onlyVisibleRegularFilesAreProfiles()
    {
        write(systemDir() + QStringLiteral("/office"), "@include base\n");
        write(systemDir() + QStringLiteral("/base"), "");
        write(systemDir() + QStringLiteral("/.hidden"), "@include secret\n");
        write(systemDir() + QStringLiteral("/sub/inner"), "");
        write(ScratchRoot::root() + QStringLiteral("/outside"), "@include secret\n");
        QVERIFY(QFile::link(ScratchRoot::root() + QStringLiteral("/outside"), systemDir() + QStringLiteral("/link")));
        QCOMPARE(mkfifo(QFile::encodeName(systemDir() + QStringLiteral("/fifo")).constData(), 0600), 0);
        write(userDir() + QStringLiteral("/alice"), "");
        QVERIFY(QFile::link(userDir() + QStringLiteral("/alice"), userDir() + QStringLiteral("/mallory")));

        const SystemKiosk kiosk;
        QCOMPARE(namesOf(kiosk.readSystemProfiles()), (QStringList{QStringLiteral("base"), QStringLiteral("office")}));
        QCOMPARE(kiosk.users(), QSet<QString>{QStringLiteral("alice")});
    }

    void readDirProfilesNamesByFileName()
    {
        QTemporaryDir dir;
        QFile file(dir.path() + QStringLiteral("/web"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("@include base\n");
        file.close();
        const QList<ProfileFile> profiles = SystemKiosk().readDirProfiles(dir.path());
        QCOMPARE(profiles.size(), 1);
        QCOMPARE(profiles.first().name(), QStringLiteral("web"));
        QVERIFY(profiles.first().exists());

        // readProfile alone keeps the path it was given as the name.
        QCOMPARE(SystemKiosk().readProfile(dir.path() + QStringLiteral("/web")).name(), dir.path() + QStringLiteral("/web"));
    }

    void readProfileOfMissingFileFails()
    {
        const QString path = systemDir() + QStringLiteral("/missing");
        try {
            SystemKiosk().readProfile(path);
            QFAIL("no failure");
        } catch (const ReadFileException &e) {
            QCOMPARE(e.path(), path);
        }
    }

    void profilesAreReadAsUtf8WhateverTheLocale()
    {
        const QString path = QStringLiteral("/home/\u043f\u043e\u043b\u044c\u0437\u043e\u0432\u0430\u0442\u0435\u043b\u044c/\u0434\u043e\u043a");
        write(systemDir() + QStringLiteral("/docs"), QStringLiteral("+file r uo: %1\n").arg(path).toUtf8());
        QTextCodec *saved = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        QList<ProfileFile> profiles;
        try {
            profiles = SystemKiosk().readSystemProfiles();
        } catch (...) {
            QTextCodec::setCodecForLocale(saved);
            throw;
        }
        QTextCodec::setCodecForLocale(saved);
        QCOMPARE(profiles.size(), 1);
        QCOMPARE(profiles.first().data().objectRules().size(), 1);
        QCOMPARE(profiles.first().data().objectRules().values().first().filename(), path);
    }

    void oneUnreadableProfileFailsTheWholeRead_data()
    {
        QTest::addColumn<bool>("users");
        QTest::newRow("system") << false;
        QTest::newRow("disabled user") << true;
    }

    void oneUnreadableProfileFailsTheWholeRead()
    {
        QFETCH(bool, users);
        write(systemDir() + QStringLiteral("/a"), "");
        write(systemDir() + QStringLiteral("/b"), "");
        write(systemDir() + QStringLiteral("/c"), "");
        write(userDir() + QStringLiteral("/alice"), "");
        write(disabledDir() + QStringLiteral("/bob"), "");
        write(disabledDir() + QStringLiteral("/carol"), "");
        const QString locked = users ? disabledDir() + QStringLiteral("/bob") : systemDir() + QStringLiteral("/b");

        ReadAccessDrop drop(locked);
        if (!drop.isActive()) {
            QSKIP("this process cannot be kept from reading a file (root without a way to lower its capabilities)");
        }
        try {
            if (users) {
                SystemKiosk().readUserProfiles();
            } else {
                SystemKiosk().readSystemProfiles();
            }
            QFAIL("no failure");
        } catch (const ReadFileException &e) {
            QCOMPARE(e.path(), locked);
        }
    }

    void disabledUserProfileIsWrittenInItsDirectory()
    {
        const SystemKiosk kiosk;
        kiosk.updateUserProfile(QStringLiteral("disabled/alice"), QStringLiteral("@include base\n"));
        QCOMPARE(contentOf(disabledDir() + QStringLiteral("/alice")), QByteArray("@include base\n"));
        kiosk.updateUserProfile(QStringLiteral("bob"), QStringLiteral("@include web\n"));
        QCOMPARE(contentOf(userDir() + QStringLiteral("/bob")), QByteArray("@include web\n"));
        kiosk.updateSystemProfile(QStringLiteral("web"), QStringLiteral("+file r uo: /srv\n"));
        QCOMPARE(contentOf(systemDir() + QStringLiteral("/web")), QByteArray("+file r uo: /srv\n"));

        // Replaced whole, not appended to.
        kiosk.updateSystemProfile(QStringLiteral("web"), QStringLiteral("@include base\n"));
        QCOMPARE(contentOf(systemDir() + QStringLiteral("/web")), QByteArray("@include base\n"));

        const QList<UserProfileFile> users = kiosk.readUserProfiles();
        QCOMPARE(users.size(), 2);
        QCOMPARE(users.at(0).name(), QStringLiteral("bob"));
        QCOMPARE(users.at(1).name(), QStringLiteral("alice"));
        QVERIFY(!users.at(1).isEnable());
    }

    void writtenTextReadsBackTheSame()
    {
        const QString text =
            QStringLiteral("@include base\n+file rw u: /home/\u0430\u043b\u0438\u0441\u0430/my file\n+link ? ?: /usr/lib/x.so (deleted)\n# note \n");
        const SystemKiosk kiosk;
        kiosk.updateSystemProfile(QStringLiteral("web"), text);
        const ProfileData read = kiosk.readSystemProfiles().first().data();
        const ProfileData expected = ProfileParser::parseText(text).data();
        QCOMPARE(read.includes(), expected.includes());
        QCOMPARE(read.objectRules(), expected.objectRules());
        QCOMPARE(read.comments(), expected.comments());
    }

    void disableEnableAndRemove()
    {
        populate();
        const SystemKiosk kiosk;
        write(disabledDir() + QStringLiteral("/alice"), "stale\n");

        // Disabling over a stale disabled profile replaces it.
        kiosk.renameUserProfile(QStringLiteral("alice"), QStringLiteral("disabled/alice"));
        QVERIFY(!QFile::exists(userDir() + QStringLiteral("/alice")));
        QCOMPARE(contentOf(disabledDir() + QStringLiteral("/alice")), QByteArray("@include base\n"));

        kiosk.renameUserProfile(QStringLiteral("disabled/bob"), QStringLiteral("bob"));
        QCOMPARE(kiosk.users(), QSet<QString>{QStringLiteral("bob")});

        kiosk.renameSystemProfile(QStringLiteral("base"), QStringLiteral("common"));
        QCOMPARE(namesOf(kiosk.readSystemProfiles()), QStringList{QStringLiteral("common")});

        kiosk.removeUserProfile(QStringLiteral("disabled/alice"));
        kiosk.removeUserProfile(QStringLiteral("bob"));
        kiosk.removeSystemProfile(QStringLiteral("common"));
        QVERIFY(kiosk.readUserProfiles().isEmpty());
        QVERIFY(kiosk.readSystemProfiles().isEmpty());

        // Removing what is not there is no failure.
        kiosk.removeUserProfile(QStringLiteral("nobody"));
        kiosk.removeSystemProfile(QStringLiteral("nothing"));
    }

    void firstDisableCreatesDisabledDirectory()
    {
        write(userDir() + QStringLiteral("/alice"), "x\n");
        SystemKiosk().renameUserProfile(QStringLiteral("alice"), QStringLiteral("disabled/alice"));
        QCOMPARE(contentOf(disabledDir() + QStringLiteral("/alice")), QByteArray("x\n"));
    }

    void renameOfMissingProfileFails()
    {
        try {
            SystemKiosk().renameSystemProfile(QStringLiteral("ghost"), QStringLiteral("spirit"));
            QFAIL("no failure");
        } catch (const RenameFileException &e) {
            QCOMPARE(e.path(), systemDir() + QStringLiteral("/ghost"));
            QCOMPARE(e.newPath(), systemDir() + QStringLiteral("/spirit"));
        }
    }

    void refusedNamesChangeNothing_data()
    {
        QTest::addColumn<Operation>("operation");

        const QStringList badForBoth{QStringLiteral("a/b"),
                                     QStringLiteral("../x"),
                                     QStringLiteral(".."),
                                     QStringLiteral("."),
                                     QString(),
                                     QStringLiteral("/etc/passwd"),
                                     QStringLiteral("../../passwd"),
                                     QStringLiteral("disabled/../../x"),
                                     QStringLiteral("disabled/../alice"),
                                     QStringLiteral("disabled/./bob"),
                                     QStringLiteral("disabled//bob"),
                                     QStringLiteral("disabled/"),
                                     QStringLiteral("disabled/.."),
                                     QStringLiteral("disabled/a/b"),
                                     QStringLiteral("disabled/disabled/bob"),
                                     QStringLiteral("./alice"),
                                     QStringLiteral("alice/"),
                                     QStringLiteral("x") + QChar(0) + QStringLiteral("/../../x"),
                                     QStringLiteral("alice") + QChar(0)};
        QStringList badForSystem = badForBoth;
        badForSystem << QStringLiteral("disabled/bob") << QStringLiteral("disabled/alice");
        QStringList badForUser = badForBoth;
        badForUser << QStringLiteral("disabled");

        for (const QString &name : qAsConst(badForSystem)) {
            const QByteArray row = name.toUtf8().replace('\0', "\\0");
            QTest::addRow("update system %s", row.constData()) << Operation([name](const SystemKiosk &k) {
                k.updateSystemProfile(name, QStringLiteral("overwritten\n"));
            });
            QTest::addRow("rename system from %s", row.constData()) << Operation([name](const SystemKiosk &k) {
                k.renameSystemProfile(name, QStringLiteral("base"));
            });
            QTest::addRow("rename system to %s", row.constData()) << Operation([name](const SystemKiosk &k) {
                k.renameSystemProfile(QStringLiteral("base"), name);
            });
            QTest::addRow("remove system %s", row.constData()) << Operation([name](const SystemKiosk &k) {
                k.removeSystemProfile(name);
            });
        }
        for (const QString &name : qAsConst(badForUser)) {
            const QByteArray row = name.toUtf8().replace('\0', "\\0");
            QTest::addRow("update user %s", row.constData()) << Operation([name](const SystemKiosk &k) {
                k.updateUserProfile(name, QStringLiteral("overwritten\n"));
            });
            QTest::addRow("rename user from %s", row.constData()) << Operation([name](const SystemKiosk &k) {
                k.renameUserProfile(name, QStringLiteral("alice"));
            });
            QTest::addRow("rename user to %s", row.constData()) << Operation([name](const SystemKiosk &k) {
                k.renameUserProfile(QStringLiteral("alice"), name);
            });
            QTest::addRow("remove user %s", row.constData()) << Operation([name](const SystemKiosk &k) {
                k.removeUserProfile(name);
            });
        }
    }

    void refusedNamesChangeNothing()
    {
        QFETCH(Operation, operation);
        populate();
        const QMap<QString, QByteArray> before = snapshot();
        operation(SystemKiosk());
        QCOMPARE(snapshot(), before);
    }

    void linksInTheTreeAreRefused_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("write through linked disabled directory") << Operation([](const SystemKiosk &k) {
            k.updateUserProfile(QStringLiteral("disabled/x"), QStringLiteral("overwritten\n"));
        });
        QTest::newRow("disable into linked directory") << Operation([](const SystemKiosk &k) {
            k.renameUserProfile(QStringLiteral("alice"), QStringLiteral("disabled/x"));
        });
        QTest::newRow("enable from linked directory") << Operation([](const SystemKiosk &k) {
            k.renameUserProfile(QStringLiteral("disabled/x"), QStringLiteral("carol"));
        });
        QTest::newRow("remove from linked directory") << Operation([](const SystemKiosk &k) {
            k.removeUserProfile(QStringLiteral("disabled/x"));
        });
        QTest::newRow("write through linked system profile") << Operation([](const SystemKiosk &k) {
            k.updateSystemProfile(QStringLiteral("evil"), QStringLiteral("overwritten\n"));
        });
        QTest::newRow("write through linked user profile") << Operation([](const SystemKiosk &k) {
            k.updateUserProfile(QStringLiteral("mallory"), QStringLiteral("overwritten\n"));
        });
    }

    void linksInTheTreeAreRefused()
    {
        QFETCH(Operation, operation);
        populate();
        // The disabled directory replaced by a link to the directory holding
        // the victim; a profile replaced by a link to the password file.
        QVERIFY(QDir(disabledDir()).removeRecursively());
        QVERIFY(QFile::link(ScratchRoot::root() + QStringLiteral("/etc/tavrix"), disabledDir()));
        QVERIFY(QFile::link(ScratchRoot::root() + QStringLiteral("/etc/passwd"), systemDir() + QStringLiteral("/evil")));
        QVERIFY(QFile::link(ScratchRoot::root() + QStringLiteral("/etc/passwd"), userDir() + QStringLiteral("/mallory")));

        const QMap<QString, QByteArray> before = snapshot();
        // Skipped quietly, the change would be reported done and then be missing.
        QVERIFY_EXCEPTION_THROWN(operation(SystemKiosk()), DetailsException);
        QCOMPARE(snapshot(), before);
    }

    void linkedEntriesAreNamed()
    {
        populate();
        QVERIFY(QDir(disabledDir()).removeRecursively());
        QVERIFY(QFile::link(ScratchRoot::root() + QStringLiteral("/etc/tavrix"), disabledDir()));
        QVERIFY(QFile::link(ScratchRoot::root() + QStringLiteral("/etc/passwd"), systemDir() + QStringLiteral("/evil")));
        const SystemKiosk kiosk;
        QCOMPARE(kiosk.userProfileLink(QStringLiteral("disabled/alice")), disabledDir());
        QCOMPARE(kiosk.userProfileLink(QStringLiteral("alice")), QString());
        QCOMPARE(kiosk.systemProfileLink(QStringLiteral("evil")), systemDir() + QStringLiteral("/evil"));
        QCOMPARE(kiosk.systemProfileLink(QStringLiteral("base")), QString());
    }

    void entriesSwappedForLinksNeverLeadOut_data()
    {
        QTest::addColumn<QString>("swapped");
        QTest::addColumn<Operation>("save");
        QTest::newRow("system profile") << systemDir() + QStringLiteral("/base") << Operation([](const SystemKiosk &k) {
            k.updateSystemProfile(QStringLiteral("base"), QStringLiteral("overwritten\n"));
        });
        QTest::newRow("disabled directory") << disabledDir() << Operation([](const SystemKiosk &k) {
            k.updateUserProfile(QStringLiteral("disabled/x"), QStringLiteral("overwritten\n"));
        });
    }

    void entriesSwappedForLinksNeverLeadOut()
    {
        // Someone who can write into the tree swaps an entry back and forth
        // between what the store expects and a link to a victim outside it,
        // as fast as they can, while the store saves.
        QFETCH(QString, swapped);
        QFETCH(Operation, save);
        populate();
        const QString victimDir = ScratchRoot::root() + QStringLiteral("/etc/tavrix");
        const QString victim = victimDir + QStringLiteral("/x");
        const bool directory = swapped == disabledDir();
        const QString link = swapped + QStringLiteral(".link");
        const QString real = swapped + QStringLiteral(".real");
        QVERIFY(QFile::link(directory ? victimDir : victim, link));
        if (directory) {
            QVERIFY(QDir().mkpath(real));
        } else {
            write(real, "real\n");
        }
        const QByteArray realPath = QFile::encodeName(real);
        const QByteArray linkPath = QFile::encodeName(link);
        const QByteArray swappedPath = QFile::encodeName(swapped);

        std::atomic<bool> stop{false};
        std::thread swapper([&] {
            while (!stop) {
                // Exchanging keeps both names present, so each save meets one or the other.
                ::syscall(SYS_renameat2, AT_FDCWD, realPath.constData(), AT_FDCWD, swappedPath.constData(), RENAME_EXCHANGE);
                ::syscall(SYS_renameat2, AT_FDCWD, linkPath.constData(), AT_FDCWD, swappedPath.constData(), RENAME_EXCHANGE);
            }
        });
        for (int i = 0; i < 500; ++i) {
            write(victim, "victim\n");
            try {
                save(SystemKiosk());
            } catch (const DetailsException &) {
                // Refusing a link it met is fine; following it is not.
            }
            if (contentOf(victim) != QByteArray("victim\n")) {
                break;
            }
        }
        stop = true;
        swapper.join();
        QCOMPARE(contentOf(victim), QByteArray("victim\n"));
    }

    void treeOthersMayChangeIsRefused_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<uint>("mode");
        QTest::addColumn<uint>("owner");
        QTest::addColumn<Operation>("save");
        const Operation system = [](const SystemKiosk &k) {
            k.updateSystemProfile(QStringLiteral("base"), QStringLiteral("x\n"));
        };
        QTest::newRow("group-writable") << systemDir() << 0775u << 0u << system;
        QTest::newRow("world-writable") << systemDir() << 0777u << 0u << system;
        QTest::newRow("owned by another account") << systemDir() << 0755u << 1234u << system;
        QTest::newRow("disabled directory world-writable") << disabledDir() << 0777u << 0u << Operation([](const SystemKiosk &k) {
            k.renameUserProfile(QStringLiteral("alice"), QStringLiteral("disabled/alice"));
        });
    }

    void treeOthersMayChangeIsRefused()
    {
        QFETCH(QString, dir);
        QFETCH(uint, mode);
        QFETCH(uint, owner);
        QFETCH(Operation, save);
        populate();
        QCOMPARE(::chmod(QFile::encodeName(dir).constData(), mode), 0);
        QCOMPARE(::chown(QFile::encodeName(dir).constData(), owner, 0), 0);
        const QMap<QString, QByteArray> before = snapshot();
        try {
            save(SystemKiosk());
            QFAIL("no failure");
        } catch (const WriteFileException &e) {
            QCOMPARE(e.path(), dir);
        }
        QCOMPARE(snapshot(), before);
    }

    void modesAreTheHelpersOwn()
    {
        // Under umask 000 root would leave the tree writable by everyone.
        populate();
        const QString profile = systemDir() + QStringLiteral("/base");
        QCOMPARE(::chown(QFile::encodeName(profile).constData(), 1234, 4321), 0);
        QCOMPARE(::chmod(QFile::encodeName(profile).constData(), 0600), 0);
        QVERIFY(QDir(disabledDir()).removeRecursively());
        const mode_t oldMask = ::umask(0);
        const SystemKiosk kiosk;
        kiosk.updateSystemProfile(QStringLiteral("base"), QStringLiteral("@include web\n"));
        kiosk.updateSystemProfile(QStringLiteral("web"), QStringLiteral("+file r uo: /srv\n"));
        kiosk.renameUserProfile(QStringLiteral("alice"), QStringLiteral("disabled/alice"));
        kiosk.updateUserProfile(QStringLiteral("disabled/carol"), QStringLiteral("@include web\n"));
        kiosk.enableAutoEnforce(true);
        ::umask(oldMask);

        const auto statusOf = [](const QString &path) {
            struct stat status {
            };
            ::lstat(QFile::encodeName(path).constData(), &status);
            return status;
        };
        QCOMPARE(statusOf(disabledDir()).st_mode & 07777, mode_t(0755));
        for (const QString &file : QStringList{profile,
                                               systemDir() + QStringLiteral("/web"),
                                               disabledDir() + QStringLiteral("/carol"),
                                               QString::fromUtf8(SystemPaths::autoEnforceFile)}) {
            QCOMPARE(statusOf(file).st_mode & 07777, mode_t(0644));
        }
        // The administrator's choice of owner survives a save.
        QCOMPARE(statusOf(profile).st_uid, uid_t(1234));
        QCOMPARE(statusOf(profile).st_gid, gid_t(4321));
        QCOMPARE(statusOf(systemDir() + QStringLiteral("/web")).st_uid, uid_t(0));
    }

    void switchFilesAreReplacedWhole_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Operation>("enable");
        QTest::addColumn<bool>("inPlace");
        // Module parameters cannot be renamed over; files under /etc can.
        QTest::newRow("enforce") << QString::fromUtf8(SystemPaths::enforceParameter) << Operation([](const SystemKiosk &k) {
            k.enableEnforce(true);
        }) << true;
        QTest::newRow("auto enforce") << QString::fromUtf8(SystemPaths::autoEnforceFile) << Operation([](const SystemKiosk &k) {
            k.enableAutoEnforce(true);
        }) << false;
        QTest::newRow("auto complain") << QString::fromUtf8(SystemPaths::autoComplainFile) << Operation([](const SystemKiosk &k) {
            k.enableAutoComplain(true);
        }) << false;
    }

    void switchFilesAreReplacedWhole()
    {
        // Truncated and rewritten in place, a crash in between leaves an empty
        // switch, which reads as off: kiosk mode gone after the next boot.
        QFETCH(QString, path);
        QFETCH(Operation, enable);
        QFETCH(bool, inPlace);
        write(path, "0\n");
        const auto inode = [&path] {
            struct stat status {
            };
            ::lstat(QFile::encodeName(path).constData(), &status);
            return status.st_ino;
        };
        const ino_t before = inode();
        const QStringList entriesBefore = QDir(QFileInfo(path).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        enable(SystemKiosk());
        QCOMPARE(contentOf(path), QByteArray("1\n"));
        QCOMPARE(inode() == before, inPlace);
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), entriesBefore);
    }

    void pathValidity_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("system");
        QTest::addColumn<bool>("user");

        QTest::newRow("system profile") << systemDir() + QStringLiteral("/base") << true << false;
        QTest::newRow("enabled user") << userDir() + QStringLiteral("/alice") << false << true;
        QTest::newRow("disabled user") << disabledDir() + QStringLiteral("/alice") << false << true;
        QTest::newRow("name with spaces") << systemDir() + QStringLiteral("/my profile") << true << false;
        QTest::newRow("the directory itself") << systemDir() << false << false;
        QTest::newRow("trailing slash") << systemDir() + QStringLiteral("/") << false << false;
        QTest::newRow("a level too deep") << systemDir() + QStringLiteral("/a/b") << false << false;
        QTest::newRow("dot dot") << systemDir() + QStringLiteral("/../kiosk2-profiles/base") << false << false;
        QTest::newRow("back into the same directory") << systemDir() + QStringLiteral("/sub/../base") << false << false;
        QTest::newRow("escape from disabled") << disabledDir() + QStringLiteral("/../../x") << false << false;
        QTest::newRow("double slash") << userDir() + QStringLiteral("//alice") << false << false;
        QTest::newRow("relative") << QStringLiteral("base") << false << false;
        QTest::newRow("the disabled directory as a user") << disabledDir() << false << false;
        QTest::newRow("NUL") << userDir() + QStringLiteral("/alice") + QChar(0) << false << false;
        QTest::newRow("elsewhere") << QStringLiteral("/etc/passwd") << false << false;
    }

    void pathValidity()
    {
        QFETCH(QString, path);
        QFETCH(bool, system);
        QFETCH(bool, user);
        const SystemKiosk kiosk;
        QCOMPARE(kiosk.systemProfilePathIsValid(path), system);
        QCOMPARE(kiosk.userProfilePathIsValid(path), user);
    }

    void failedWriteKeepsPreviousProfile()
    {
        populate();
        const QString text = QStringLiteral("+file r uo: /srv/%1\n").arg(QString(8192, QLatin1Char('x')));
        {
            FileSizeLimit limit(256);
            if (!limit.isActive()) {
                QSKIP("cannot limit the file size of this process");
            }
            QVERIFY_EXCEPTION_THROWN(SystemKiosk().updateSystemProfile(QStringLiteral("base"), text), WriteFileException);
            QVERIFY_EXCEPTION_THROWN(SystemKiosk().updateUserProfile(QStringLiteral("disabled/bob"), text), WriteFileException);
        }
        QCOMPARE(contentOf(systemDir() + QStringLiteral("/base")), QByteArray("+file r uo: /usr/lib\n"));
        QCOMPARE(contentOf(disabledDir() + QStringLiteral("/bob")), QByteArray("@include base\n"));
        // No save file left behind to be read as a profile or to fill the disk.
        QCOMPARE(QDir(systemDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("base")});
    }

    void writeFailuresAreReported()
    {
        // A regular file where the disabled directory belongs.
        write(disabledDir(), "not a directory\n");
        QVERIFY_EXCEPTION_THROWN(SystemKiosk().updateUserProfile(QStringLiteral("disabled/alice"), QStringLiteral("x\n")), CreateDirException);
        write(userDir() + QStringLiteral("/alice"), "@include base\n");
        QVERIFY_EXCEPTION_THROWN(SystemKiosk().renameUserProfile(QStringLiteral("alice"), QStringLiteral("disabled/alice")), CreateDirException);
        QCOMPARE(contentOf(userDir() + QStringLiteral("/alice")), QByteArray("@include base\n"));
        QCOMPARE(contentOf(disabledDir()), QByteArray("not a directory\n"));

        // A directory where a profile belongs.
        QVERIFY(QDir().mkpath(systemDir() + QStringLiteral("/web/inner")));
        try {
            SystemKiosk().updateSystemProfile(QStringLiteral("web"), QStringLiteral("x\n"));
            QFAIL("no failure");
        } catch (const WriteFileException &e) {
            QCOMPARE(e.path(), systemDir() + QStringLiteral("/web"));
        }
        QVERIFY(QFileInfo(systemDir() + QStringLiteral("/web/inner")).isDir());
    }
};

QTEST_GUILESS_MAIN(SystemKioskTest)

#include "systemkiosktest.moc"
