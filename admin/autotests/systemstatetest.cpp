/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "state/systemstate.h"
#include "state/profilestate.h"
#include "state/userstate.h"

#include "kiosktree.h"
#include "scratchroot.h"
#include "statetesting.h"
#include "testfiles.h"

#include "failures/kauthexception.h"
#include "failures/readfileexception.h"
#include "profile/profileparser.h"
#include "profile/userprofilefile.h"
#include "protocol/updateactionsmap.h"
#include "systempaths.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <future>

using namespace StateTesting;

namespace
{

using Entries = std::initializer_list<std::pair<const char *, const char *>>;

// Writes the profiles and the users (disabled ones as "disabled/name") to
// the tree, and reads them into @p state.
void load(SystemState &state, Entries profiles, Entries users = {})
{
    for (const auto &[name, text] : profiles) {
        KioskTree::write(KioskTree::systemProfile(QString::fromUtf8(name)), text);
    }
    for (const auto &[name, text] : users) {
        KioskTree::write(KioskTree::userProfile(QString::fromUtf8(name)), text);
    }
    state.reload();
}

using Edit = std::function<void(SystemState &)>;

// What a map asks for, in one line: "rename user a>b; update user b; remove profile c".
QString summary(const UpdateActionsMap &map)
{
    QStringList parts;
    const auto add = [&parts](const char *what, const QStringList &names) {
        if (!names.isEmpty()) {
            parts << QLatin1String(what) + QLatin1Char(' ') + names.join(QLatin1Char(' '));
        }
    };
    const auto renames = [](const QMap<QString, QString> &renamed) {
        QStringList pairs;
        for (auto it = renamed.cbegin(); it != renamed.cend(); ++it) {
            pairs << it.key() + QLatin1Char('>') + it.value();
        }
        return pairs;
    };
    add("rename user", renames(map.usersToRename()));
    add("update user", map.usersToUpdate().keys());
    add("remove user", map.usersToRemove());
    add("rename profile", renames(map.profilesToRename()));
    add("update profile", map.profilesToUpdate().keys());
    add("remove profile", map.profilesToRemove());
    return parts.join(QStringLiteral("; "));
}
}
Q_DECLARE_METATYPE(Edit)

class SystemStateTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void statusesOfTree();
    void statusCodesOutsideTheTree();
    void enabledUserWinsOverDisabled();
    void readsSwitches_data();
    void readsSwitches();
    void readOnlyWithoutIntegrity();
    void failedReloadKeepsWorkingCopy();
    void changeTracking();
    void extractUserRules_data();
    void extractUserRules();
    void updateActionsMap_data();
    void updateActionsMap();
    void updateActionsMapCarriesLocale();
    void saveWithoutAuthorisationServiceFails();
    void statusesThroughStackedDiamonds();
    void includersOf();
    void renameAndReplaceProfile();
    void needsReboot();
    void usersWithErrors();
};

void SystemStateTest::initTestCase()
{
    if (!ScratchRoot::isScratchBuild()) {
        QSKIP("The build's kiosk tree is the real system; configure with ORLA_SYSTEM_ROOT");
    }
    // No authorisation service: the integrity check must answer false, and
    // quickly, and no action can be sent.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/orla-test-no-bus");
}

void SystemStateTest::init()
{
    KioskTree::reset(KioskTree::Switches::Off);
}

