/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The helper's actions through the road the program takes: a KAuth client, the
// system bus, polkit and the helper that the bus starts as root. Runs under
// testbus/run-with-system-bus.sh, which provides a private bus and polkitd.

#include "enableswitches.h"
#include "helperrun.h"
#include "kiosktree.h"
#include "profiletext.h"
#include "scratchroot.h"
#include "testfiles.h"

#include "failures/detailsexception.h"
#include "protocol/enableactionsmap.h"
#include "protocol/helperactionsmap.h"
#include "protocol/helperconstants.h"
#include "protocol/snapshotsactionsmap.h"
#include "protocol/updateactionsmap.h"
#include "store/kiosksnapshots.h"
#include "store/systemkiosk.h"
#include "systempaths.h"

#include <KAuth/ActionReply>
#include <KAuth/ExecuteJob>

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <functional>

using namespace KioskTree;
using HelperRun::endHelper;
using HelperRun::execute;
using HelperRun::helperPid;
using HelperRun::Outcome;
using HelperRun::Wait;

namespace
{
// A string map the way it travels in an argument map.
const auto stringMap = HelperActionsMap::variantMapFromStringMap;

const QString updateId = HelperConstants::updateActionId;
const QString enableId = HelperConstants::enableActionId;
const QString snapshotsId = HelperConstants::snapshotsActionId;
// The kiosk directories as snapshot() names them.
const QString users = QStringLiteral("/etc/tavrix/kiosk2/");
const QString profiles = QStringLiteral("/etc/tavrix/kiosk2-profiles/");

// The tree with the user profiles @p userNames and the system profiles
// @p profileNames, each file holding its own name and a line feed; its snapshot.
Snapshot layOut(const QStringList &userNames, const QStringList &profileNames = {})
{
    for (const QString &name : userNames) {
        KioskTree::write(userProfile(name), name.section(QLatin1Char('/'), -1).toUtf8() + '\n');
    }
    for (const QString &name : profileNames) {
        KioskTree::write(systemProfile(name), name.toUtf8() + '\n');
    }
    return snapshot();
}

// The earlier configurations the helper keeps, newest first, after restoring @p restore (if any).
QList<SnapshotsActionsMap::Entry> snapshots(const QString &restore = QString())
{
    SnapshotsActionsMap map(QStringLiteral("C"));
    if (!restore.isEmpty()) {
        map.setRestore(restore);
    }
    // Through the library's runner, as the program sends it: it waits until
    // the helper is done with the action before.
    const Outcome outcome = execute(snapshotsId, map);
    if (outcome.kind != Outcome::Success) {
        qWarning("snapshots action failed: %s", qPrintable(outcome.text));
    }
    return SnapshotsActionsMap::entriesFromReply(outcome.data);
}

const QString helperName = HelperConstants::helperId;

// A save writes its new texts out of sight first; the first of them shows it is at work.
bool saveUnderWay()
{
    return !QDir(QString::fromUtf8(SystemPaths::systemProfilesDir)).isEmpty(QDir::Files | QDir::Hidden);
}

// The test client run as @p user, its errors on ours.
void startClient(QProcess &client,
                 const QStringList &arguments,
                 const QString &user = QStringLiteral("nobody"),
                 const QString &group = QStringLiteral("nogroup"))
{
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QStringList account = {QStringLiteral("--reuid=") + user, QStringLiteral("--regid=") + group, QStringLiteral("--clear-groups")};
    client.start(QStringLiteral("setpriv"), account + QStringList{QStringLiteral(KAUTHCLIENT_PATH)} + arguments);
}

// Every profile replaced, each first written as "old <name>": a save that takes a while.
QMap<QString, QString> oldProfiles()
{
    const QMap<QString, QString> profiles = ProfileText::many(10000);
    for (auto it = profiles.cbegin(); it != profiles.cend(); ++it) {
        KioskTree::write(systemProfile(it.key()), "old " + it.key().toUtf8() + '\n');
    }
    return profiles;
}

// @p map sent as an update, during which the helper @p pid gets @p signal as
// soon as @p due holds; @p sent says whether it came to that.
Outcome interruptedUpdate(const UpdateActionsMap &map, qint64 pid, int signal, const std::function<bool()> &due, int watchdog, bool *sent)
{
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&]() {
        if (due()) {
            ::kill(static_cast<pid_t>(pid), signal);
            *sent = true;
            poll.stop();
        }
    });
    poll.start();
    return execute(updateId, map, watchdog);
}

// A path outside the scratch root that a hostile name tries to reach.
QString escapePath()
{
    return qEnvironmentVariable("ORLA_TESTBUS_DIR") + QStringLiteral("/escaped");
}

// The same place as a name relative to the system profile directory.
QString escapeByTraversal()
{
    const int depth = QString::fromUtf8(SystemPaths::systemProfilesDir).count(QLatin1Char('/'));
    QString name;
    for (int i = 0; i < depth; ++i) {
        name += QStringLiteral("../");
    }
    return name + escapePath().mid(1);
}
}

class BoothwardBusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void updateKeyCombinations_data();
    void updateKeyCombinations();
    void enableKeyCombinations_data();
    void enableKeyCombinations();
    void emptyUpdateChangesNothing();
    void stepsRunInTheirOrder();
    void everyActionSaysWhenItRuns_data();
    void everyActionSaysWhenItRuns();
    void repliesInTheCallersLanguage_data();
    void repliesInTheCallersLanguage();
    void failingFourthStepChangesNothing();
    void killedSaveLeavesOneWholeTree_data();
    void killedSaveLeavesOneWholeTree();
    void unreadableJournalRefusesTheSave();
    void restoredSnapshotGivesBackTheTree();
    void fiftyFirstSnapshotDropsTheFirst();
    void unprivilegedClients();
    void unknownActionLeavesNoHelperWedged();
    void hostileCallersNeverDelayASave();
    void hostileMaps_data();
    void hostileMaps();
    void hugeProfileText();
    void tenThousandProfiles();
    void tenThousandEntriesAndOneBadName();
    void updateLargerThanTheBusCarries();
    void requestDuringASaveIsServedAfterIt();
    void interruptedHelperEndsTheWait_data();
    void interruptedHelperEndsTheWait();
};

void BoothwardBusTest::initTestCase()
{
    if (!ScratchRoot::isScratchBuild()) {
        QSKIP("the kiosk tree is the real system's: build with -DORLA_SYSTEM_ROOT=<scratch dir>");
    }
    if (qEnvironmentVariableIsEmpty("ORLA_TESTBUS_DIR")) {
        QSKIP("needs the private system bus: run under testbus/run-with-system-bus.sh");
    }
    QVERIFY(QDBusConnection::systemBus().isConnected());
}

void BoothwardBusTest::init()
{
    KioskTree::reset();
}

void BoothwardBusTest::cleanupTestCase()
{
    KioskTree::reset();
}

void BoothwardBusTest::updateKeyCombinations_data()
{
    // Bits: 1 usersToRename, 2 profilesToRename, 4 usersToUpdate, 8 profilesToUpdate,
    // 16 usersToRemove, 32 profilesToRemove.
    QTest::addColumn<int>("keys");
    for (int keys = 0; keys < 64; ++keys) {
        QTest::addRow("keys %02d", keys) << keys;
    }
}

void BoothwardBusTest::updateKeyCombinations()
{
    QFETCH(int, keys);
    Snapshot expected = layOut({QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("carol")},
                               {QStringLiteral("browser"), QStringLiteral("office"), QStringLiteral("obsolete")});

    UpdateActionsMap map(QStringLiteral("C"));
    if (keys & 1) {
        map.setUsersToRename({{QStringLiteral("alice"), QStringLiteral("disabled/alice")}});
        expected.remove(users + QStringLiteral("alice"));
        expected.insert(users + QStringLiteral("disabled"), "<dir>");
        expected.insert(users + QStringLiteral("disabled/alice"), "alice\n");
    }
    if (keys & 2) {
        map.setProfilesToRename({{QStringLiteral("browser"), QStringLiteral("web")}});
        expected.remove(profiles + QStringLiteral("browser"));
        expected.insert(profiles + QStringLiteral("web"), "browser\n");
    }
    if (keys & 4) {
        map.setUsersToUpdate({{QStringLiteral("bob"), QStringLiteral("bob new\n")}});
        expected.insert(users + QStringLiteral("bob"), "bob new\n");
    }
    if (keys & 8) {
        map.setProfilesToUpdate({{QStringLiteral("office"), QStringLiteral("office new\n")}});
        expected.insert(profiles + QStringLiteral("office"), "office new\n");
    }
    if (keys & 16) {
        map.setUsersToRemove({QStringLiteral("carol")});
        expected.remove(users + QStringLiteral("carol"));
    }
    if (keys & 32) {
        map.setProfilesToRemove({QStringLiteral("obsolete")});
        expected.remove(profiles + QStringLiteral("obsolete"));
    }

    const Outcome outcome = execute(updateId, map);
    QVERIFY2(outcome.kind == Outcome::Success, qPrintable(outcome.text));
    const Snapshot after = snapshot();
    QCOMPARE(after.keys().join(QLatin1Char(' ')), expected.keys().join(QLatin1Char(' ')));
    QCOMPARE(after, expected);
}

void BoothwardBusTest::enableKeyCombinations_data()
{
    // The helper called directly takes all 81; on the bus: none, all on, all
    // off and two mixed.
    EnableSwitches::addRows({0, 40, 80, 34, 11});
}

void BoothwardBusTest::enableKeyCombinations()
{
    QFETCH(QVector<int>, states);
    HelperActionsMap map(EnableSwitches::prepare(states));
    map.setLocale(QStringLiteral("C"));
    const Outcome outcome = execute(enableId, map);
    QVERIFY2(outcome.kind == Outcome::Success, qPrintable(outcome.text));
    EnableSwitches::verify(states);
}

void BoothwardBusTest::emptyUpdateChangesNothing()
{
    const Snapshot before = layOut({QStringLiteral("alice")}, {QStringLiteral("browser")});
    QCOMPARE(execute(updateId, UpdateActionsMap(QString())).kind, Outcome::Success);
    QCOMPARE(snapshot(), before);
}

