/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Rule recording through the road the program takes: a KAuth client, the
// system bus, polkit, the helper the bus starts as root, real accounts, a real
// X display and the module's trace reporter. Runs under
// testbus/run-with-system-bus.sh --accounts --module --display, whose private
// mount namespace keeps every account, mount and file it makes to itself.

#include "accountcommand.h"
#include "helperrun.h"
#include "kiosktree.h"
#include "scratchroot.h"
#include "testfiles.h"

#include "profile/profileparser.h"
#include "protocol/helperconstants.h"
#include "store/systemkiosk.h"
#include "system/processtree.h"
#include "system/user.h"
#include "systempaths.h"

#include <KAuth/ExecuteJob>

#include <QDBusConnection>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <optional>

#include <csignal>

using namespace KioskTree;
using HelperRun::Outcome;

namespace
{
const QString traceId = HelperConstants::traceApplicationActionId;
// setpriv's arguments that run a command as nobody, a local account without rights.
const QStringList asNobody = {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")};
// dbus-send's arguments of a raw stop of the recording, as any caller may send one (see fakekauthbus.h).
const QStringList rawStop = {QStringLiteral("--system"),
                             QStringLiteral("--print-reply"),
                             QStringLiteral("--dest=") + QString(HelperConstants::helperId),
                             QStringLiteral("/"),
                             QStringLiteral("org.kde.kf5auth.stopAction"),
                             QStringLiteral("string:") + traceId};
const QString globalId = HelperConstants::globalTraceActionId;
constexpr int waitMs = 180000;

Outcome execute(const QString &id, const QVariantMap &arguments, const std::function<void(KAuth::ExecuteJob *)> &whileRunning = {})
{
    HelperRun::Running running(id, arguments, waitMs);
    if (whileRunning) {
        whileRunning(running.job.get());
    }
    return running.finish(waitMs);
}

QString command(const QString &program, const QStringList &arguments)
{
    return AccountCommand::run(program, arguments).output;
}

bool run(const QString &program, const QStringList &arguments)
{
    return AccountCommand::run(program, arguments).code == 0;
}

void createAccount(const QString &name, const QString &profile)
{
    QVERIFY(run(QStringLiteral("adduser"), {QStringLiteral("--quiet"), QStringLiteral("--disabled-password"), QStringLiteral("--gecos"), QString(), name}));
    SystemKiosk().updateUserProfile(name, profile);
}

// The program's way to stop a global recording: the same action once more,
// killed at once; the reply reaches the job that started the recording.
void stopGlobalRecording()
{
    HelperRun::Running(globalId, {{QStringLiteral("enable"), true}}, waitMs).job->kill();
}

// What each recording must leave as it found it, an entry each, so that a
// failed comparison names what was left behind.
using Traces = QStringList;

Traces traces()
{
    Traces t;
    QByteArray switches;
    for (const char *path : {SystemPaths::enforceParameter, SystemPaths::complainParameter, SystemPaths::autoEnforceFile, SystemPaths::autoComplainFile}) {
        switches += TestFiles::read(QString::fromUtf8(path));
    }
    t << QStringLiteral("switches ") + QString::fromUtf8(switches);
    const QString passwd = QString::fromUtf8(TestFiles::read(QStringLiteral("/etc/passwd")));
    t << QStringLiteral("passwd ") + passwd;
    for (const QString &line : passwd.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("temp_user_"))) {
            t << line.section(QLatin1Char(':'), 0, 0);
        }
    }
    for (const QString &home : QDir(QStringLiteral("/home")).entryList({QStringLiteral("temp_user_*")}, QDir::Dirs)) {
        t << QStringLiteral("home ") + home;
    }
    t << QStringLiteral("grants ") + command(QStringLiteral("xhost"), {});
    t << QStringLiteral("user profiles ") + QDir(QString::fromUtf8(SystemPaths::userProfilesDir)).entryList(QDir::Files).join(QLatin1Char(' '));
    return t;
}