void SystemStateTest::statusesOfTree()
{
    const QString tree = QFINDTESTDATA("../../testsupport/data/statustree");
    QVERIFY(!tree.isEmpty());
    KioskTree::copy(tree + QStringLiteral("/kiosk2-profiles"), KioskTree::systemProfilesDir());
    KioskTree::copy(tree + QStringLiteral("/kiosk2"), KioskTree::userProfilesDir());

    SystemState state;
    state.reload();

    QMap<QString, QSet<int>> actual;
    const QSet<ProfileState *> profiles = state.profiles();
    for (const ProfileState *profile : profiles) {
        actual.insert(QStringLiteral("profile ") + profile->name(), profile->status());
    }
    const QSet<UserState *> users = state.users();
    for (const UserState *user : users) {
        actual.insert(QStringLiteral("user ") + user->name(), user->status());
    }

    QFile expectedFile(QFINDTESTDATA("../../testsupport/data/statustree.expected"));
    QVERIFY(expectedFile.open(QIODevice::ReadOnly | QIODevice::Text));
    QMap<QString, QSet<int>> expected;
    while (!expectedFile.atEnd()) {
        const QString line = QString::fromUtf8(expectedFile.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const int colon = line.indexOf(QLatin1Char(':'));
        QSet<int> codes;
        const QStringList numbers = line.mid(colon + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString &number : numbers) {
            codes.insert(number.toInt());
        }
        expected.insert(line.left(colon), codes);
    }
    QCOMPARE(actual, expected);
}

// Codes that files read from disk cannot produce.
void SystemStateTest::statusCodesOutsideTheTree()
{
    SystemState state;
    auto *unnamed = new ProfileState(profileFile(QString(), {QStringLiteral("a")}));
    state.addProfile(unnamed);
    ProfileFile oldFormat(QStringLiteral("a"), false);
    oldFormat.data().insertObjectRule(readRule(QStringLiteral("/x")));
    oldFormat.data().addOldFormatLine(QStringLiteral("/x r"));
    auto *old = new ProfileState(oldFormat);
    state.addProfile(old);
    auto *user = new UserState(UserProfileFile(profileFile(QStringLiteral("root"), {QStringLiteral("a")})));
    state.addUser(user);

    state.updateAllStatuses();
    QCOMPARE(unnamed->status(), (QSet<int>{AbstractProfileState::StatusEmptyName, AbstractProfileState::StatusIncludeWithError}));
    QCOMPARE(old->status(), QSet<int>{AbstractProfileState::StatusOldFormatRules});
    QCOMPARE(user->status(), QSet<int>{AbstractProfileState::StatusIncludeWithError});

    // One user computed on its own, after an edit that fixed its include.
    old->file()->data().clearOldFormatLines();
    state.updateUserStatus(user);
    QCOMPARE(old->status(), QSet<int>());
    QCOMPARE(user->status(), QSet<int>());
}

void SystemStateTest::enabledUserWinsOverDisabled()
{
    SystemState state;
    load(state, {{"base", "+file r u: /a\n"}}, {{"alice", "@include base\n"}, {"disabled/alice", "@include other\n"}, {"disabled/bob", "@include base\n"}});
    QCOMPARE(state.users().size(), 2);
    UserState *alice = byName(state.users(), QStringLiteral("alice"));
    QVERIFY(alice);
    QVERIFY(alice->isEnable());
    QVERIFY(alice->wasEnabled());
    QVERIFY(std::as_const(*alice->file()).data().includes().contains(IncludeRule(QStringLiteral("base"))));
    UserState *bob = byName(state.users(), QStringLiteral("bob"));
    QVERIFY(bob);
    QVERIFY(!bob->isEnable());
    QVERIFY(!bob->wasEnabled());
    QCOMPARE(bob->loadedName(), QStringLiteral("bob"));
    QVERIFY(!state.isChanged());
}

void SystemStateTest::readsSwitches_data()
{
    QTest::addColumn<bool>("enforce");
    QTest::addColumn<bool>("autoEnforce");
    QTest::addColumn<bool>("complain");
    QTest::newRow("off") << false << false << false;
    QTest::newRow("on") << true << true << false;
    QTest::newRow("on now only") << true << false << false;
    QTest::newRow("recording") << false << false << true;
}

void SystemStateTest::readsSwitches()
{
    QFETCH(bool, enforce);
    QFETCH(bool, autoEnforce);
    QFETCH(bool, complain);
    KioskTree::setSwitches(enforce, autoEnforce, complain);

    SystemState state;
    state.reload();
    QCOMPARE(state.modes().enforce, enforce);
    QCOMPARE(state.modes().autoEnforce, autoEnforce);
    QCOMPARE(state.modes().complain, complain);

    KioskTree::setSwitch(QString::fromUtf8(SystemPaths::enforceParameter), !enforce);
    QCOMPARE(state.modes().enforce, enforce);
    state.readModes();
    QCOMPARE(state.modes().enforce, !enforce);
}

void SystemStateTest::readOnlyWithoutIntegrity()
{
    KioskTree::write(KioskTree::systemProfile(QStringLiteral("base")), "+file r u: /a\n");
    // Without an authorisation service the answer must come without waiting
    // on the bus: read on a thread of its own, so that a wait fails the bound.
    auto read = std::async(std::launch::async, [] {
        SystemState state;
        state.reload();
        return qMakePair(state.readOnlyInfo(), state.profiles().size());
    });
    QCOMPARE(read.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    const auto [info, profiles] = read.get();
    QVERIFY(info.readOnly);
    QCOMPARE(info.reasons, QSet<int>{ReadOnlyInfo::ReasonNoMaxIntegrity});
    // Everything is still read.
    QCOMPARE(profiles, 1);
}

void SystemStateTest::failedReloadKeepsWorkingCopy()
{
    SystemState state;
    load(state, {{"base", "+file r u: /a\n"}}, {{"alice", "@include base\n"}});
    UserState *alice = byName(state.users(), QStringLiteral("alice"));
    alice->setEnable(false);
    auto *fresh = new ProfileState(profileFile(QStringLiteral("fresh"), {QStringLiteral("base")}));
    state.addProfile(fresh);
    QVERIFY(state.isChanged());

    // The module is gone: its switches cannot be read.
    QVERIFY(QFile::remove(QString::fromUtf8(SystemPaths::enforceParameter)));
    QVERIFY_EXCEPTION_THROWN(state.reload(), ReadFileException);

    QVERIFY(state.isChanged());
    QCOMPARE(state.profiles().size(), 2);
    QVERIFY(state.profiles().contains(fresh));
    QVERIFY(state.users().contains(alice));
    QVERIFY(!alice->isEnable());
}

void SystemStateTest::changeTracking()
{
    SystemState state;
    load(state, {{"base", "+file r u: /a\n"}}, {{"alice", "@include base\n"}});
    QVERIFY(!state.isChanged());
    QSignalSpy changed(&state, &State::wasChanged);

    // A loaded profile's edit reaches the system state.
    ProfileState *base = byName(state.profiles(), QStringLiteral("base"));
    base->addIncludeRule(QStringLiteral("x"));
    QVERIFY(state.isChanged());
    QCOMPARE(changed.count(), 1);

    state.reload();
    QVERIFY(!state.isChanged());
    QCOMPARE(state.profiles().size(), 1);
    changed.clear();

    UserState *alice = byName(state.users(), QStringLiteral("alice"));
    alice->setEnable(false);
    QVERIFY(state.isChanged());

    state.removeUser(alice);
    QVERIFY(!state.users().contains(alice));
    QVERIFY(state.removedUsers().contains(alice));

    base = byName(state.profiles(), QStringLiteral("base"));
    state.removeProfile(base);
    QVERIFY(state.profiles().isEmpty());
    QVERIFY(state.removedProfiles().contains(base));

    auto *user = new UserState(UserProfileFile(QStringLiteral("bob"), false));
    state.addUser(user);
    QVERIFY(user->isChanged());
    QVERIFY(state.users().contains(user));
    QCOMPARE(user->parent(), &state);

    auto *profile = new ProfileState(profileFile(QStringLiteral("p"), {}));
    state.addProfile(profile);
    QVERIFY(profile->isChanged());
    QCOMPARE(profile->parent(), &state);

    // Reload forgets removed states and additions alike.
    state.reload();
    QVERIFY(state.removedUsers().isEmpty());
    QVERIFY(state.removedProfiles().isEmpty());
    QCOMPARE(state.users().size(), 1);
    QCOMPARE(state.profiles().size(), 1);
    QVERIFY(!state.isChanged());
}

void SystemStateTest::extractUserRules_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("profiles");
    QTest::addColumn<QString>("expected");

    QTest::newRow("first") << QStringLiteral("alice") << QStringList() << QStringLiteral("alice_extra_1");
    QTest::newRow("after the highest") << QStringLiteral("alice") << QStringList{QStringLiteral("alice_extra_1"), QStringLiteral("alice_extra_3")}
                                       << QStringLiteral("alice_extra_4");
    QTest::newRow("other users' numbers") << QStringLiteral("alice") << QStringList{QStringLiteral("bob_extra_5"), QStringLiteral("xalice_extra_2")}
                                          << QStringLiteral("alice_extra_1");
    QTest::newRow("no suffix") << QStringLiteral("alice") << QStringList{QStringLiteral("alice_extra_"), QStringLiteral("alice_extra_2b")}
                               << QStringLiteral("alice_extra_1");
    QTest::newRow("leading zero") << QStringLiteral("alice") << QStringList{QStringLiteral("alice_extra_07")} << QStringLiteral("alice_extra_8");
    // A dot in an account name is a dot, not any character.
    QTest::newRow("dot in name") << QStringLiteral("a.b") << QStringList{QStringLiteral("aXb_extra_7")} << QStringLiteral("a.b_extra_1");
    // A number too big to count on still leaves a free name.
    QTest::newRow("huge number") << QStringLiteral("alice")
                                 << QStringList{QStringLiteral("alice_extra_99999999999999999999999"), QStringLiteral("alice_extra_1")}
                                 << QStringLiteral("alice_extra_2");
}

void SystemStateTest::extractUserRules()
{
    QFETCH(QString, user);
    QFETCH(QStringList, profiles);
    QFETCH(QString, expected);

    SystemState state;
    for (const QString &name : profiles) {
        state.addProfile(new ProfileState(profileFile(name, {})));
    }
    UserProfileFile file(user, true);
    file.setEnable(false);
    file.data().insertIncludeRule(IncludeRule(QStringLiteral("base")));
    file.data().insertObjectRule(readRule(QStringLiteral("/home/a")));
    file.data().insertObjectRule(readRule(QStringLiteral("/home/b")));
    auto *userState = new UserState(file);
    state.addUser(userState);

    state.extractUserRules(userState);

    ProfileState *extra = byName(state.profiles(), expected);
    QVERIFY2(extra, qPrintable(expected));
    QVERIFY(!extra->file()->exists());
    QVERIFY(extra->isChanged());
    QCOMPARE(std::as_const(*extra->file()).data().objectRules(), (QSet<ObjectRule>{readRule(QStringLiteral("/home/a")), readRule(QStringLiteral("/home/b"))}));
    const ProfileData userData = std::as_const(*userState->file()).data();
    QVERIFY(userData.objectRules().isEmpty());
    QCOMPARE(userData.includes(), (QSet<IncludeRule>{IncludeRule(QStringLiteral("base")), IncludeRule(expected)}));
    QVERIFY(userState->isChanged());
    QVERIFY(!userState->isEnable());
    QVERIFY(!userState->status().contains(AbstractProfileState::StatusOwnObjectRules));
}

// The state after loading: profiles base and other, user alice enabled and
// user bob disabled, every file holding one include or one rule.
void SystemStateTest::updateActionsMap_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("asked");

    auto rename = [](AbstractProfileState *state, const char *name) {
        ProfileFile file = *state->file();
        file.setName(QString::fromUtf8(name));
        state->setProfileFile(file);
    };
    const QString alice = QStringLiteral("alice");
    const QString bob = QStringLiteral("bob");
    const QString base = QStringLiteral("base");
    const QString other = QStringLiteral("other");

    QTest::newRow("nothing changed") << Edit([](SystemState &) {}) << QString();
    QTest::newRow("profile edited") << Edit([=](SystemState &s) {
        byName(s.profiles(), base)->addIncludeRule(QStringLiteral("other"));
    }) << QStringLiteral("update profile base");
    QTest::newRow("loaded profile renamed") << Edit([=](SystemState &s) {
        rename(byName(s.profiles(), base), "renamed");
    }) << QStringLiteral("rename profile base>renamed; update profile renamed");
    QTest::newRow("new profile renamed") << Edit([=](SystemState &s) {
        auto *fresh = new ProfileState(profileFile(QStringLiteral("fresh"), {QStringLiteral("base")}));
        s.addProfile(fresh);
        rename(fresh, "fresher");
    }) << QStringLiteral("update profile fresher");
    QTest::newRow("user disabled") << Edit([=](SystemState &s) {
        byName(s.users(), alice)->setEnable(false);
    }) << QStringLiteral("rename user alice>disabled/alice; update user disabled/alice");
    QTest::newRow("user disabled and enabled again") << Edit([=](SystemState &s) {
        byName(s.users(), alice)->setEnable(false);
        byName(s.users(), alice)->setEnable(true);
    }) << QStringLiteral("update user alice");
    QTest::newRow("disabled user enabled") << Edit([=](SystemState &s) {
        byName(s.users(), bob)->setEnable(true);
    }) << QStringLiteral("rename user disabled/bob>bob; update user bob");
    QTest::newRow("disabled user removed") << Edit([=](SystemState &s) {
        s.removeUser(byName(s.users(), bob));
    }) << QStringLiteral("remove user disabled/bob");
    QTest::newRow("user removed and added again") << Edit([=](SystemState &s) {
        s.removeUser(byName(s.users(), alice));
        s.addUser(new UserState(UserProfileFile(profileFile(QStringLiteral("alice"), {QStringLiteral("other")}))));
    }) << QStringLiteral("update user alice");
    QTest::newRow("edited user removed") << Edit([=](SystemState &s) {
        byName(s.users(), alice)->setEnable(false);
        s.removeUser(byName(s.users(), alice));
    }) << QStringLiteral("remove user alice");
    QTest::newRow("new user added and removed") << Edit([=](SystemState &s) {
        auto *carol = new UserState(UserProfileFile(profileFile(QStringLiteral("carol"), {QStringLiteral("base")})));
        s.addUser(carol);
        s.removeUser(carol);
    }) << QString();
    QTest::newRow("user without name") << Edit([=](SystemState &s) {
        s.addUser(new UserState(UserProfileFile(profileFile(QString(), {QStringLiteral("base")}))));
    }) << QString();
    QTest::newRow("profile removed") << Edit([=](SystemState &s) {
        s.removeProfile(byName(s.profiles(), other));
    }) << QStringLiteral("remove profile other");
    QTest::newRow("renamed profile removed") << Edit([=](SystemState &s) {
        ProfileState *state = byName(s.profiles(), other);
        rename(state, "elsewhere");
        s.removeProfile(state);
    }) << QStringLiteral("remove profile other");
    QTest::newRow("profile removed and its name reused") << Edit([=](SystemState &s) {
        s.removeProfile(byName(s.profiles(), other));
        rename(byName(s.profiles(), base), "other");
    }) << QStringLiteral("rename profile base>other; update profile other");
    QTest::newRow("new profile removed") << Edit([=](SystemState &s) {
        auto *fresh = new ProfileState(profileFile(QStringLiteral("fresh"), {QStringLiteral("base")}));
        s.addProfile(fresh);
        s.removeProfile(fresh);
    }) << QString();
}