void BoothwardBusTest::stepsRunInTheirOrder()
{
    Snapshot expected = layOut({QStringLiteral("alice"), QStringLiteral("bob")}, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("scratch")});

    UpdateActionsMap map(QStringLiteral("C"));
    // A chain: b moves on to c and a takes b's place; neither text may be lost.
    map.setProfilesToRename({{QStringLiteral("a"), QStringLiteral("b")}, {QStringLiteral("b"), QStringLiteral("c")}});
    // A user disabled and edited: the rename comes first, the text is the disabled file's.
    map.setUsersToRename({{QStringLiteral("alice"), QStringLiteral("disabled/alice")}});
    map.setUsersToUpdate({{QStringLiteral("disabled/alice"), QStringLiteral("alice new\n")}, {QStringLiteral("bob"), QStringLiteral("bob new\n")}});
    // Written and removed in one save: the removal comes last.
    map.setProfilesToUpdate({{QStringLiteral("scratch"), QStringLiteral("scratch new\n")}});
    map.setProfilesToRemove({QStringLiteral("scratch")});
    map.setUsersToRemove({QStringLiteral("bob")});
    const Outcome outcome = execute(updateId, map);
    QVERIFY2(outcome.kind == Outcome::Success, qPrintable(outcome.text));

    expected.insert(profiles + QStringLiteral("b"), "a\n");
    expected.insert(profiles + QStringLiteral("c"), "b\n");
    expected.remove(profiles + QStringLiteral("a"));
    expected.remove(profiles + QStringLiteral("scratch"));
    expected.remove(users + QStringLiteral("alice"));
    expected.remove(users + QStringLiteral("bob"));
    expected.insert(users + QStringLiteral("disabled"), "<dir>");
    expected.insert(users + QStringLiteral("disabled/alice"), "alice new\n");
    const Snapshot after = snapshot();
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        QVERIFY2(expected.value(it.key()) == it.value(), qPrintable(it.key() + QLatin1Char('=') + QString::fromUtf8(it.value())));
    }
    QCOMPARE(after.keys(), expected.keys());
}

void BoothwardBusTest::everyActionSaysWhenItRuns_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QVariantMap>("arguments");
    QTest::newRow("update") << updateId << QVariantMap(UpdateActionsMap(QStringLiteral("C")));
    QTest::newRow("enable") << enableId << QVariantMap(EnableActionsMap(QStringLiteral("C")));
    QTest::newRow("snapshots") << snapshotsId << QVariantMap(SnapshotsActionsMap(QStringLiteral("C")));
    // Refused arguments too: the program's silence limit must not stay off.
    QTest::newRow("refused update") << updateId << QVariantMap{{QStringLiteral("usersToRemove"), QStringList{QStringLiteral("../x")}}};
}

// The program counts a helper's silence only from its first word on, which
// says that the authorisation is over: a slow password is no stuck helper.
void BoothwardBusTest::everyActionSaysWhenItRuns()
{
    QFETCH(QString, action);
    QFETCH(QVariantMap, arguments);
    // The refused one's sentence is another test's.
    QVERIFY(execute(action, arguments).begun);
}

void BoothwardBusTest::repliesInTheCallersLanguage_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("sentence");
    // From the catalogues the build puts where the helper looks for them.
    QTest::newRow("Russian") << QStringLiteral("ru_RU.UTF-8") << QStringLiteral("Недопустимое имя профиля «a/b». Ничего не изменено.");
    QTest::newRow("English") << QStringLiteral("en_US.UTF-8") << QStringLiteral("Invalid profile name 'a/b'. Nothing has been changed.");
    QTest::newRow("no LANG") << QString() << QStringLiteral("Invalid profile name 'a/b'. Nothing has been changed.");
    // Russian again: an English caller before must not have left the helper in English.
    QTest::newRow("Russian after English") << QStringLiteral("ru_RU.UTF-8") << QStringLiteral("Недопустимое имя профиля «a/b». Ничего не изменено.");
}

void BoothwardBusTest::repliesInTheCallersLanguage()
{
    QFETCH(QString, lang);
    QFETCH(QString, sentence);
    QVERIFY2(QFileInfo::exists(QString::fromUtf8(SystemPaths::translationsDir) + QStringLiteral("/boothward_ru.qm")),
             "the build put no catalogues below the scratch root");
    UpdateActionsMap map(lang);
    map.setProfilesToUpdate({{QStringLiteral("a/b"), QStringLiteral("x\n")}});
    const Outcome outcome = execute(updateId, map);
    QCOMPARE(outcome.kind, Outcome::Failure);
    QCOMPARE(outcome.text, sentence);
}

