/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "store/systemkiosk.h"
#include "store/fileutils.h"
#include "failures/createdirexception.h"
#include "failures/detailsexception.h"
#include "failures/readfileexception.h"
#include "failures/renamefileexception.h"
#include "failures/writefileexception.h"
#include "profile/profileparser.h"
#include "systempaths.h"

#include "filesizelimit.h"
#include "kiosktree.h"
#include "readaccessdrop.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{
QStringList namesOf(const QList<ProfileFile> &profiles)
{
    QStringList names;
    for (const ProfileFile &profile : profiles) {
        names.append(profile.name());
    }
    return names;
}

using Operation = std::function<void(const SystemKiosk &)>;
using Switch = void (SystemKiosk::*)(bool) const;
}

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(Switch)

class SystemKioskTest : public QObject
{
    Q_OBJECT

private:
    // A populated tree with files the store must never reach: beside the
    // profile directories, and above them.
    void populate()
    {
        KioskTree::write(KioskTree::systemProfilesDir() + QStringLiteral("/base"), "+file r uo: /usr/lib\n");
        KioskTree::write(KioskTree::userProfilesDir() + QStringLiteral("/alice"), "@include base\n");
        KioskTree::write(KioskTree::disabledUsersDir() + QStringLiteral("/bob"), "@include base\n");
        KioskTree::write(KioskTree::root() + QStringLiteral("/etc/passwd"), "root:x:0:0::/root:/bin/bash\n");
        KioskTree::write(KioskTree::root() + QStringLiteral("/etc/tavrix/x"), "victim\n");
        KioskTree::write(KioskTree::root() + QStringLiteral("/x"), "victim\n");
    }

    // The populated tree with its disabled directory replaced by a link to the
    // directory holding the victim, and profiles by links to the password file.
    void linkTheTree()
    {
        populate();
        QVERIFY(QDir(KioskTree::disabledUsersDir()).removeRecursively());
        QVERIFY(QFile::link(KioskTree::root() + QStringLiteral("/etc/tavrix"), KioskTree::disabledUsersDir()));
        QVERIFY(QFile::link(KioskTree::root() + QStringLiteral("/etc/passwd"), KioskTree::systemProfilesDir() + QStringLiteral("/evil")));
        QVERIFY(QFile::link(KioskTree::root() + QStringLiteral("/etc/passwd"), KioskTree::userProfilesDir() + QStringLiteral("/mallory")));
    }

private Q_SLOTS:
    void init()
    {
        KioskTree::reset();
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
        TestFiles::write(path, content);
        QCOMPARE(KioskTree::kiosk().fileValue(path), on);
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
        KioskTree::setSwitches(enforce, autoEnforce, complain, autoComplain);

        const SystemKiosk kiosk;
        QCOMPARE(kiosk.enforce(), enforce);
        QCOMPARE(kiosk.autoEnforce(), autoEnforce);
        QCOMPARE(kiosk.complain(), complain);
        QCOMPARE(kiosk.autoComplain(), autoComplain);
    }

