/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "state/profilestate.h"
#include "state/abstractprofilestate.h"
#include "state/userstate.h"

#include "profile/userprofilefile.h"

#include "statetesting.h"

#include <QSignalSpy>
#include <QTest>

using namespace StateTesting;

class ProfileStateTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ownStatusAtConstruction_data();
    void ownStatusAtConstruction();
    void loadedNameOnlyForExistingFiles();
    void classification_data();
    void classification();
    void changeEmitsChangedAndStatus();
    void editsFollowOwnStatus();
    void setProfileFileKeepsUserEnable();
    void enableIsTrackedAgainstLoad();
};

void ProfileStateTest::ownStatusAtConstruction_data()
{
    QTest::addColumn<bool>("user");
    QTest::addColumn<QStringList>("includes");
    QTest::addColumn<QStringList>("rules");
    QTest::addColumn<QSet<int>>("expected");

    QTest::newRow("empty profile") << false << QStringList() << QStringList() << QSet<int>{AbstractProfileState::StatusNoData};
    QTest::newRow("profile with include") << false << QStringList{QStringLiteral("base")} << QStringList() << QSet<int>();
    QTest::newRow("profile with rule") << false << QStringList() << QStringList{QStringLiteral("/a")} << QSet<int>();
    QTest::newRow("empty user") << true << QStringList() << QStringList() << QSet<int>{AbstractProfileState::StatusNoData};
    QTest::newRow("user with include") << true << QStringList{QStringLiteral("base")} << QStringList() << QSet<int>();
    QTest::newRow("user with own rules") << true << QStringList() << QStringList{QStringLiteral("/a")} << QSet<int>{AbstractProfileState::StatusOwnObjectRules};
    QTest::newRow("user with both") << true << QStringList{QStringLiteral("base")} << QStringList{QStringLiteral("/a")}
                                    << QSet<int>{AbstractProfileState::StatusOwnObjectRules};
}

void ProfileStateTest::ownStatusAtConstruction()
{
    QFETCH(bool, user);
    QFETCH(QStringList, includes);
    QFETCH(QStringList, rules);
    QFETCH(QSet<int>, expected);

    const ProfileFile file = profileFile(QStringLiteral("p"), includes, true, rules);
    std::unique_ptr<AbstractProfileState> state;
    if (user) {
        state = std::make_unique<UserState>(UserProfileFile(file));
    } else {
        state = std::make_unique<ProfileState>(file);
    }
    QCOMPARE(state->status(), expected);
    QVERIFY(!state->isChanged());
}

void ProfileStateTest::loadedNameOnlyForExistingFiles()
{
    ProfileState onDisk(profileFile(QStringLiteral("base"), {}, true));
    QCOMPARE(onDisk.loadedName(), QStringLiteral("base"));
    ProfileState fresh(profileFile(QStringLiteral("base")));
    QCOMPARE(fresh.loadedName(), QString());

    // A rename changes the name but never the name at load.
    ProfileFile renamed = *onDisk.file();
    renamed.setName(QStringLiteral("other"));
    onDisk.setProfileFile(renamed);
    QCOMPARE(onDisk.name(), QStringLiteral("other"));
    QCOMPARE(onDisk.loadedName(), QStringLiteral("base"));

    // A file that is not on disk yet says so, and is a change.
    onDisk.setChanged(false);
    onDisk.setProfileFile(profileFile(QStringLiteral("fresh")));
    QVERIFY(!onDisk.file()->exists());
    QCOMPARE(onDisk.name(), QStringLiteral("fresh"));
    QVERIFY(onDisk.isChanged());
}

void ProfileStateTest::classification_data()
{
    QTest::addColumn<QSet<int>>("status");
    QTest::addColumn<QSet<int>>("warnings");
    QTest::addColumn<QSet<int>>("errors");
    QTest::addColumn<bool>("editable");

    QTest::newRow("clean") << QSet<int>() << QSet<int>() << QSet<int>() << true;
    QTest::newRow("no data") << QSet<int>{1} << QSet<int>{1} << QSet<int>() << true;
    QTest::newRow("own rules and unknown include") << QSet<int>{3, 7} << QSet<int>{7} << QSet<int>{3} << true;
    QTest::newRow("editable errors") << QSet<int>{3, 6, 8, 9} << QSet<int>() << QSet<int>{3, 6, 8, 9} << true;
    for (int code : {0, 2, 4, 5, 10}) {
        QTest::addRow("damaged %d", code) << QSet<int>{1, code} << QSet<int>{1} << QSet<int>{code} << false;
    }
}