void BoothwardBusTest::failingFourthStepChangesNothing()
{
    layOut({QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("carol"), QStringLiteral("dave")}, {QStringLiteral("office")});
    const QString disabledDir = userProfile(QStringLiteral("disabled"));
    QVERIFY(QDir().mkpath(disabledDir));
    // Not even root may add an entry to an immutable directory: the fourth
    // rename, into it, fails only once the first three are done.
    QCOMPARE(QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), disabledDir}), 0);
    const auto thaw = qScopeGuard([&disabledDir] {
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), disabledDir});
    });
    const Snapshot before = snapshot();

    // The helper must hand on the failure's own sentence: the same failure here gives it.
    QString sentence;
    try {
        SystemKiosk().renameUserProfile(QStringLiteral("dave"), QStringLiteral("disabled/dave"));
    } catch (const DetailsException &e) {
        sentence = e.fullDetails();
    }
    QVERIFY(!sentence.isEmpty());

    UpdateActionsMap map(QStringLiteral("C"));
    map.setUsersToRename({{QStringLiteral("alice"), QStringLiteral("anna")},
                          {QStringLiteral("bob"), QStringLiteral("bert")},
                          {QStringLiteral("carol"), QStringLiteral("cora")},
                          {QStringLiteral("dave"), QStringLiteral("disabled/dave")}});
    map.setProfilesToUpdate({{QStringLiteral("office"), QStringLiteral("office new\n")}, {QStringLiteral("web"), QStringLiteral("web\n")}});
    const Outcome outcome = execute(updateId, map);

    QCOMPARE(outcome.kind, Outcome::Failure);
    QVERIFY(outcome.code != KAuth::ActionReply::AuthorizationDeniedError);
    QCOMPARE(outcome.text, sentence + QStringLiteral(". Nothing has been changed."));
    QCOMPARE(snapshot(), before);
}

void BoothwardBusTest::killedSaveLeavesOneWholeTree_data()
{
    // The helper's journal goes through three stages, each a different way back.
    QTest::addColumn<int>("moment");
    QTest::newRow("while it prepares") << 0;
    QTest::newRow("once it is prepared") << 1;
    QTest::newRow("at the first visible change") << 2;
}

void BoothwardBusTest::killedSaveLeavesOneWholeTree()
{
    QFETCH(int, moment);
    const QMap<QString, QString> texts = oldProfiles();
    const Snapshot before = layOut({QStringLiteral("alice"), QStringLiteral("bob")});
    QCOMPARE(execute(updateId, UpdateActionsMap(QStringLiteral("C"))).kind, Outcome::Success);
    const QStringList keptBefore = QDir(QString::fromUtf8(SystemPaths::snapshotsDir)).entryList(QDir::Files);
    const qint64 pid = helperPid();
    QVERIFY(pid > 0);

    UpdateActionsMap big(QStringLiteral("C"));
    big.setUsersToRename({{QStringLiteral("bob"), QStringLiteral("disabled/bob")}});
    big.setProfilesToUpdate(texts);
    big.setUsersToRemove({QStringLiteral("alice")});
    Snapshot after = before;
    after.remove(users + QStringLiteral("alice"));
    after.remove(users + QStringLiteral("bob"));
    after.insert(users + QStringLiteral("disabled"), "<dir>");
    after.insert(users + QStringLiteral("disabled/bob"), "bob\n");
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        after.insert(profiles + it.key(), it.value().toUtf8());
    }

    const QString journal = QString::fromUtf8(SystemPaths::transactionJournalDir) + QStringLiteral("/journal");
    const QString first = systemProfile(texts.firstKey());
    bool killed = false;
    const auto due = [&] {
        return moment == 0 ? QFileInfo::exists(journal)
            : moment == 1  ? TestFiles::read(journal).endsWith("prepared\n")
                           : !TestFiles::read(first).startsWith("old ");
    };
    QCOMPARE(interruptedUpdate(big, pid, SIGKILL, due, 20000, &killed).kind, Outcome::Failure);
    QVERIFY2(killed, "the helper finished before it could be killed");
    if (moment == 2) {
        // Killed amid the visible changes, the tree a mixture until someone
        // puts it back: without a further action, the old tree is back as
        // soon as the save has failed, and nothing is kept of the save that
        // never happened.
        QVERIFY(!QFileInfo::exists(journal));
        QVERIFY2(snapshot(Scope::Visible) == before, "the tree is not the old configuration");
        QCOMPARE(QDir(QString::fromUtf8(SystemPaths::snapshotsDir)).entryList(QDir::Files), keptBefore);
    }

    // A new helper, started as the save failed, puts the tree in order first.
    QTRY_VERIFY_WITH_TIMEOUT(helperPid() != pid, 10000);
    QCOMPARE(execute(enableId, EnableActionsMap(QStringLiteral("C"))).kind, Outcome::Success);
    const Snapshot recovered = snapshot(Scope::Visible);
    QVERIFY2(recovered == before || recovered == after, "the tree is a mixture of the old and the new configuration");
    qInfo("the %s tree is back", recovered == before ? "old" : "new");
    QVERIFY(!QFileInfo::exists(journal));
}

void BoothwardBusTest::unreadableJournalRefusesTheSave()
{
    KioskTree::write(systemProfile(QStringLiteral("office")), "office\n");
    KioskTree::write(QString::fromUtf8(SystemPaths::transactionJournalDir) + QStringLiteral("/journal"), "touched system ..%2Fx -\n");
    const Snapshot before = snapshot();
    UpdateActionsMap map(QStringLiteral("C"));
    map.setProfilesToUpdate({{QStringLiteral("office"), QStringLiteral("office new\n")}});
    const Outcome outcome = execute(updateId, map);
    QCOMPARE(outcome.kind, Outcome::Failure);
    QVERIFY2(outcome.text.startsWith(QLatin1String("An earlier save that was interrupted cannot be put in order")), qPrintable(outcome.text));
    QVERIFY2(outcome.text.endsWith(QLatin1String("Nothing has been changed.")), qPrintable(outcome.text));
    QCOMPARE(snapshot(), before);
}