void SystemStateTest::updateActionsMap()
{
    QFETCH(Edit, edit);
    QFETCH(QString, asked);

    SystemState state;
    load(state, {{"base", "+file r u: /a\n"}, {"other", "@include base\n"}}, {{"alice", "@include base\n"}, {"disabled/bob", "@include other\n"}});

    edit(state);
    const UpdateActionsMap map = state.buildUpdateActionsMap();
    QCOMPARE(summary(map), asked);

    // Each text is the whole working copy of the entry sent.
    const auto sentWhole = [](const QMap<QString, QString> &texts, const QString &key, const AbstractProfileState *state) {
        if (texts.contains(key)) {
            const ProfileData sent = ProfileParser::parseText(texts.value(key)).data();
            QCOMPARE(sent.includes(), std::as_const(*state->file()).data().includes());
            QCOMPARE(sent.objectRules(), std::as_const(*state->file()).data().objectRules());
        }
    };
    const QSet<UserState *> users = state.users();
    for (const UserState *user : users) {
        sentWhole(map.usersToUpdate(), user->isEnable() ? user->name() : QStringLiteral("disabled/") + user->name(), user);
    }
    const QSet<ProfileState *> profiles = state.profiles();
    for (const ProfileState *profile : profiles) {
        sentWhole(map.profilesToUpdate(), profile->name(), profile);
    }
}