void ProfileStateTest::classification()
{
    QFETCH(QSet<int>, status);
    QFETCH(QSet<int>, warnings);
    QFETCH(QSet<int>, errors);
    QFETCH(bool, editable);

    ProfileState state(profileFile(QStringLiteral("p"), {}, true));
    state.setStatus(status);
    QCOMPARE(state.status(), status);
    QCOMPARE(state.warnings(), warnings);
    QCOMPARE(state.errors(), errors);
    QCOMPARE(state.isEditable(), editable);
}

void ProfileStateTest::changeEmitsChangedAndStatus()
{
    ProfileState state(profileFile(QStringLiteral("p"), {QStringLiteral("base")}, true));
    QSignalSpy changed(&state, &State::wasChanged);
    QSignalSpy status(&state, &AbstractProfileState::statusChanged);

    state.setChanged(true);
    QVERIFY(state.isChanged());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toBool(), true);
    QCOMPARE(status.count(), 1);

    state.setChanged(false);
    QVERIFY(!state.isChanged());
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(1).at(0).toBool(), false);
    QCOMPARE(status.count(), 2);
}

void ProfileStateTest::editsFollowOwnStatus()
{
    UserState user(UserProfileFile(profileFile(QStringLiteral("alice"), {}, true)));
    QCOMPARE(user.status(), QSet<int>{AbstractProfileState::StatusNoData});

    user.addIncludeRule(QStringLiteral("base"));
    QVERIFY(user.isChanged());
    QCOMPARE(user.status(), QSet<int>());
    QVERIFY(std::as_const(*user.file()).data().includes().contains(IncludeRule(QStringLiteral("base"))));

    // Codes from the status computation survive an edit; only the own codes move.
    user.setStatus({AbstractProfileState::StatusUserNotFound});
    user.removeIncludeRule(QStringLiteral("base"));
    QCOMPARE(user.status(), (QSet<int>{AbstractProfileState::StatusUserNotFound, AbstractProfileState::StatusNoData}));

    ProfileFile withRules = *user.file();
    withRules.data().insertObjectRule(readRule(QStringLiteral("/x")));
    user.setProfileFile(withRules);
    QCOMPARE(user.status(), (QSet<int>{AbstractProfileState::StatusUserNotFound, AbstractProfileState::StatusOwnObjectRules}));
}

void ProfileStateTest::setProfileFileKeepsUserEnable()
{
    UserProfileFile disabled(QStringLiteral("alice"), true);
    disabled.setEnable(false);
    UserState user(disabled);

    // An enabled user's file, as the editor might hand back, must not re-enable the user.
    UserProfileFile enabled(QStringLiteral("alice"), true);
    enabled.data().insertIncludeRule(IncludeRule(QStringLiteral("base")));
    user.setProfileFile(enabled);
    QVERIFY(!user.isEnable());
    QVERIFY(std::as_const(*user.file()).data().includes().contains(IncludeRule(QStringLiteral("base"))));

    // Its own file, handed back, is taken whole.
    user.setProfileFile(*user.file());
    QCOMPARE(user.name(), QStringLiteral("alice"));
    QVERIFY(!user.isEnable());
    QVERIFY(std::as_const(*user.file()).data().includes().contains(IncludeRule(QStringLiteral("base"))));
}

void ProfileStateTest::enableIsTrackedAgainstLoad()
{
    UserState user(UserProfileFile(profileFile(QStringLiteral("alice"), {QStringLiteral("base")}, true)));
    QVERIFY(user.isEnable());
    QVERIFY(user.wasEnabled());
    QSignalSpy changed(&user, &State::wasChanged);
    user.setEnable(false);
    QVERIFY(!user.isEnable());
    QVERIFY(user.wasEnabled());
    QCOMPARE(changed.count(), 1);
}

QTEST_GUILESS_MAIN(ProfileStateTest)

#include "profilestatetest.moc"