void BoothwardBusTest::restoredSnapshotGivesBackTheTree()
{
    const Snapshot original = layOut({QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("disabled/carol")},
                                     {QStringLiteral("browser"), QStringLiteral("office"), QStringLiteral("obsolete")});

    UpdateActionsMap map(QStringLiteral("C"));
    map.setUsersToRename({{QStringLiteral("alice"), QStringLiteral("disabled/alice")}, {QStringLiteral("disabled/carol"), QStringLiteral("carol")}});
    map.setProfilesToRename({{QStringLiteral("browser"), QStringLiteral("web")}});
    map.setUsersToUpdate({{QStringLiteral("bob"), QStringLiteral("bob new\n")}, {QStringLiteral("dave"), QStringLiteral("dave\n")}});
    map.setProfilesToUpdate({{QStringLiteral("office"), QStringLiteral("office new\n")}});
    map.setProfilesToRemove({QStringLiteral("obsolete")});
    QCOMPARE(execute(updateId, map).kind, Outcome::Success);
    const Snapshot saved = snapshot();
    QVERIFY(saved != original);

    const QList<SnapshotsActionsMap::Entry> before = snapshots();
    QCOMPARE(before.size(), 1);
    QVERIFY2(before.first().summary.contains(QLatin1String("1 profile(s) renamed")), qPrintable(before.first().summary));
    const QList<SnapshotsActionsMap::Entry> after = snapshots(before.first().id);
    QCOMPARE(snapshot(), original);

    // The restore is kept too, and undoing it gives the save back.
    QCOMPARE(after.size(), 2);
    QCOMPARE(after.last().id, before.first().id);
    snapshots(after.first().id);
    QCOMPARE(snapshot(), saved);
}

void BoothwardBusTest::fiftyFirstSnapshotDropsTheFirst()
{
    const int saves = KioskSnapshots::maxSnapshots + 1;
    for (int i = 0; i < saves; ++i) {
        UpdateActionsMap map(QStringLiteral("C"));
        map.setProfilesToUpdate({{QStringLiteral("browser"), QString::number(i) + QLatin1Char('\n')}});
        QCOMPARE(execute(updateId, map).kind, Outcome::Success);
    }
    const QList<SnapshotsActionsMap::Entry> kept = snapshots();
    QCOMPARE(kept.size(), KioskSnapshots::maxSnapshots);
    const QStringList files = QDir(QString::fromUtf8(SystemPaths::snapshotsDir)).entryList(QDir::Files);
    QCOMPARE(files.size(), KioskSnapshots::maxSnapshots);
    // The oldest kept is the second save's: restoring it gives what the first wrote.
    snapshots(kept.last().id);
    QCOMPARE(TestFiles::read(systemProfile(QStringLiteral("browser"))), QByteArray("0\n"));
}

void BoothwardBusTest::unprivilegedClients()
{
    // polkit authorises root whatever the rules; a refusal needs another account.
    const QString autoEnforce = QString::fromUtf8(SystemPaths::autoEnforceFile);
    KioskTree::write(autoEnforce, "0\n");
    const QStringList enable{QStringLiteral("enable"), QStringLiteral("autoEnforce=true")};
    const auto runAs = [](const QString &user, const QString &group, const QStringList &request) {
        QProcess client;
        startClient(client, request, user, group);
        client.waitForFinished(60000);
        // The result line, after the progress lines of an action that ran.
        const QStringList lines = QString::fromUtf8(client.readAllStandardOutput()).split(QLatin1Char('\n'));
        const auto result = std::find_if(lines.cbegin(), lines.cend(), [](const QString &line) {
            return !line.startsWith(QLatin1String("{\"progress\""));
        });
        return qMakePair(client.exitCode(), result == lines.cend() ? QString() : *result);
    };

    // No rule lets nobody in and there is no agent to ask: refused, and
    // silently so, a recording as much as a switch.
    for (const QStringList &request :
         {enable, {QStringLiteral("traceapplication"), QStringLiteral("commandKey=true")}, {QStringLiteral("globaltrace"), QStringLiteral("enable=true")}}) {
        const auto refused = runAs(QStringLiteral("nobody"), QStringLiteral("nogroup"), request);
        QCOMPARE(refused.second, QStringLiteral("refused"));
        QCOMPARE(refused.first, 1);
    }
    QCOMPARE(TestFiles::read(autoEnforce), QByteArray("0\n"));
    QVERIFY(!QFileInfo::exists(QString::fromUtf8(SystemPaths::complainParameter)));

    // The test's polkit rule authorises daemon.
    const auto allowed = runAs(QStringLiteral("daemon"), QStringLiteral("daemon"), enable);
    QCOMPARE(allowed.second, QStringLiteral("success"));
    QCOMPARE(allowed.first, 0);
    QCOMPARE(TestFiles::read(autoEnforce), QByteArray("1\n"));
}