QSet<QString> recordedFiles(const QString &text, ObjectRule::Mode mode)
{
    QSet<QString> files;
    const QSet<ObjectRule> rules = ProfileParser::parseText(text).data().objectRules();
    for (const ObjectRule &rule : rules) {
        if (rule.modes().contains(mode)) {
            files.insert(rule.filename());
        }
    }
    return files;
}

QString profileAllowing(const QString &path)
{
    ObjectRule rule;
    rule.setType(ObjectRule::File);
    rule.insertMode(ObjectRule::Read);
    rule.insertTargets({ObjectRule::TargetUser, ObjectRule::TargetOther});
    rule.setFilename(path);
    ProfileData data;
    data.insertObjectRule(rule);
    return ProfileParser::profileDataSerialization(data);
}

QVariantMap traceArguments(const QString &commandLine, const QString &user = QString())
{
    return {{QStringLiteral("commandKey"), commandLine},
            {QStringLiteral("usernameKey"), user},
            {QStringLiteral("displayKey"), qEnvironmentVariable("DISPLAY")},
            {QStringLiteral("xauthorytyPathKey"), qEnvironmentVariable("XAUTHORITY")}};
}

// The file @p by stands in place of @p tool, for this namespace only, while it lives.
struct Replacing {
    Replacing(const QString &tool, const QString &by)
        : tool(tool)
        , done(run(QStringLiteral("mount"), {QStringLiteral("--bind"), by, tool}))
    {
    }
    ~Replacing()
    {
        if (done && !run(QStringLiteral("umount"), {tool})) {
            qWarning("could not take %s back", qPrintable(tool));
        }
    }
    const QString tool;
    const bool done;
};

// @p id run while the file @p by stands in place of @p tool.
Outcome executeReplacing(const QString &tool, const QString &by, const QString &id, const QVariantMap &arguments)
{
    const Replacing replacing(tool, by);
    if (!replacing.done) {
        Outcome unrun;
        unrun.text = QStringLiteral("could not put %1 in place of %2").arg(by, tool);
        return unrun;
    }
    return execute(id, arguments);
}

QString script(const QString &name, const QByteArray &body)
{
    const QString path = qEnvironmentVariable("ORLA_TESTBUS_DIR") + QLatin1Char('/') + name;
    TestFiles::write(path, "#!/bin/sh\n" + body + '\n');
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    return path;
}

// A global recording around @p work; the reply.
Outcome globalRecording(const std::function<void()> &work)
{
    HelperRun::Running job(globalId, {{QStringLiteral("enable"), true}}, waitMs);
    if (!QTest::qWaitFor(
            [&job] {
                return !job.outcome.progress.isEmpty() || job.finished;
            },
            60000)) {
        return job.outcome;
    }
    work();
    stopGlobalRecording();
    return job.finish(waitMs);
}

QString box(const QString &name, const QString &owner)
{
    const QString path = qEnvironmentVariable("ORLA_TESTBUS_DIR") + QLatin1Char('/') + name;
    QDir().mkpath(path);
    run(QStringLiteral("chown"), {owner, path});
    return path;
}
}

class RecordingBusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void temporaryAccount();
    void kioskUser();
    void closeApplication_data();
    void closeApplication();
    void globalRecordingOfTwoUsers();
    void hostileMaps_data();
    void hostileMaps();
    void failures_data();
    void failures();
    void collectorExitCodeIsAWarning();
    void switchesAfterARecording_data();
    void switchesAfterARecording();
    void killedRecordingIsUndoneAtHelperStart();
    void recordedWildcardStaysLiteral();
    void floodOfOneUserIsCapped();
    void killedHelperPutsTheCookieBack();
    void failedGlobalStart();
    void staleStopRequest();
    void othersCannotStopARecording();
};

void RecordingBusTest::initTestCase()
{
    if (!ScratchRoot::isScratchBuild()) {
        QSKIP("the kiosk tree is the real system's: build with -DORLA_SYSTEM_ROOT=<scratch dir>");
    }
    if (qEnvironmentVariableIsEmpty("ORLA_TESTBUS_DIR") || qEnvironmentVariableIsEmpty("DISPLAY")) {
        QSKIP("needs the private system bus with accounts, module and display: run under testbus/run-with-system-bus.sh --accounts --module --display");
    }
    QVERIFY(QDBusConnection::systemBus().isConnected());
}