void SystemStateTest::updateActionsMapCarriesLocale()
{
    const QByteArray previous = qgetenv("LANG");
    qputenv("LANG", "ru_RU.UTF-8");
    SystemState state;
    QCOMPARE(state.buildUpdateActionsMap().locale(), QStringLiteral("ru_RU.UTF-8"));
    qunsetenv("LANG");
    const UpdateActionsMap withoutLocale = state.buildUpdateActionsMap();
    QCOMPARE(withoutLocale.locale(), QString());
    QVERIFY(withoutLocale.contains(QStringLiteral("proccessEnvironmentsKey")));
    qputenv("LANG", previous);
}

void SystemStateTest::saveWithoutAuthorisationServiceFails()
{
    SystemState state;
    load(state, {{"base", "+file r u: /a\n"}});
    byName(state.profiles(), QStringLiteral("base"))->addIncludeRule(QStringLiteral("x"));

    // Not a refusal of the administrator: a failure with a sentence to show.
    // Well short of the action's own time-out, which a wait on a missing bus would run into.
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(std::chrono::minutes(2));
    QVERIFY_EXCEPTION_THROWN(state.save(), KAuthException);
    QVERIFY_EXCEPTION_THROWN(SystemState::setKioskMode(true), KAuthException);
    QVERIFY(bound.isActive());
    // Nothing of the working copy is lost.
    QVERIFY(state.isChanged());
    QVERIFY(std::as_const(*byName(state.profiles(), QStringLiteral("base"))->file()).data().includes().contains(IncludeRule(QStringLiteral("x"))));
    // And nothing reached the disk.
    QCOMPARE(TestFiles::read(KioskTree::systemProfile(QStringLiteral("base"))), QByteArray("+file r u: /a\n"));
}