void BoothwardBusTest::unknownActionLeavesNoHelperWedged()
{
    // An action polkit does not know, sent by any local account past KAuth's
    // client: KAuth would wait for ever for polkit's answer to it.
    QVERIFY(endHelper(10000));
    QProcess caller;
    startClient(caller, {QStringLiteral("--direct"), QStringLiteral("--timeout"), QStringLiteral("30000"), helperName + QStringLiteral(".nosuchaction")});
    // It is answered at once, and the same helper serves the next caller.
    QVERIFY(caller.waitForFinished(10000));
    QCOMPARE(QString::fromUtf8(caller.readAllStandardOutput()), QStringLiteral("answered\n"));
    const qint64 pid = helperPid();
    QVERIFY(pid > 0);
    EnableActionsMap enable(QStringLiteral("C"));
    enable.enableAutoEnforce(true);
    QCOMPARE(execute(enableId, enable, 10000).kind, Outcome::Success);
    QCOMPARE(helperPid(), pid);
}

void BoothwardBusTest::hostileCallersNeverDelayASave()
{
    // Any local account may send the helper a request of one of its own
    // actions and leave before polkit looks at it, or one of an action polkit
    // does not know; one does so again and again while the administrator saves.
    QVERIFY(endHelper(10000));
    int sent = 0;
    QList<QProcess *> hostile;
    QTimer sender;
    sender.setInterval(150);
    connect(&sender, &QTimer::timeout, this, [&]() {
        auto *process = new QProcess(this);
        const QString action = sent % 3 == 2 ? helperName + QStringLiteral(".nosuchaction") : sent % 3 == 1 ? enableId : updateId;
        startClient(*process,
                    {QStringLiteral("--direct"), QStringLiteral("--timeout"), QStringLiteral("1"), action, QStringLiteral("profilesToRemove=[\"office\"]")});
        hostile.append(process);
        ++sent;
    });
    sender.start();
    QTRY_VERIFY_WITH_TIMEOUT(sent >= 5, 10000);

    KioskTree::write(systemProfile(QStringLiteral("office")), "office\n");
    for (int i = 0; i < 3; ++i) {
        // Requests of nobody's pile up before each save.
        QTest::qWait(1500);
        UpdateActionsMap map(QStringLiteral("C"));
        map.setProfilesToUpdate({{QStringLiteral("browser"), QString::number(i) + QLatin1Char('\n')}});
        QElapsedTimer timer;
        timer.start();
        // Ended after 20 s of silence instead of the program's minute, to
        // fail sooner: a wedged helper answered after 62 s, as refused.
        const Outcome outcome = execute(updateId, map, 20000, Wait::WhileAlive);
        QVERIFY2(outcome.kind == Outcome::Success, qPrintable(outcome.text));
        // The bound is the behaviour: a save takes well under a second here,
        // a wait behind nobody's requests a minute.
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QStringLiteral("save %1 took %2 ms").arg(i).arg(timer.elapsed())));
        QCOMPARE(TestFiles::read(systemProfile(QStringLiteral("browser"))), QByteArray::number(i) + '\n');
    }
    sender.stop();
    for (QProcess *process : qAsConst(hostile)) {
        process->waitForFinished(10000);
        delete process;
    }
    qInfo("%d requests from nobody meanwhile", sent);
    QVERIFY(sent >= 10);
    // None of them got through.
    QCOMPARE(TestFiles::read(systemProfile(QStringLiteral("office"))), QByteArray("office\n"));
}