void RecordingBusTest::init()
{
    KioskTree::reset();
    // Kiosk mode on, now and after reboot: what a recording must give back.
    KioskTree::setSwitches(true, true);
}

// A failed case may have left its action running: the next one must not
// find the helper busy.
void RecordingBusTest::cleanup()
{
    if (QTest::currentTestFailed()) {
        QVERIFY(HelperRun::endHelper(60000));
    }
}

void RecordingBusTest::cleanupTestCase()
{
    KioskTree::reset();
}

void RecordingBusTest::temporaryAccount()
{
    const Traces before = traces();
    const Outcome result = execute(traceId, traceArguments(QStringLiteral("cat /etc/hostname")));
    QVERIFY2(result.kind == Outcome::Success, qPrintable(result.text));
    QVERIFY2(recordedFiles(result.data.value(HelperConstants::traceTextKey).toString(), ObjectRule::Read).contains(QStringLiteral("/etc/hostname")),
             qPrintable(result.data.value(HelperConstants::traceTextKey).toString()));

    // The program learns the application's pid, then that it has ended.
    QVERIFY(result.progress.size() >= 2);
    QVERIFY(result.progress.first().value(HelperConstants::traceApplicationPidKey).toLongLong() > 0);
    QCOMPARE(result.progress.last().value(HelperConstants::traceApplicationPidKey).toLongLong(), -1);

    // No account, home, profile or grant survives, and the switches are back.
    QCOMPARE(traces(), before);
}

void RecordingBusTest::kioskUser()
{
    createAccount(QStringLiteral("kioskrec"), profileAllowing(QStringLiteral("/etc/hostname")));
    const QByteArray profile = TestFiles::read(userProfile(QStringLiteral("kioskrec")));
    const Traces before = traces();

    const Outcome result = execute(traceId, traceArguments(QStringLiteral("cat /etc/hostname /etc/debian_version"), QStringLiteral("kioskrec")));
    QVERIFY2(result.kind == Outcome::Success, qPrintable(result.text));
    const QSet<QString> read = recordedFiles(result.data.value(HelperConstants::traceTextKey).toString(), ObjectRule::Read);
    // Only what the user's profiles do not allow yet comes back.
    QVERIFY(read.contains(QStringLiteral("/etc/debian_version")));
    QVERIFY(!read.contains(QStringLiteral("/etc/hostname")));

    QCOMPARE(TestFiles::read(userProfile(QStringLiteral("kioskrec"))), profile);
    QCOMPARE(traces(), before);
    // The session bus the command line started went with the application.
    QVERIFY(ProcessTree::ofRealUid(static_cast<uid_t>(User(QStringLiteral("kioskrec")).getUid())).isEmpty());
}

void RecordingBusTest::closeApplication_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QByteArray>("su");
    QTest::newRow("session running") << QStringLiteral("kioskclose") << QByteArray();
    // A su held at its login checks, before it has started the session.
    QTest::newRow("su still logging in") << QStringLiteral("kiosklogin") << QByteArray("exec sleep 600");
}

