/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// An administrator whom the authorisation service turns down: the window is
// not read-only (the service would ask for a password), but no one is there
// to give it, so every action is refused. A refusal changes nothing and shows
// nothing: the administrator has just said no to the authorisation dialog.
//
// Runs on the private test bus. It writes its kiosk tree as root and then
// becomes "nobody", whom the policy asks to authenticate.

#include "mainwindowtestcase.h"
#include "testfiles.h"

#include "systempaths.h"

#include <QTemporaryDir>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

class MainWindowRefusalTest : public MainWindowTestCase
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;

private Q_SLOTS:
    void initTestCase()
    {
        MainWindowTestCase::initTestCase();
        if (geteuid() != 0) {
            QSKIP("needs to start as root to write the kiosk tree before it gives up its rights");
        }
        const passwd *nobody = getpwnam("nobody");
        QVERIFY(nobody);

        KioskTree::reset(KioskTree::Switches::Off);
        KioskTree::writeProfile(QStringLiteral("base"), QStringLiteral("+file r uo: /etc/hosts\n"));
        KioskTree::writeUser(QStringLiteral("daemon"), QStringLiteral("@include base\n"));
        KioskTree::writeUser(QStringLiteral("bin"), QStringLiteral("@include base\n"), false);

        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        QCOMPARE(chown(QFile::encodeName(m_home->path()).constData(), nobody->pw_uid, nobody->pw_gid), 0);
        qputenv("HOME", QFile::encodeName(m_home->path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_home->path()));

        // Before anything talks to the system bus, which knows callers by uid.
        QCOMPARE(setgroups(0, nullptr), 0);
        QCOMPARE(setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid), 0);
        QCOMPARE(setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid), 0);
        QCOMPARE(geteuid(), nobody->pw_uid);
    }

    // The tree stays as root wrote it: nobody could not write it again.
    void init()
    {
        m_answerer = std::make_unique<ModalAnswerer>();
    }

    void refusedActionsChangeNothingAndShowNothing()
    {
        WindowDriver w = start();
        QVERIFY2(!m_window->systemState()->readOnlyInfo().readOnly, "read-only: the policy should ask this account to authenticate, not refuse it");

        // Kiosk mode: the question is asked, the refusal itself is silent.
        trigger("actionEnableKioskMode", {QMessageBox::Yes});
        QCOMPARE(m_answerer->titles(), QStringList{QStringLiteral("Enable kiosk mode")});
        QCOMPARE(w.statusLabel()->text(), QStringLiteral("Kiosk mode: <b>Off</b>"));
        QVERIFY(w.action("actionEnableKioskMode")->isEnabled());
        QCOMPARE(TestFiles::read(QString::fromUtf8(SystemPaths::enforceParameter)), QByteArray("0\n"));

        // Saving: the same.
        QVERIFY(w.selectUser(QStringLiteral("bin")));
        w.action("actionEnableUser")->trigger();
        triggerAfresh("actionSaveChanges", {QMessageBox::Yes});
        QCOMPARE(m_answerer->titles(), QStringList{QStringLiteral("Save changes")});
        QVERIFY(m_window->systemState()->isChanged());
        QVERIFY(w.userState(QStringLiteral("bin"))->isEnable());
        QVERIFY(w.action("actionSaveChanges")->isEnabled());
        QVERIFY(QFile::exists(KioskTree::disabledUsersDir() + QStringLiteral("/bin")));
        QVERIFY(!QFile::exists(KioskTree::userProfilesDir() + QStringLiteral("/bin")));

        // Closing: saving is refused, so the window stays open with its changes.
        m_answerer->reset();
        m_answerer->answer(QMessageBox::Yes);
        QVERIFY(!m_window->close());
        QCOMPARE(m_answerer->titles(), QStringList{QStringLiteral("Unsaved changes")});
        QVERIFY(m_window->systemState()->isChanged());
    }
};

QTEST_MAIN(MainWindowRefusalTest)

#include "mainwindowrefusaltest.moc"