    void switchWritersReplaceTheirOwnFileWhole_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Switch>("enable");
        QTest::addColumn<bool>("inPlace");
        // Module parameters cannot be renamed over; files under /etc can.
        QTest::newRow("enforce") << KioskTree::moved(SystemPaths::enforceParameter) << Switch(&SystemKiosk::enableEnforce) << true;
        QTest::newRow("auto enforce") << KioskTree::moved(SystemPaths::autoEnforceFile) << Switch(&SystemKiosk::enableAutoEnforce) << false;
        QTest::newRow("complain") << KioskTree::moved(SystemPaths::complainParameter) << Switch(&SystemKiosk::enableComplain) << true;
        QTest::newRow("auto complain") << KioskTree::moved(SystemPaths::autoComplainFile) << Switch(&SystemKiosk::enableAutoComplain) << false;
    }

    void switchWritersReplaceTheirOwnFileWhole()
    {
        // Truncated and rewritten in place, a crash in between leaves an empty
        // switch, which reads as off: kiosk mode gone after the next boot.
        QFETCH(QString, path);
        QFETCH(Switch, enable);
        QFETCH(bool, inPlace);
        const QStringList all{KioskTree::moved(SystemPaths::enforceParameter),
                              KioskTree::moved(SystemPaths::autoEnforceFile),
                              KioskTree::moved(SystemPaths::complainParameter),
                              KioskTree::moved(SystemPaths::autoComplainFile)};
        for (const QString &file : all) {
            KioskTree::write(file, "0\n");
        }
        const auto inode = [&path] {
            struct stat status {
            };
            ::lstat(QFile::encodeName(path).constData(), &status);
            return status.st_ino;
        };
        const ino_t before = inode();
        const QStringList entriesBefore = QDir(QFileInfo(path).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        (KioskTree::kiosk().*enable)(true);
        for (const QString &file : all) {
            QCOMPARE(TestFiles::read(file), file == path ? QByteArray("1\n") : QByteArray("0\n"));
        }
        QCOMPARE(inode() == before, inPlace);
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), entriesBefore);
    }

    void missingModuleParameterFailsRead()
    {
        // Module not loaded: no parameter files at all.
        try {
            KioskTree::kiosk().enforce();
            QFAIL("no failure");
        } catch (const ReadFileException &e) {
            QCOMPARE(e.path(), KioskTree::moved(SystemPaths::enforceParameter));
            QVERIFY(!e.details().isEmpty());
        }
        QVERIFY_EXCEPTION_THROWN(KioskTree::kiosk().complain(), ReadFileException);
    }

    void readUserProfilesEnabledThenDisabled()
    {
        QVERIFY(KioskTree::kiosk().readSystemProfiles().isEmpty());
        QVERIFY(KioskTree::kiosk().readUserProfiles().isEmpty());
        QVERIFY(KioskTree::kiosk().users().isEmpty());

        KioskTree::write(KioskTree::disabledUsersDir() + QStringLiteral("/carol"), "@include office\n");
        KioskTree::write(KioskTree::userProfilesDir() + QStringLiteral("/alice"), "@include base\n+file r uo: /srv/a\n");
        KioskTree::write(KioskTree::disabledUsersDir() + QStringLiteral("/bob"), "");
        KioskTree::write(KioskTree::userProfilesDir() + QStringLiteral("/Dave"), "");

        const QList<UserProfileFile> users = KioskTree::kiosk().readUserProfiles();
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

        QCOMPARE(KioskTree::kiosk().users(), (QSet<QString>{QStringLiteral("alice"), QStringLiteral("Dave")}));
    }

    void onlyVisibleRegularFilesAreProfiles()
    {
        KioskTree::write(KioskTree::systemProfilesDir() + QStringLiteral("/office"), "@include base\n");
        KioskTree::write(KioskTree::systemProfilesDir() + QStringLiteral("/base"), "");
        KioskTree::write(KioskTree::systemProfilesDir() + QStringLiteral("/.hidden"), "@include secret\n");
        KioskTree::write(KioskTree::systemProfilesDir() + QStringLiteral("/sub/inner"), "");
        KioskTree::write(KioskTree::root() + QStringLiteral("/outside"), "@include secret\n");
        QVERIFY(QFile::link(KioskTree::root() + QStringLiteral("/outside"), KioskTree::systemProfilesDir() + QStringLiteral("/link")));
        QCOMPARE(mkfifo(QFile::encodeName(KioskTree::systemProfilesDir() + QStringLiteral("/fifo")).constData(), 0600), 0);
        KioskTree::write(KioskTree::userProfilesDir() + QStringLiteral("/alice"), "");
        QVERIFY(QFile::link(KioskTree::userProfilesDir() + QStringLiteral("/alice"), KioskTree::userProfilesDir() + QStringLiteral("/mallory")));

        const SystemKiosk kiosk;
        QCOMPARE(namesOf(kiosk.readSystemProfiles()), (QStringList{QStringLiteral("base"), QStringLiteral("office")}));
        QCOMPARE(kiosk.users(), QSet<QString>{QStringLiteral("alice")});
    }

    void readProfilesNamesByFileName()
    {
        QTemporaryDir dir;
        TestFiles::write(dir.path() + QStringLiteral("/web"), "@include base\n");
        const QList<ProfileFile> profiles = KioskTree::kiosk().readDirProfiles(dir.path());
        QCOMPARE(profiles.size(), 1);
        QCOMPARE(profiles.first().name(), QStringLiteral("web"));
        QVERIFY(profiles.first().exists());

        // readProfile alone keeps the path it was given as the name.
        QCOMPARE(KioskTree::kiosk().readProfile(dir.path() + QStringLiteral("/web")).name(), dir.path() + QStringLiteral("/web"));
        try {
            KioskTree::kiosk().readProfile(dir.path() + QStringLiteral("/missing"));
            QFAIL("no failure");
        } catch (const ReadFileException &e) {
            QCOMPARE(e.path(), dir.path() + QStringLiteral("/missing"));
        }
    }

    void profilesAreReadAsUtf8WhateverTheLocale()
    {
        const QString path = QStringLiteral("/home/\u043f\u043e\u043b\u044c\u0437\u043e\u0432\u0430\u0442\u0435\u043b\u044c/\u0434\u043e\u043a");
        KioskTree::write(KioskTree::systemProfilesDir() + QStringLiteral("/docs"), QStringLiteral("+file r uo: %1\n").arg(path).toUtf8());
        // The locale's codec is put back however the test ends.
        const std::unique_ptr<QTextCodec, void (*)(QTextCodec *)> saved(QTextCodec::codecForLocale(), &QTextCodec::setCodecForLocale);
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        const QList<ProfileFile> profiles = KioskTree::kiosk().readSystemProfiles();
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
        KioskTree::write(KioskTree::systemProfilesDir() + QStringLiteral("/a"), "");
        KioskTree::write(KioskTree::systemProfilesDir() + QStringLiteral("/b"), "");
        KioskTree::write(KioskTree::systemProfilesDir() + QStringLiteral("/c"), "");
        KioskTree::write(KioskTree::userProfilesDir() + QStringLiteral("/alice"), "");
        KioskTree::write(KioskTree::disabledUsersDir() + QStringLiteral("/bob"), "");
        KioskTree::write(KioskTree::disabledUsersDir() + QStringLiteral("/carol"), "");
        const QString locked = users ? KioskTree::disabledUsersDir() + QStringLiteral("/bob") : KioskTree::systemProfilesDir() + QStringLiteral("/b");

        ReadAccessDrop drop(locked);
        if (!drop.isActive()) {
            QSKIP("this process cannot be kept from reading a file (root without a way to lower its capabilities)");
        }
        try {
            if (users) {
                KioskTree::kiosk().readUserProfiles();
            } else {
                KioskTree::kiosk().readSystemProfiles();
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
        QCOMPARE(TestFiles::read(KioskTree::disabledUsersDir() + QStringLiteral("/alice")), QByteArray("@include base\n"));
        kiosk.updateUserProfile(QStringLiteral("bob"), QStringLiteral("@include web\n"));
        QCOMPARE(TestFiles::read(KioskTree::userProfilesDir() + QStringLiteral("/bob")), QByteArray("@include web\n"));
        kiosk.updateSystemProfile(QStringLiteral("web"), QStringLiteral("+file r uo: /srv\n"));
        QCOMPARE(TestFiles::read(KioskTree::systemProfilesDir() + QStringLiteral("/web")), QByteArray("+file r uo: /srv\n"));

        // Replaced whole, not appended to, and read back the same.
        const QString text =
            QStringLiteral("@include base\n+file rw u: /home/\u0430\u043b\u0438\u0441\u0430/my file\n+link ? ?: /usr/lib/x.so (deleted)\n# note \n");
        kiosk.updateSystemProfile(QStringLiteral("web"), text);
        QCOMPARE(TestFiles::read(KioskTree::systemProfilesDir() + QStringLiteral("/web")), text.toUtf8());
        const ProfileData read = kiosk.readSystemProfiles().first().data();
        const ProfileData expected = ProfileParser::parseText(text).data();
        QCOMPARE(read.includes(), expected.includes());
        QCOMPARE(read.objectRules(), expected.objectRules());
        QCOMPARE(read.comments(), expected.comments());

        const QList<UserProfileFile> users = kiosk.readUserProfiles();
        QCOMPARE(users.size(), 2);
        QCOMPARE(users.at(0).name(), QStringLiteral("bob"));
        QCOMPARE(users.at(1).name(), QStringLiteral("alice"));
        QVERIFY(!users.at(1).isEnable());
    }

    void disableEnableAndRemove()
    {
        populate();
        const SystemKiosk kiosk;
        KioskTree::write(KioskTree::disabledUsersDir() + QStringLiteral("/alice"), "stale\n");

        // Disabling over a stale disabled profile replaces it.
        kiosk.renameUserProfile(QStringLiteral("alice"), QStringLiteral("disabled/alice"));
        QVERIFY(!QFile::exists(KioskTree::userProfilesDir() + QStringLiteral("/alice")));
        QCOMPARE(TestFiles::read(KioskTree::disabledUsersDir() + QStringLiteral("/alice")), QByteArray("@include base\n"));

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
        // Renaming it is.
        try {
            kiosk.renameSystemProfile(QStringLiteral("ghost"), QStringLiteral("spirit"));
            QFAIL("no failure");
        } catch (const RenameFileException &e) {
            QCOMPARE(e.path(), KioskTree::systemProfilesDir() + QStringLiteral("/ghost"));
            QCOMPARE(e.newPath(), KioskTree::systemProfilesDir() + QStringLiteral("/spirit"));
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
        const QMap<QString, QByteArray> before = KioskTree::snapshot(KioskTree::Scope::WholeRoot);
        operation(KioskTree::kiosk());
        QCOMPARE(KioskTree::snapshot(KioskTree::Scope::WholeRoot), before);
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
        linkTheTree();
        const QMap<QString, QByteArray> before = KioskTree::snapshot(KioskTree::Scope::WholeRoot);
        // Skipped quietly, the change would be reported done and then be missing.
        QVERIFY_EXCEPTION_THROWN(operation(KioskTree::kiosk()), DetailsException);
        QCOMPARE(KioskTree::snapshot(KioskTree::Scope::WholeRoot), before);
    }

    void linkedEntriesAreNamed()
    {
        linkTheTree();
        const SystemKiosk kiosk;
        QCOMPARE(kiosk.userProfileLink(QStringLiteral("disabled/alice")), KioskTree::disabledUsersDir());
        QCOMPARE(kiosk.userProfileLink(QStringLiteral("alice")), QString());
        QCOMPARE(kiosk.userProfileLink(QStringLiteral("mallory")), KioskTree::userProfilesDir() + QStringLiteral("/mallory"));
        QCOMPARE(kiosk.systemProfileLink(QStringLiteral("evil")), KioskTree::systemProfilesDir() + QStringLiteral("/evil"));
        QCOMPARE(kiosk.systemProfileLink(QStringLiteral("base")), QString());
    }

    void entriesSwappedForLinksNeverLeadOut_data()
    {
        QTest::addColumn<QString>("swapped");
        QTest::addColumn<Operation>("save");
        QTest::newRow("system profile") << KioskTree::systemProfilesDir() + QStringLiteral("/base") << Operation([](const SystemKiosk &k) {
            k.updateSystemProfile(QStringLiteral("base"), QStringLiteral("overwritten\n"));
        });
        QTest::newRow("disabled directory") << KioskTree::disabledUsersDir() << Operation([](const SystemKiosk &k) {
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
        const QString victimDir = KioskTree::root() + QStringLiteral("/etc/tavrix");
        const QString victim = victimDir + QStringLiteral("/x");
        const bool directory = swapped == KioskTree::disabledUsersDir();
        const QString link = swapped + QStringLiteral(".link");
        const QString real = swapped + QStringLiteral(".real");
        QVERIFY(QFile::link(directory ? victimDir : victim, link));
        if (directory) {
            QVERIFY(QDir().mkpath(real));
        } else {
            KioskTree::write(real, "real\n");
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
            KioskTree::write(victim, "victim\n");
            try {
                save(KioskTree::kiosk());
            } catch (const DetailsException &) {
                // Refusing a link it met is fine; following it is not.
            }
            if (TestFiles::read(victim) != QByteArray("victim\n")) {
                break;
            }
        }
        stop = true;
        swapper.join();
        QCOMPARE(TestFiles::read(victim), QByteArray("victim\n"));
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
        QTest::newRow("group-writable") << KioskTree::systemProfilesDir() << 0775u << 0u << system;
        QTest::newRow("world-writable") << KioskTree::systemProfilesDir() << 0777u << 0u << system;
        QTest::newRow("owned by another account") << KioskTree::systemProfilesDir() << 0755u << 1234u << system;
        QTest::newRow("disabled directory world-writable") << KioskTree::disabledUsersDir() << 0777u << 0u << Operation([](const SystemKiosk &k) {
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
        const QMap<QString, QByteArray> before = KioskTree::snapshot(KioskTree::Scope::WholeRoot);
        try {
            save(KioskTree::kiosk());
            QFAIL("no failure");
        } catch (const WriteFileException &e) {
            QCOMPARE(e.path(), dir);
        }
        QCOMPARE(KioskTree::snapshot(KioskTree::Scope::WholeRoot), before);
    }

    void modesAreTheHelpersOwn()
    {
        // Under umask 000 root would leave the tree writable by everyone.
        populate();
        const QString profile = KioskTree::systemProfilesDir() + QStringLiteral("/base");
        QCOMPARE(::chown(QFile::encodeName(profile).constData(), 1234, 4321), 0);
        QCOMPARE(::chmod(QFile::encodeName(profile).constData(), 0600), 0);
        QVERIFY(QDir(KioskTree::disabledUsersDir()).removeRecursively());
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
        // The first disabling makes the disabled directory.
        QCOMPARE(TestFiles::read(KioskTree::disabledUsersDir() + QStringLiteral("/alice")), QByteArray("@include base\n"));
        QCOMPARE(statusOf(KioskTree::disabledUsersDir()).st_mode & 07777, mode_t(0755));
        for (const QString &file : QStringList{profile,
                                               KioskTree::systemProfilesDir() + QStringLiteral("/web"),
                                               KioskTree::disabledUsersDir() + QStringLiteral("/carol"),
                                               KioskTree::moved(SystemPaths::autoEnforceFile)}) {
            QCOMPARE(statusOf(file).st_mode & 07777, mode_t(0644));
        }
        // The administrator's choice of owner survives a save.
        QCOMPARE(statusOf(profile).st_uid, uid_t(1234));
        QCOMPARE(statusOf(profile).st_gid, gid_t(4321));
        QCOMPARE(statusOf(KioskTree::systemProfilesDir() + QStringLiteral("/web")).st_uid, uid_t(0));
    }

    void pathValidity_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("system");
        QTest::addColumn<bool>("user");

        QTest::newRow("system profile") << KioskTree::systemProfilesDir() + QStringLiteral("/base") << true << false;
        QTest::newRow("enabled user") << KioskTree::userProfilesDir() + QStringLiteral("/alice") << false << true;
        QTest::newRow("disabled user") << KioskTree::disabledUsersDir() + QStringLiteral("/alice") << false << true;
        QTest::newRow("name with spaces") << KioskTree::systemProfilesDir() + QStringLiteral("/my profile") << true << false;
        QTest::newRow("the directory itself") << KioskTree::systemProfilesDir() << false << false;
        QTest::newRow("trailing slash") << KioskTree::systemProfilesDir() + QStringLiteral("/") << false << false;
        QTest::newRow("a level too deep") << KioskTree::systemProfilesDir() + QStringLiteral("/a/b") << false << false;
        QTest::newRow("dot dot") << KioskTree::systemProfilesDir() + QStringLiteral("/../kiosk2-profiles/base") << false << false;
        QTest::newRow("back into the same directory") << KioskTree::systemProfilesDir() + QStringLiteral("/sub/../base") << false << false;
        QTest::newRow("escape from disabled") << KioskTree::disabledUsersDir() + QStringLiteral("/../../x") << false << false;
        QTest::newRow("double slash") << KioskTree::userProfilesDir() + QStringLiteral("//alice") << false << false;
        QTest::newRow("relative") << QStringLiteral("base") << false << false;
        QTest::newRow("the disabled directory as a user") << KioskTree::disabledUsersDir() << false << false;
        QTest::newRow("NUL") << KioskTree::userProfilesDir() + QStringLiteral("/alice") + QChar(0) << false << false;
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
            QVERIFY_EXCEPTION_THROWN(KioskTree::kiosk().updateSystemProfile(QStringLiteral("base"), text), WriteFileException);
            QVERIFY_EXCEPTION_THROWN(KioskTree::kiosk().updateUserProfile(QStringLiteral("disabled/bob"), text), WriteFileException);
        }
        QCOMPARE(TestFiles::read(KioskTree::systemProfilesDir() + QStringLiteral("/base")), QByteArray("+file r uo: /usr/lib\n"));
        QCOMPARE(TestFiles::read(KioskTree::disabledUsersDir() + QStringLiteral("/bob")), QByteArray("@include base\n"));
        // No save file left behind to be read as a profile or to fill the disk.
        QCOMPARE(QDir(KioskTree::systemProfilesDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("base")});
    }

    void writeFailuresAreReported()
    {
        // A regular file where the disabled directory belongs.
        KioskTree::write(KioskTree::disabledUsersDir(), "not a directory\n");
        QVERIFY_EXCEPTION_THROWN(KioskTree::kiosk().updateUserProfile(QStringLiteral("disabled/alice"), QStringLiteral("x\n")), CreateDirException);
        KioskTree::write(KioskTree::userProfilesDir() + QStringLiteral("/alice"), "@include base\n");
        QVERIFY_EXCEPTION_THROWN(KioskTree::kiosk().renameUserProfile(QStringLiteral("alice"), QStringLiteral("disabled/alice")), CreateDirException);
        QCOMPARE(TestFiles::read(KioskTree::userProfilesDir() + QStringLiteral("/alice")), QByteArray("@include base\n"));
        QCOMPARE(TestFiles::read(KioskTree::disabledUsersDir()), QByteArray("not a directory\n"));

        // A directory where a profile belongs.
        QVERIFY(QDir().mkpath(KioskTree::systemProfilesDir() + QStringLiteral("/web/inner")));
        try {
            KioskTree::kiosk().updateSystemProfile(QStringLiteral("web"), QStringLiteral("x\n"));
            QFAIL("no failure");
        } catch (const WriteFileException &e) {
            QCOMPARE(e.path(), KioskTree::systemProfilesDir() + QStringLiteral("/web"));
        }
        QVERIFY(QFileInfo(KioskTree::systemProfilesDir() + QStringLiteral("/web/inner")).isDir());
    }

    void userEntryNamesBothWays_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("name");
        QTest::newRow("enabled") << QStringLiteral("alice") << true << QStringLiteral("alice");
        QTest::newRow("disabled") << QStringLiteral("alice") << false << QStringLiteral("disabled/alice");
    }

    void userEntryNamesBothWays()
    {
        QFETCH(QString, account);
        QFETCH(bool, enabled);
        QFETCH(QString, name);
        QCOMPARE(SystemKiosk::userEntryName(account, enabled), name);
        bool readEnabled = !enabled;
        QCOMPARE(SystemKiosk::accountOfUserEntry(name, &readEnabled), account);
        QCOMPARE(readEnabled, enabled);
        const std::optional<SystemKiosk::Entry> entry = SystemKiosk::userEntry(name);
        QVERIFY(entry);
        QCOMPARE(SystemKiosk::entryName(*entry), name);
    }

    // A tree or root given at run time is the only one reached: another
    // machine's copy is read and written where it lies, the build's own stays
    // as it was.
    void givenTreeOrRootIsTheOnlyOneReached()
    {
        populate();
        const KioskTree::Snapshot before = KioskTree::snapshot(KioskTree::Scope::WholeRoot);
        QTemporaryDir other;
        QVERIFY(other.isValid());
        const SystemKiosk kiosk = SystemKiosk::ofTree(other.path() + QStringLiteral("/tree/"));
        kiosk.updateSystemProfile(QStringLiteral("web"), QStringLiteral("+file r uo: /srv\n"));
        kiosk.updateUserProfile(QStringLiteral("disabled/carol"), QStringLiteral("@include web\n"));
        kiosk.enableAutoEnforce(true);
        QCOMPARE(namesOf(kiosk.readSystemProfiles()), QStringList{QStringLiteral("web")});
        QCOMPARE(kiosk.profileTexts(SystemKiosk::Directory::Disabled), (QMap<QString, QByteArray>{{QStringLiteral("carol"), "@include web\n"}}));
        QVERIFY(kiosk.autoEnforce());
        QCOMPARE(kiosk.treeDir(), other.path() + QStringLiteral("/tree"));
        QCOMPARE(QFileInfo(kiosk.path(SystemKiosk::Directory::Disabled)).path(), kiosk.path(SystemKiosk::Directory::Users));
        QVERIFY(kiosk.path(SystemKiosk::Directory::System).startsWith(kiosk.treeDir() + QLatin1Char('/')));
        // No module parameters given: the "now" switches are those of a module not loaded.
        QVERIFY_EXCEPTION_THROWN(kiosk.enforce(), ReadFileException);

        // A root given at run time stands for "/": the tree and the module's
        // switches alike lie below it, where the save and its snapshots put theirs.
        const QString root = other.path() + QStringLiteral("/root");
        const SystemKiosk rooted(root);
        QCOMPARE(rooted.path(SystemKiosk::Directory::System), Utils::pathBelowRoot(root, SystemPaths::systemProfilesDir));
        QCOMPARE(rooted.switchPath(SystemKiosk::Switch::Enforce), Utils::pathBelowRoot(root, SystemPaths::enforceParameter));
        TestFiles::write(rooted.switchPath(SystemKiosk::Switch::Enforce), "1\n");
        rooted.updateUserProfile(QStringLiteral("carol"), QStringLiteral("@include web\n"));
        QVERIFY(rooted.enforce());
        QCOMPARE(rooted.users(), QSet<QString>{QStringLiteral("carol")});
        QCOMPARE(KioskTree::snapshot(KioskTree::Scope::WholeRoot), before);
    }
};

QTEST_GUILESS_MAIN(SystemKioskTest)

#include "systemkiosktest.moc"