void RecordingBusTest::closeApplication()
{
    QFETCH(QString, account);
    QFETCH(QByteArray, su);
    createAccount(account, QString());
    const Traces before = traces();
    const auto uid = static_cast<uid_t>(User(account).getUid());
    std::optional<Replacing> replacing;
    if (!su.isEmpty()) {
        QVERIFY(replacing.emplace(QString::fromUtf8(SystemPaths::suProgram), script(QStringLiteral("su-logging-in"), su)).done);
    }
    HelperRun::Running job(traceId, traceArguments(QStringLiteral("sleep 600 & sleep 600"), account), waitMs);
    const auto application = [&job] {
        return pid_t(job.outcome.progress.value(0).value(HelperConstants::traceApplicationPidKey).toLongLong());
    };
    // Closing waits until the application runs, as the program's waiting dialog does.
    const bool running = QTest::qWaitFor(
        [&] {
            return application() > 0 && (!su.isEmpty() || ProcessTree::ofRealUid(uid).size() >= 2);
        },
        60000);
    job.job->kill(KJob::Quietly);
    if (!running) {
        HelperRun::printProcesses(QStringLiteral("the application had not started (authorised: %1)").arg(job.outcome.begun));
    }
    QVERIFY(running);
    // Every process of the session, the one sent to the background too, has gone.
    QTRY_VERIFY_WITH_TIMEOUT(ProcessTree::ofRealUid(uid).isEmpty() && ::kill(application(), 0) != 0, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(traces() == before, 30000);
    // Nobody waits for the reply; the next test must not find the helper busy.
    QVERIFY(HelperRun::endHelper(60000));
}

void RecordingBusTest::globalRecordingOfTwoUsers()
{
    createAccount(QStringLiteral("kioskone"), QString());
    createAccount(QStringLiteral("kiosktwo"), QString());
    // A kiosk user whose account is gone costs a warning, never the recording.
    SystemKiosk().updateUserProfile(QStringLiteral("kioskghost"), QString());
    const Traces before = traces();

    const Outcome result = globalRecording([] {
        QCOMPARE(TestFiles::read(QString::fromUtf8(SystemPaths::complainParameter)), QByteArray("1\n"));
        QCOMPARE(AccountCommand::su(QStringLiteral("kioskone"), QStringLiteral("cat /etc/hostname")).code, 0);
        QCOMPARE(AccountCommand::su(QStringLiteral("kiosktwo"), QStringLiteral("cat /etc/debian_version")).code, 0);
    });
    QVERIFY2(result.kind == Outcome::Success, qPrintable(result.text));
    // Its first word says that the recording runs.
    QCOMPARE(result.progress.value(0).value(HelperConstants::globalModeEnableKey), QVariant(true));
    QCOMPARE(result.data.value(HelperConstants::globalModeEnableKey), QVariant(false));
    const QVariantMap texts = result.data.value(HelperConstants::globalRecordDataKey).toMap();
    const QSet<QString> one = recordedFiles(texts.value(QStringLiteral("kioskone")).toString(), ObjectRule::Read);
    const QSet<QString> two = recordedFiles(texts.value(QStringLiteral("kiosktwo")).toString(), ObjectRule::Read);
    QVERIFY(one.contains(QStringLiteral("/etc/hostname")) && !one.contains(QStringLiteral("/etc/debian_version")));
    QVERIFY(two.contains(QStringLiteral("/etc/debian_version")) && !two.contains(QStringLiteral("/etc/hostname")));
    QVERIFY(!texts.contains(QStringLiteral("kioskghost")));
    QVERIFY(result.data.value(HelperConstants::warningsDataKey).toStringList().join(QLatin1Char('\n')).contains(QLatin1String("kioskghost")));
    QCOMPARE(traces(), before);
}

void RecordingBusTest::hostileMaps_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QVariantMap>("arguments");

    const QString pwned = QStringLiteral("touch /tmp/orla-recording-pwned");
    const auto trace = [](const QString &key, const QVariant &value) {
        QVariantMap arguments = traceArguments(QStringLiteral("true"));
        arguments.insert(key, value);
        return arguments;
    };
    QTest::newRow("display substitution") << traceId << trace(QStringLiteral("displayKey"), QStringLiteral(":0$(%1)").arg(pwned));
    QTest::newRow("display command list") << traceId << trace(QStringLiteral("displayKey"), QStringLiteral(":0;%1").arg(pwned));
    QTest::newRow("display blank") << traceId << trace(QStringLiteral("displayKey"), QString(QStringLiteral(":0 ") + pwned));
    QTest::newRow("display newline") << traceId << trace(QStringLiteral("displayKey"), QString(QStringLiteral(":0\n") + pwned));
    QTest::newRow("authority substitution") << traceId << trace(QStringLiteral("xauthorytyPathKey"), QStringLiteral("/tmp/$(%1)").arg(pwned));
    QTest::newRow("authority relative") << traceId << trace(QStringLiteral("xauthorytyPathKey"), QStringLiteral("Xauthority"));
    QTest::newRow("authority a directory") << traceId << trace(QStringLiteral("xauthorytyPathKey"), QStringLiteral("/tmp"));
    QTest::newRow("user root") << traceId << trace(QStringLiteral("usernameKey"), QStringLiteral("root"));
    QTest::newRow("user not in the kiosk") << traceId << trace(QStringLiteral("usernameKey"), QStringLiteral("daemon"));
    QTest::newRow("user an option") << traceId << trace(QStringLiteral("usernameKey"), QStringLiteral("-c"));
    QTest::newRow("unknown key") << traceId << trace(QStringLiteral("shell"), QStringLiteral("/bin/sh"));
    QTest::newRow("command not a string") << traceId << trace(QStringLiteral("commandKey"), QStringList{pwned});
    QTest::newRow("global unknown key") << globalId << QVariantMap{{QStringLiteral("enable"), true}, {QStringLiteral("user"), QStringLiteral("x")}};
    QTest::newRow("global flag as text") << globalId << QVariantMap{{QStringLiteral("ignoreResult"), QStringLiteral("false")}};
}