// Diamonds stacked on one another: every path through them is a separate
// include chain, 2^60 of them, so a status pass that walks paths never ends
// (statebenchmark times it).
void SystemStateTest::statusesThroughStackedDiamonds()
{
    SystemState state;
    const int levels = 60;
    for (int level = 0; level < levels; ++level) {
        const QString next = level + 1 < levels ? QStringLiteral("top%1").arg(level + 1) : QStringLiteral("missing");
        state.addProfile(
            new ProfileState(profileFile(QStringLiteral("top%1").arg(level), {QStringLiteral("left%1").arg(level), QStringLiteral("right%1").arg(level)})));
        state.addProfile(new ProfileState(profileFile(QStringLiteral("left%1").arg(level), {next})));
        state.addProfile(new ProfileState(profileFile(QStringLiteral("right%1").arg(level), {next})));
    }
    auto *user = new UserState(UserProfileFile(profileFile(QStringLiteral("root"), {QStringLiteral("top0")})));
    state.addUser(user);

    state.updateAllStatuses();
    // The unknown include at the bottom is an error of every profile above it.
    QCOMPARE(byName(state.profiles(), QStringLiteral("left59"))->status(), QSet<int>{AbstractProfileState::StatusUnknownIncludes});
    QCOMPARE(byName(state.profiles(), QStringLiteral("top0"))->status(), QSet<int>{AbstractProfileState::StatusIncludeWithError});
    QCOMPARE(user->status(), QSet<int>{AbstractProfileState::StatusIncludeWithError});
}