void BoothwardBusTest::hostileMaps_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QVariantMap>("arguments");
    QTest::addColumn<QString>("error");

    const QString traversal = escapeByTraversal();
    const QString absolute = escapePath();
    const QString invalid = QStringLiteral("Invalid profile name");
    QTest::newRow("traversal to write") << updateId << QVariantMap{{QStringLiteral("profilesToUpdate"), stringMap({{traversal, QStringLiteral("x")}})}}
                                        << invalid;
    QTest::newRow("absolute name to write") << updateId << QVariantMap{{QStringLiteral("usersToUpdate"), stringMap({{absolute, QStringLiteral("x")}})}}
                                            << invalid;
    QTest::newRow("rename out of the tree") << updateId << QVariantMap{{QStringLiteral("profilesToRename"), stringMap({{QStringLiteral("browser"), absolute}})}}
                                            << invalid;
    QTest::newRow("rename into the tree") << updateId << QVariantMap{{QStringLiteral("usersToRename"), stringMap({{traversal, QStringLiteral("alice")}})}}
                                          << invalid;
    QTest::newRow("remove by traversal") << updateId << QVariantMap{{QStringLiteral("profilesToRemove"), QStringList{QStringLiteral("../kiosk2/alice")}}}
                                         << invalid;
    QTest::newRow("NUL in a name") << updateId
                                   << QVariantMap{{QStringLiteral("usersToRemove"), QStringList{QStringLiteral("alice") + QChar(u'\0') + QStringLiteral("/x")}}}
                                   << invalid;
    QTest::newRow("the disabled directory") << updateId << QVariantMap{{QStringLiteral("usersToRemove"), QStringList{QStringLiteral("disabled")}}} << invalid;
    QTest::newRow("good steps before a bad name")
        << updateId
        << QVariantMap{{QStringLiteral("usersToRename"), stringMap({{QStringLiteral("alice"), QStringLiteral("disabled/alice")}})},
                       {QStringLiteral("profilesToRemove"), QStringList{QStringLiteral("browser"), QStringLiteral("/")}}}
        << invalid;
    // Renames in a circle have no order.
    QTest::newRow("renames in a circle") << updateId
                                         << QVariantMap{{QStringLiteral("profilesToRename"),
                                                         stringMap({{QStringLiteral("browser"), QStringLiteral("web")},
                                                                    {QStringLiteral("web"), QStringLiteral("browser")}})}}
                                         << QStringLiteral("go round in a circle; save after each of them. Nothing has been changed.");
    QTest::newRow("list for a map") << updateId << QVariantMap{{QStringLiteral("usersToUpdate"), QStringList{QStringLiteral("alice")}}}
                                    << QStringLiteral("wrong type");
    QTest::newRow("number for a text") << updateId << QVariantMap{{QStringLiteral("profilesToUpdate"), QVariantMap{{QStringLiteral("browser"), 1}}}}
                                       << QStringLiteral("wrong type");
    QTest::newRow("byte array for a list") << updateId << QVariantMap{{QStringLiteral("profilesToRemove"), QByteArray("browser")}}
                                           << QStringLiteral("wrong type");
    // The good switch beside it is not set either.
    QTest::newRow("string for a switch") << enableId << QVariantMap{{QStringLiteral("enforce"), true}, {QStringLiteral("complain"), QStringLiteral("false")}}
                                         << QStringLiteral("'complain' in the request has the wrong type");
    QTest::newRow("unknown update key") << updateId << QVariantMap{{QStringLiteral("command"), QStringLiteral("rm -rf /")}}
                                        << QStringLiteral("Unknown argument 'command'");
    QTest::newRow("unknown enable key") << enableId << QVariantMap{{QStringLiteral("uc_enforce"), true}} << QStringLiteral("Unknown argument 'uc_enforce'");
    QTest::newRow("environment variable") << enableId
                                          << QVariantMap{{QStringLiteral("proccessEnvironmentsKey"),
                                                          QVariantMap{{QStringLiteral("LD_PRELOAD"), QStringLiteral("/tmp/x.so")}}}}
                                          << QStringLiteral("Unknown environment variable 'LD_PRELOAD'");
}

void BoothwardBusTest::hostileMaps()
{
    QFETCH(QString, action);
    QFETCH(QVariantMap, arguments);
    QFETCH(QString, error);

    KioskTree::write(QString::fromUtf8(SystemPaths::enforceParameter), "0\n");
    const Snapshot before = layOut({QStringLiteral("alice")}, {QStringLiteral("browser")});

    const Outcome outcome = execute(action, arguments);
    QCOMPARE(outcome.kind, Outcome::Failure);
    QVERIFY2(outcome.text.contains(error), qPrintable(outcome.text));
    QCOMPARE(snapshot(), before);
    QVERIFY(!QFileInfo::exists(escapePath()));
}

void BoothwardBusTest::hugeProfileText()
{
    // 10 MB of rules; on the wire that is twice as much (UTF-16).
    QString text;
    text.reserve(10 * 1024 * 1024 + 100);
    for (int i = 0; text.size() < 10 * 1024 * 1024; ++i) {
        text += QStringLiteral("/usr/share/big/directory/file-%1 r,u\n").arg(i);
    }
    UpdateActionsMap map(QStringLiteral("C"));
    map.setProfilesToUpdate({{QStringLiteral("big"), text}});

    const Outcome outcome = execute(updateId, map);
    QVERIFY2(outcome.kind == Outcome::Success, qPrintable(outcome.text));
    QCOMPARE(TestFiles::read(systemProfile(QStringLiteral("big"))), text.toUtf8());
}

void BoothwardBusTest::tenThousandProfiles()
{
    const QMap<QString, QString> profiles = ProfileText::many(10000);
    UpdateActionsMap map(QStringLiteral("C"));
    map.setProfilesToUpdate(profiles);

    // Far longer than a few seconds here, but never silent that long.
    Outcome outcome = execute(updateId, map, 5000, Wait::WhileAlive);
    QVERIFY2(outcome.kind == Outcome::Success, qPrintable(outcome.text));

    const QDir dir(QString::fromUtf8(SystemPaths::systemProfilesDir));
    QCOMPARE(dir.entryList(QDir::Files).size(), 10000);
    QCOMPARE(TestFiles::read(systemProfile(QStringLiteral("p09999"))), profiles.value(QStringLiteral("p09999")).toUtf8());

    UpdateActionsMap removal(QStringLiteral("C"));
    removal.setProfilesToRemove(profiles.keys());
    outcome = execute(updateId, removal);
    QCOMPARE(outcome.kind, Outcome::Success);
    QCOMPARE(dir.entryList(QDir::Files).size(), 0);
}

void BoothwardBusTest::tenThousandEntriesAndOneBadName()
{
    QMap<QString, QString> profiles = ProfileText::many(10000);
    profiles.insert(escapeByTraversal(), QStringLiteral("x"));
    UpdateActionsMap map(QStringLiteral("C"));
    map.setUsersToRemove(profiles.keys().mid(0, 10000));
    map.setProfilesToUpdate(profiles);

    const Outcome outcome = execute(updateId, map);
    QCOMPARE(outcome.kind, Outcome::Failure);
    QVERIFY2(outcome.text.startsWith(QLatin1String("Invalid profile name '../")), qPrintable(outcome.text));
    QCOMPARE(QDir(QString::fromUtf8(SystemPaths::systemProfilesDir)).entryList(QDir::Files).size(), 0);
    QVERIFY(!QFileInfo::exists(escapePath()));
}