void RecordingBusTest::hostileMaps()
{
    QFETCH(QString, action);
    QFETCH(QVariantMap, arguments);
    // A kiosk user that is root would be confined by nothing it can be refused for.
    SystemKiosk().updateUserProfile(QStringLiteral("root"), QString());
    const Traces before = traces();

    const Outcome result = execute(action, arguments);
    QVERIFY(result.kind == Outcome::Failure);
    QVERIFY2(result.text.contains(QLatin1String("Nothing has been changed")), qPrintable(result.text));
    QVERIFY(result.progress.isEmpty());
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/orla-recording-pwned")));
    QCOMPARE(traces(), before);
}

void RecordingBusTest::failures_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");

    const QString xhost = QString::fromUtf8(SystemPaths::xhostProgram);
    const QString uccollect = QString::fromUtf8(SystemPaths::uccollectProgram);
    QTest::newRow("missing xhost") << xhost << QByteArray() << QStringLiteral("not installed");
    QTest::newRow("failing grant") << xhost << QByteArray("echo no display >&2; exit 1") << QStringLiteral("no display");
    QTest::newRow("collector crashes") << uccollect << QByteArray("kill -SEGV $$") << QStringLiteral("uccollect");
    // The application must not run without its session bus.
    QTest::newRow("no session bus") << QString::fromUtf8(SystemPaths::dbusDaemonProgram) << QByteArray("echo no bus here >&2; exit 4")
                                    << QStringLiteral("exit code 4. no bus here");
}

// The collector's exit code is not examined: the rules it printed come back,
// and what it said with the code is a warning.
void RecordingBusTest::collectorExitCodeIsAWarning()
{
    const Traces before = traces();
    const Outcome result =
        executeReplacing(QString::fromUtf8(SystemPaths::uccollectProgram),
                         script(QStringLiteral("collector-exit-3"), "cat >/dev/null; echo '+file r u: /etc/hostname'; echo bad log >&2; exit 3"),
                         traceId,
                         traceArguments(QStringLiteral("cat /etc/hostname")));
    QVERIFY2(result.kind == Outcome::Success, qPrintable(result.text));
    QCOMPARE(result.data.value(HelperConstants::traceTextKey).toString(), QStringLiteral("+file r u: /etc/hostname\n"));
    const QStringList warnings = result.data.value(HelperConstants::warningsDataKey).toStringList();
    QVERIFY2(warnings.contains(QStringLiteral("bad log")), qPrintable(warnings.join(QLatin1Char('|'))));
    QVERIFY2(warnings.contains(QStringLiteral("The access collector ended with exit code 3; the rules it printed are kept.")),
             qPrintable(warnings.join(QLatin1Char('|'))));
    QCOMPARE(traces(), before);
}

