/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The working state's privileged actions carried out by the real helper:
// runs under testbus/run-with-system-bus.sh, which provides a private system
// bus, polkitd and the helper started by the bus.

#include "desktop/micdetect.h"
#include "state/profilestate.h"
#include "state/systemstate.h"
#include "state/userstate.h"

#include "kiosktree.h"
#include "scratchroot.h"
#include "statetesting.h"
#include "testfiles.h"

#include <QFile>
#include <QTest>

using namespace StateTesting;

class SystemStateBusTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void mayChangeTheConfiguration();
    void saveReachesTheDisk();
};

void SystemStateBusTest::initTestCase()
{
    if (!ScratchRoot::isScratchBuild()) {
        QSKIP("The build's kiosk tree is the real system; configure with ORLA_SYSTEM_ROOT");
    }
    if (qEnvironmentVariableIsEmpty("ORLA_TESTBUS_DIR")) {
        QSKIP("Runs only on the private system bus of testbus/");
    }
}

void SystemStateBusTest::init()
{
    KioskTree::reset(KioskTree::Switches::Off);
    KioskTree::write(KioskTree::systemProfile(QStringLiteral("base")), "+file r u: /usr/share/base\n");
    KioskTree::write(KioskTree::systemProfile(QStringLiteral("old")), "@include base\n");
    KioskTree::write(KioskTree::systemProfile(QStringLiteral("unused")), "@include base\n");
    KioskTree::write(KioskTree::userProfile(QStringLiteral("root")), "@include base\n");
    KioskTree::write(KioskTree::userProfile(QStringLiteral("disabled/daemon")), "@include old\n");
    KioskTree::write(KioskTree::userProfile(QStringLiteral("disabled/nobody")), "@include base\n");
}

void SystemStateBusTest::mayChangeTheConfiguration()
{
    // The test runs as root, whom the authorisation service lets do anything.
    QVERIFY(MICDetect::isCurrentProcessHasMaxMIC());
    SystemState state;
    state.reload();
    QVERIFY(!state.readOnlyInfo().readOnly);
    QVERIFY(state.readOnlyInfo().reasons.isEmpty());
}

void SystemStateBusTest::saveReachesTheDisk()
{
    SystemState state;
    state.reload();

    // Rename a profile, drop one, add one, disable and enable users, remove one.
    ProfileState *old = byName(state.profiles(), QStringLiteral("old"));
    ProfileFile renamed = *old->file();
    renamed.setName(QStringLiteral("renamed"));
    old->setProfileFile(renamed);
    state.removeProfile(byName(state.profiles(), QStringLiteral("unused")));
    ProfileFile fresh(QStringLiteral("fresh"), false);
    fresh.data().insertIncludeRule(IncludeRule(QStringLiteral("base")));
    state.addProfile(new ProfileState(fresh));

    UserState *root = byName(state.users(), QStringLiteral("root"));
    root->removeIncludeRule(QStringLiteral("base"));
    root->addIncludeRule(QStringLiteral("fresh"));
    root->setEnable(false);
    UserState *daemon = byName(state.users(), QStringLiteral("daemon"));
    daemon->removeIncludeRule(QStringLiteral("old"));
    daemon->addIncludeRule(QStringLiteral("renamed"));
    daemon->setEnable(true);
    state.removeUser(byName(state.users(), QStringLiteral("nobody")));

    QVERIFY(state.save());

    QCOMPARE(TestFiles::read(KioskTree::systemProfile(QStringLiteral("renamed"))), QByteArray("@include base\n"));
    QVERIFY(!QFile::exists(KioskTree::systemProfile(QStringLiteral("old"))));
    QVERIFY(!QFile::exists(KioskTree::systemProfile(QStringLiteral("unused"))));
    QCOMPARE(TestFiles::read(KioskTree::systemProfile(QStringLiteral("fresh"))), QByteArray("@include base\n"));
    QCOMPARE(TestFiles::read(KioskTree::systemProfile(QStringLiteral("base"))), QByteArray("+file r u: /usr/share/base\n"));
    QVERIFY(!QFile::exists(KioskTree::userProfile(QStringLiteral("root"))));
    QCOMPARE(TestFiles::read(KioskTree::userProfile(QStringLiteral("disabled/root"))), QByteArray("@include fresh\n"));
    QVERIFY(!QFile::exists(KioskTree::userProfile(QStringLiteral("disabled/daemon"))));
    QCOMPARE(TestFiles::read(KioskTree::userProfile(QStringLiteral("daemon"))), QByteArray("@include renamed\n"));
    QVERIFY(!QFile::exists(KioskTree::userProfile(QStringLiteral("disabled/nobody"))));

    // Read back, the system is what was saved, and nothing is pending.
    state.reload();
    QVERIFY(!state.isChanged());
    QCOMPARE(state.profiles().size(), 3);
    QCOMPARE(state.users().size(), 2);
    QVERIFY(!byName(state.users(), QStringLiteral("root"))->isEnable());
    QVERIFY(byName(state.users(), QStringLiteral("daemon"))->isEnable());
    QCOMPARE(byName(state.users(), QStringLiteral("daemon"))->status(), QSet<int>());
    QVERIFY(state.buildUpdateActionsMap().usersToUpdate().isEmpty());
    QVERIFY(state.buildUpdateActionsMap().profilesToUpdate().isEmpty());
}

QTEST_GUILESS_MAIN(SystemStateBusTest)

#include "systemstatebustest.moc"