void BoothwardBusTest::updateLargerThanTheBusCarries()
{
    // The bus refuses messages over 32 MiB and drops the sender's connection,
    // so this runs in a client process of its own.
    // About 17.8 million characters, 35.6 MB as UTF-16 on the wire.
    QByteArray json = "{\"profilesToUpdate\": {\"limit\": \"";
    const QByteArray rule = "/usr/share/x r,u\\n";
    while (json.size() < 18 * 1024 * 1024) {
        json += rule;
    }
    json += "\"}}";
    const QString file = qEnvironmentVariable("ORLA_TESTBUS_DIR") + QStringLiteral("/oversized.json");
    TestFiles::write(file, json);

    QProcess client;
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    client.start(QStringLiteral(KAUTHCLIENT_PATH), {QStringLiteral("--arguments"), file, QStringLiteral("update")});
    QVERIFY(client.waitForFinished(120000));
    QFile::remove(file);
    const QString result = QString::fromUtf8(client.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0);
    qInfo("oversized update: \"%s\"", qPrintable(result));
    QCOMPARE(client.exitCode(), 2);
    QVERIFY(result.startsWith(QLatin1String("error ")));
    QVERIFY(!QFileInfo::exists(systemProfile(QStringLiteral("limit"))));
}

void BoothwardBusTest::requestDuringASaveIsServedAfterIt()
{
    // A long update occupies the helper; an action sent meanwhile waits for
    // it and is then carried out, instead of being answered "busy", an answer
    // KAuth's client drops.
    UpdateActionsMap big(QStringLiteral("C"));
    big.setProfilesToUpdate(ProfileText::many(10000));
    const HelperRun::Running longJob(updateId, big);
    QTRY_VERIFY_WITH_TIMEOUT(saveUnderWay(), 30000);

    KioskTree::write(QString::fromUtf8(SystemPaths::autoEnforceFile), "0\n");
    EnableActionsMap enable(QStringLiteral("C"));
    enable.enableAutoEnforce(true);
    const Outcome outcome = execute(enableId, enable, 120000);
    QVERIFY2(outcome.kind == Outcome::Success, qPrintable(outcome.text));
    QCOMPARE(TestFiles::read(QString::fromUtf8(SystemPaths::autoEnforceFile)), QByteArray("1\n"));

    // The long update went on to its end first.
    QVERIFY(longJob.finished);
    QCOMPARE(longJob.job->error(), 0);
    QCOMPARE(QDir(QString::fromUtf8(SystemPaths::systemProfilesDir)).entryList(QDir::Files).size(), 10000);
}

void BoothwardBusTest::interruptedHelperEndsTheWait_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("watchdog");
    // Empty: whatever KAuth says of a helper that went away.
    QTest::addColumn<QString>("text");
    QTest::newRow("stopped") << int(SIGSTOP) << 3000 << QStringLiteral("The privileged helper did not answer.");
    QTest::newRow("killed") << int(SIGKILL) << 20000 << QString();
}

void BoothwardBusTest::interruptedHelperEndsTheWait()
{
    QFETCH(int, signal);
    QFETCH(int, watchdog);
    QFETCH(QString, text);
    // A running helper whose pid is known before the action starts.
    QCOMPARE(execute(updateId, UpdateActionsMap(QStringLiteral("C"))).kind, Outcome::Success);
    const qint64 pid = helperPid();
    QVERIFY(pid > 0);

    UpdateActionsMap big(QStringLiteral("C"));
    big.setProfilesToUpdate(ProfileText::many(10000));
    bool sent = false;
    QElapsedTimer timer;
    timer.start();
    const Outcome outcome = interruptedUpdate(big, pid, signal, saveUnderWay, watchdog, &sent);
    QVERIFY2(sent, "the helper finished before it could be interrupted");
    QCOMPARE(outcome.kind, Outcome::Failure);
    QVERIFY(!outcome.text.isEmpty());
    QVERIFY(text.isEmpty() || outcome.text == text);
    qInfo("%s helper: error %d \"%s\"", QTest::currentDataTag(), outcome.code, qPrintable(outcome.text));
    // The bound is the behaviour: the program's ten minutes must not run out
    // first. It is generous beyond the watchdog for a slow machine.
    QVERIFY(timer.elapsed() < 40000);
    // Interrupted mid-action: not every profile written.
    QVERIFY(signal != SIGSTOP || QDir(QString::fromUtf8(SystemPaths::systemProfilesDir)).entryList(QDir::Files).size() < 10000);

    QVERIFY(endHelper(10000));
    // The bus starts a new helper for the next action.
    QCOMPARE(execute(enableId, EnableActionsMap(QStringLiteral("C"))).kind, Outcome::Success);
}

QTEST_GUILESS_MAIN(BoothwardBusTest)

#include "boothwardbustest.moc"