QTEST_GUILESS_MAIN(SystemStateTest)

void SystemStateTest::includersOf()
{
    SystemState state;
    load(state,
         {{"base", "@include base\n+file r u: /a\n"}, {"desktop", "@include base\n"}, {"games", "+file r u: /g\n"}},
         {{"carol", "@include base\n"}, {"disabled/alice", "@include base\n"}, {"bob", "@include games\n"}});

    const auto names = [&state](const QString &profile) {
        QStringList found;
        const auto includers = state.includersOf(profile);
        for (const AbstractProfileState *includer : includers) {
            found << includer->name();
        }
        return found;
    };
    // Users, disabled ones too, and profiles by one name order; base's own include keeps nobody.
    QCOMPARE(names(QStringLiteral("base")), (QStringList{QStringLiteral("alice"), QStringLiteral("carol"), QStringLiteral("desktop")}));
    QCOMPARE(names(QStringLiteral("desktop")), QStringList());
    QCOMPARE(names(QStringLiteral("missing")), QStringList());
}

void SystemStateTest::renameAndReplaceProfile()
{
    SystemState state;
    load(state, {{"base", "+file r u: /a\n"}, {"desktop", "@include base\n"}}, {{"carol", "@include base\n@include desktop\n"}});
    ProfileState *base = byName(state.profiles(), QStringLiteral("base"));
    ProfileState *desktop = byName(state.profiles(), QStringLiteral("desktop"));
    UserState *carol = byName(state.users(), QStringLiteral("carol"));
    QVERIFY(state.hasProfile(QStringLiteral("base")));
    QVERIFY(!state.hasProfile(QStringLiteral("core")));

    // An edit that leaves name and errors alone concerns nobody else.
    ProfileFile edited = *base->file();
    edited.data().insertObjectRule(readRule(QStringLiteral("/b")));
    QVERIFY(!state.replaceProfile(base, edited));
    QVERIFY(base->isChanged());
    QVERIFY(!carol->isChanged());

    state.renameIncludes(QStringLiteral("base"), QStringLiteral("core"));
    QVERIFY(desktop->includes(QStringLiteral("core")));
    QVERIFY(!desktop->includes(QStringLiteral("base")));
    QVERIFY(carol->includes(QStringLiteral("core")));
    QVERIFY(carol->includes(QStringLiteral("desktop")));

    edited.setName(QStringLiteral("core"));
    QVERIFY(state.replaceProfile(base, edited));
    QCOMPARE(base->name(), QStringLiteral("core"));
    QVERIFY(state.hasProfile(QStringLiteral("core")));
    QVERIFY(!state.hasProfile(QStringLiteral("base")));
    QCOMPARE(desktop->status(), QSet<int>());
    QCOMPARE(state.includersOf(QStringLiteral("core")).size(), 2);

    // A profile that gains an error has every status computed again.
    ProfileFile broken = *desktop->file();
    broken.data().insertIncludeRule(IncludeRule(QStringLiteral("ghost")));
    QVERIFY(state.replaceProfile(desktop, broken));
    QVERIFY(carol->status().contains(AbstractProfileState::StatusIncludeWithError));
}