void RecordingBusTest::failures()
{
    QFETCH(QString, tool);
    QFETCH(QByteArray, body);
    QFETCH(QString, error);

    const Traces before = traces();
    // An empty body stands for a tool that is not there at all.
    const QString by =
        body.isEmpty() ? QStringLiteral("/dev/null") : script(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')), body);
    const Outcome result = executeReplacing(tool, by, traceId, traceArguments(QStringLiteral("cat /etc/hostname")));
    QVERIFY(result.kind == Outcome::Failure);
    QVERIFY2(result.text.contains(error), qPrintable(result.text));
    QVERIFY(!result.data.contains(HelperConstants::traceTextKey));
    QCOMPARE(traces(), before);
}

void RecordingBusTest::switchesAfterARecording_data()
{
    QTest::addColumn<bool>("enforce");
    QTest::addColumn<bool>("autoEnforce");
    QTest::addColumn<bool>("autoComplain");
    for (int start = 0; start < 8; ++start) {
        QTest::addRow("enforce %d, after reboot %d, complain after reboot %d", start & 1, (start >> 1) & 1, (start >> 2) & 1)
            << bool(start & 1) << bool(start & 2) << bool(start & 4);
    }
}

// Whatever the start, a recording leaves kiosk mode now as it is set after
// reboot, and trace mode off now and after reboot.
void RecordingBusTest::switchesAfterARecording()
{
    QFETCH(bool, enforce);
    QFETCH(bool, autoEnforce);
    QFETCH(bool, autoComplain);
    KioskTree::setSwitches(enforce, autoEnforce, false, autoComplain);
    const Outcome result = execute(traceId, traceArguments(QStringLiteral("true")));
    QVERIFY2(result.kind == Outcome::Success, qPrintable(result.text));
    const QByteArray kioskMode = autoEnforce ? "1\n" : "0\n";
    QCOMPARE(TestFiles::read(QString::fromUtf8(SystemPaths::enforceParameter)), kioskMode);
    QCOMPARE(TestFiles::read(QString::fromUtf8(SystemPaths::autoEnforceFile)), kioskMode);
    QCOMPARE(TestFiles::read(QString::fromUtf8(SystemPaths::complainParameter)), QByteArray("0\n"));
    QCOMPARE(TestFiles::read(QString::fromUtf8(SystemPaths::autoComplainFile)), QByteArray("0\n"));
}

void RecordingBusTest::killedRecordingIsUndoneAtHelperStart()
{
    const Traces before = traces();
    HelperRun::Running job(traceId, traceArguments(QStringLiteral("sleep 300 & sleep 300")), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!job.outcome.progress.isEmpty(), 60000);
    const QStringList temporary = traces().filter(QRegularExpression(QStringLiteral("^temp_user_")));
    QCOMPARE(temporary.size(), 1);
    const auto uid = static_cast<uid_t>(User(temporary.first()).getUid());
    QTRY_VERIFY_WITH_TIMEOUT(ProcessTree::ofRealUid(uid).size() >= 2, 60000);
    QVERIFY(HelperRun::endHelper(60000));
    const Outcome first = job.finish(waitMs);
    QVERIFY(first.kind == Outcome::Failure);
    QCOMPARE(TestFiles::read(QString::fromUtf8(SystemPaths::complainParameter)), QByteArray("1\n"));

    // Any action starts a new helper, which puts the system back before its own work.
    const Outcome listing = execute(HelperConstants::snapshotsActionId, {});
    QVERIFY2(listing.kind == Outcome::Success, qPrintable(listing.text));
    QCOMPARE(traces(), before);
    QVERIFY(ProcessTree::ofRealUid(uid).isEmpty());
    // Nor does the dead helper's log follower go on filling its spool.
    const QString dmesg = QFileInfo(QString::fromUtf8(SystemPaths::dmesgProgram)).canonicalFilePath();
    for (const pid_t pid : ProcessTree::all()) {
        QVERIFY2(QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() != dmesg,
                 qPrintable(command(QStringLiteral("ps"), {QStringLiteral("-fp"), QString::number(pid)})));
    }
    // And the next recording runs.
    const Outcome next = execute(traceId, traceArguments(QStringLiteral("true")));
    QVERIFY2(next.kind == Outcome::Success, qPrintable(next.text));
    QCOMPARE(traces(), before);
}

void RecordingBusTest::recordedWildcardStaysLiteral()
{
    const QString granted = box(QStringLiteral("wild-a"), QStringLiteral("root")) + QStringLiteral("/granted");
    TestFiles::write(granted, "granted\n");
    const QString sentinel = box(QStringLiteral("wild-a"), QStringLiteral("root")) + QStringLiteral("/sentinel");
    TestFiles::write(sentinel, "sentinel\n");
    // A wildcard the administrator wrote still grants what it matches.
    createAccount(QStringLiteral("kioskstar"), profileAllowing(qEnvironmentVariable("ORLA_TESTBUS_DIR") + QStringLiteral("/wild-*/granted")));
    const QString own = box(QStringLiteral("star"), QStringLiteral("kioskstar"));

    const Outcome result = globalRecording([&] {
        const QString work = QStringLiteral("mkdir '%1/*' && touch '%1/*/newfile' && cat %2 %3 >/dev/null && sleep 0.3").arg(own, granted, sentinel);
        QCOMPARE(AccountCommand::su(QStringLiteral("kioskstar"), work).code, 0);
    });
    QVERIFY2(result.kind == Outcome::Success, qPrintable(result.text));
    const QString text = result.data.value(HelperConstants::globalRecordDataKey).toMap().value(QStringLiteral("kioskstar")).toString();
    QVERIFY2(recordedFiles(text, ObjectRule::Read).contains(sentinel), qPrintable(text));
    QVERIFY2(!recordedFiles(text, ObjectRule::Read).contains(granted), qPrintable(text));
    // A directory the user named "*" never becomes a rule for every directory there.
    QVERIFY2(!text.contains(own + QStringLiteral("/*")), qPrintable(text));
    const QString warnings = result.data.value(HelperConstants::warningsDataKey).toStringList().join(QLatin1Char('\n'));
    QVERIFY2(warnings.contains(own + QStringLiteral("/*/newfile left out")), qPrintable(warnings));
}

void RecordingBusTest::floodOfOneUserIsCapped()
{
    createAccount(QStringLiteral("kioskflood"), QString());
    createAccount(QStringLiteral("kioskquiet"), QString());
    const QString flood = box(QStringLiteral("flood"), QStringLiteral("kioskflood"));
    const QString quiet = box(QStringLiteral("quiet"), QStringLiteral("root")) + QStringLiteral("/read-me");
    TestFiles::write(quiet, "quiet\n");
    const auto floodUid = User(QStringLiteral("kioskflood")).getUid();

    QElapsedTimer flooding;
    const Outcome result = globalRecording([&] {
        flooding.start();
        // The same file read over and over, then new files as fast as perl makes them.
        QProcess flooder;
        flooder.start(QStringLiteral("su"),
                      {QStringLiteral("-"),
                       QStringLiteral("kioskflood"),
                       QStringLiteral("-c"),
                       QStringLiteral("perl -e 'open(S, \">\", \"%1/same\"); close S; for (1..20000) { open(S, \"<\", \"%1/same\"); close S } "
                                      "for (1..40000) { open(F, \">\", \"%1/f$_\") or die; close F } sleep 1'")
                           .arg(flood)});
        QVERIFY(flooder.waitForStarted());
        QTest::qWait(500);
        // Another user's access in the middle of it still reaches the log.
        QVERIFY(AccountCommand::su(QStringLiteral("kioskquiet"), QStringLiteral("cat %1 >/dev/null && sleep 0.3").arg(quiet)).code == 0);
        QVERIFY(flooder.waitForFinished(300000));
    });
    const qint64 floodMs = flooding.elapsed();
    QVERIFY2(result.kind == Outcome::Success, qPrintable(result.text));
    const QVariantMap texts = result.data.value(HelperConstants::globalRecordDataKey).toMap();
    QVERIFY2(recordedFiles(texts.value(QStringLiteral("kioskquiet")).toString(), ObjectRule::Read).contains(quiet),
             qPrintable(texts.value(QStringLiteral("kioskquiet")).toString()));

    const QList<QByteArray> log = TestFiles::read(QString::fromUtf8(SystemPaths::kernelLog)).split('\n');
    const QByteArray floodReport = "tavrix: trace uid=" + QByteArray::number(floodUid) + ' ';
    int floodLines = 0;
    int sameLines = 0;
    for (const QByteArray &line : log) {
        if (line.contains(floodReport) && !line.contains(" dropped ")) {
            ++floodLines;
            sameLines += line.endsWith(" file r u " + flood.toUtf8() + "/same") ? 1 : 0;
        }
    }
    qInfo("the flood took %lld ms and left %d lines in the log", floodMs, floodLines);
    // One line per distinct access; new ones at most a burst and a steady rate.
    QCOMPARE(sameLines, 1);
    QVERIFY2(floodLines <= 10000 + 2000 * (floodMs / 1000 + 1), qPrintable(QStringLiteral("%1 lines in %2 ms").arg(floodLines).arg(floodMs)));
    // What was held back is counted and reaches the administrator.
    const QString warnings = result.data.value(HelperConstants::warningsDataKey).toStringList().join(QLatin1Char('\n'));
    QVERIFY2(warnings.contains(QStringLiteral("accesses of uid %1 are missing from the log").arg(floodUid)), qPrintable(warnings.left(2000)));
}

// The display's cookie a recording put into a kiosk user's home goes, and
// the user's own file comes back, when the helper died during the recording.
void RecordingBusTest::killedHelperPutsTheCookieBack()
{
    createAccount(QStringLiteral("kioskcookie"), QString());
    const QString cookie = QStringLiteral("/home/kioskcookie/.Xauthority");
    TestFiles::write(cookie, "its own\n");
    QVERIFY(run(QStringLiteral("chown"), {QStringLiteral("kioskcookie"), cookie}));

    HelperRun::Running job(traceId, traceArguments(QStringLiteral("sleep 120"), QStringLiteral("kioskcookie")), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!job.outcome.progress.isEmpty(), 60000);
    QVERIFY(TestFiles::read(cookie) != "its own\n");
    QVERIFY(HelperRun::endHelper(60000));
    job.finish(waitMs);

    QVERIFY(execute(traceId, traceArguments(QStringLiteral("true"))).kind == Outcome::Success);
    QCOMPARE(TestFiles::read(cookie), QByteArray("its own\n"));
}

void RecordingBusTest::failedGlobalStart()
{
    const Traces before = traces();
    const Outcome result = executeReplacing(QString::fromUtf8(SystemPaths::dmesgProgram),
                                            script(QStringLiteral("dmesg"), "echo cannot read the log >&2; exit 1"),
                                            globalId,
                                            {{QStringLiteral("enable"), true}});
    // The start says so at once, and never that a recording runs.
    QVERIFY2(result.text.contains(QLatin1String("cannot read the log")), qPrintable(result.text));
    QVERIFY(result.progress.isEmpty());
    QCOMPARE(traces(), before);
}

void RecordingBusTest::staleStopRequest()
{
    // A stop sent while nothing runs, by a caller without an action of its
    // own, must not cut the next recording off.
    QVERIFY(execute(traceId, traceArguments(QString())).kind == Outcome::Success);
    QVERIFY(run(QStringLiteral("dbus-send"), rawStop));
    const Traces before = traces();
    const Outcome next = execute(traceId, traceArguments(QStringLiteral("true")));
    QVERIFY2(next.kind == Outcome::Success, qPrintable(next.text));
    QCOMPARE(traces(), before);
}

void RecordingBusTest::othersCannotStopARecording()
{
    // Any local account may send the helper a stop request; only the
    // recording's own caller ends it.
    const Traces before = traces();
    HelperRun::Running job(traceId, traceArguments(QStringLiteral("sleep 4")), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!job.outcome.progress.isEmpty(), 60000);
    QElapsedTimer running;
    running.start();
    QVERIFY(run(QStringLiteral("setpriv"), asNobody + QStringList{QStringLiteral("dbus-send")} + rawStop));
    const Outcome result = job.finish(waitMs);
    QVERIFY2(result.kind == Outcome::Success, qPrintable(result.text));
    // The application ran its four seconds: a stop ends it within one.
    QVERIFY2(running.elapsed() >= 3000, qPrintable(QString::number(running.elapsed())));
    QCOMPARE(traces(), before);
}

QTEST_GUILESS_MAIN(RecordingBusTest)

#include "recordingbustest.moc"