void SystemStateTest::needsReboot()
{
    SystemState state;
    load(state, {}, {{"alice", ""}, {"disabled/bob", ""}});
    QVERIFY(!state.needsReboot());

    // Enabling takes effect at the next login.
    byName(state.users(), QStringLiteral("bob"))->setEnable(true);
    QVERIFY(!state.needsReboot());
    state.addUser(new UserState(UserProfileFile(QStringLiteral("carol"), true)));
    QVERIFY(!state.needsReboot());

    UserState *alice = byName(state.users(), QStringLiteral("alice"));
    alice->setEnable(false);
    QVERIFY(state.needsReboot());
    alice->setEnable(true);
    QVERIFY(!state.needsReboot());
    state.removeUser(alice);
    QVERIFY(state.needsReboot());
}

void SystemStateTest::usersWithErrors()
{
    SystemState state;
    load(state,
         {{"base", "+file r u: /a\n"}},
         {{"zoe", "@include ghost\n"}, {"amy", "@include ghost\n"}, {"disabled/bob", "@include ghost\n"}, {"carol", "@include base\n"}});
    UserState *amy = byName(state.users(), QStringLiteral("amy"));
    UserState *zoe = byName(state.users(), QStringLiteral("zoe"));
    UserState *carol = byName(state.users(), QStringLiteral("carol"));

    QList<UserState *> expected;
    for (UserState *user : {amy, carol, zoe}) {
        if (!user->status().isEmpty()) {
            expected << user;
        }
    }
    QVERIFY(expected.contains(amy));
    QVERIFY(expected.contains(zoe));
    // Sorted by name; disabled users are left alone.
    QCOMPARE(state.usersWithErrors(false), expected);
    QCOMPARE(state.usersWithErrors(true), QList<UserState *>());

    zoe->addIncludeRule(QStringLiteral("base"));
    QCOMPARE(state.usersWithErrors(true), QList<UserState *>{zoe});
    zoe->setEnable(false);
    QVERIFY(!state.usersWithErrors(false).contains(zoe));
    QVERIFY(state.hasEnabledUsers());
}

#include "systemstatetest.moc"
