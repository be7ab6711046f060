/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Kiosk sessions as an installed system starts them: real accounts logging
// in with su, login and the X session start-up, the session hooks in the
// run's /etc, the demo tree's profiles, and for recording the helper on the
// bus with the trace reporter. Runs under testbus/run-with-system-bus.sh
// --accounts --module --display --confinement, whose private namespace
// keeps every account, mount and change of /etc to itself.

#include "helperrun.h"
#include "kiosksession.h"

#include "profile/profileparser.h"
#include "protocol/globaltraceactionsmap.h"
#include "protocol/helperconstants.h"
#include "store/systemkiosk.h"
#include "testfiles.h"

#include <KAuth/ExecuteJob>

#include <QDir>

#include <pwd.h>

namespace
{
const QString kiosk = QStringLiteral("kioskcat");
const QString disabledKiosk = QStringLiteral("kioskoff");
const QString plain = QStringLiteral("plainuser");
const QString desktop = QStringLiteral("kioskdesk");
const QString recorded = QStringLiteral("kioskapp");
const QString terminal = QStringLiteral("kioskterm");
const QString root = QStringLiteral("root");

// The session's bus as the recorder starts it: in the session's own
// temporary directory, which a confined session must have.
const QString sessionBus = QStringLiteral(
    "set -- $(/usr/bin/dbus-daemon --session --fork --address=\"unix:dir=${TMPDIR:?no session directory}\" --print-address=1 --print-pid=1) && "
    "export DBUS_SESSION_BUS_ADDRESS=\"$1\" DBUS_SESSION_BUS_PID=\"$2\"");

using namespace KioskSession;
using HelperRun::Outcome;
constexpr int recordingMs = 180000;

// Records @p command as @p account through the helper; the recorded text.
QString record(const QString &account, const QString &command, QString *failure)
{
    const Outcome outcome = HelperRun::Running(HelperConstants::traceApplicationActionId, recording(account, command), recordingMs).finish(recordingMs);
    *failure = outcome.kind == Outcome::Success ? QString() : outcome.text;
    return outcome.data.value(HelperConstants::traceTextKey).toString();
}

// @p account's own profile with @p rules added, as the program adds a recording's.
void grant(const QString &account, const QSet<ObjectRule> &rules)
{
    ProfileData profile = SystemKiosk().readProfile(SystemKiosk::userProfilesDir() + QLatin1Char('/') + account).data();
    for (const ObjectRule &rule : rules) {
        profile.insertObjectRule(rule);
    }
    SystemKiosk().updateUserProfile(account, ProfileParser::profileDataSerialization(profile));
}

// Each of @p shown in what the terminal user's program wrote into its home.
void checkShown(const QStringList &shown, const QString &context = QString())
{
    const QString output = QString::fromUtf8(TestFiles::read(home(terminal) + QStringLiteral("/program.out")));
    for (const QString &expected : shown) {
        QVERIFY2(output.contains(expected), qPrintable(output + context));
    }
}

// Two recordings gave the same rules; a failure lists, one line each as the
// profile writer puts it, the rules only one of them gave.
void checkSame(const QSet<ObjectRule> &one, const QString &oneName, const QSet<ObjectRule> &other, const QString &otherName)
{
    const auto only = [](const QSet<ObjectRule> &rules, const QString &name) {
        ProfileData profile;
        for (const ObjectRule &rule : rules) {
            profile.insertObjectRule(rule);
        }
        QString lines;
        for (const QString &line : ProfileParser::profileDataSerialization(profile).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            lines += QStringLiteral("\nonly %1: %2").arg(name, line);
        }
        return lines;
    };
    const QString lines = only(one - other, oneName) + only(other - one, otherName);
    QVERIFY2(lines.isEmpty(), qPrintable(QLatin1String("the recorded rules differ:") + lines));
}

// A world-writable directory, so that only confinement can refuse a write there.
QString dropDir(const QString &parent)
{
    const QString dir = parent + QStringLiteral("/orla-drop");
    QDir().mkpath(dir);
    run(QStringLiteral("chmod"), {QStringLiteral("1777"), dir});
    return dir;
}

// Until @p test succeeds, ten seconds at most: a window is mapped a moment
// after its program started, on a busy machine.
QByteArray waitUntil(const QByteArray &test)
{
    return "for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do\n"
           "    /usr/bin/sleep 0.5\n"
           "    " + test + " && break\n"
           "done\n";
}

// @p program shows @p document of the home in its window, which is listed
// into program.out a moment after it came up; then the program is ended.
QByteArray windowOf(const QByteArray &program, const QByteArray &document)
{
    const QByteArray listed = "/usr/bin/xwininfo -root -tree | /usr/bin/grep '" + document + "'";
    return program + " \"$HOME/" + document + "\" &\n"
           "shown=$!\n" + waitUntil(listed + " >/dev/null")
        + "/usr/bin/sleep 2\n" + listed + " >\"$HOME/program.out\"\n"
          "kill $shown; wait $shown";
}
}

class ConfinementBusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void sessions_data();
    void sessions();
    void consoleLogin();
    void xSession();
    void recordedApplicationRunsConfined();
    void recordedTerminalRunsConfined();
    void recordedEditorRunsConfined();
    void recordedTemporaryFileRunsConfined();
    void recordedViewerRunsConfined();
    void recordingsOfOneSessionAgree();

private:
    void recordAndRunConfined(const QString &command, const QStringList &shown);

    QString m_tmpDrop;
    QString m_etcDrop;
};

void ConfinementBusTest::initTestCase()
{
    if (const char *why = missing()) {
        QSKIP(why);
    }
    prepare({kiosk, disabledKiosk, plain, desktop, recorded, terminal});
    if (QTest::currentTestFailed()) {
        return;
    }

    // The base profiles recordings include, as the stand-in installs them.
    const QDir base(QStringLiteral(BASE_PROFILES_DIR));
    for (const QString &name : base.entryList({QStringLiteral("base-*")}, QDir::Files)) {
        QVERIFY(QFile::copy(base.filePath(name), SystemKiosk::systemProfilesDir() + QLatin1Char('/') + name));
    }
    const QString allowed = QStringLiteral("@include shell\n+file r uo: /etc/hostname\n");
    SystemKiosk store;
    store.updateUserProfile(kiosk, allowed);
    store.updateUserProfile(HelperConstants::disabledPrefix + QLatin1Char('/') + disabledKiosk, allowed);
    store.updateUserProfile(desktop, QStringLiteral("@include orla-desktop\n+file r uo: /etc/hostname\n"));
    store.updateUserProfile(recorded, QStringLiteral("@include shell\n"));
    store.updateUserProfile(terminal, QStringLiteral("@include base-desktop\n"));
    // Root as a kiosk user of its own making: it must stay unconfined all the same.
    store.updateUserProfile(root, QStringLiteral("+file r uo: /etc/hostname\n"));

    // In this run's private /etc only: the file permissions let every
    // account read the shadow file, so that a refusal is the confinement's.
    QCOMPARE(run(QStringLiteral("chmod"), {QStringLiteral("644"), QStringLiteral("/etc/shadow")}).code, 0);
    m_tmpDrop = dropDir(qEnvironmentVariable("ORLA_TESTBUS_DIR"));
    m_etcDrop = dropDir(QStringLiteral("/etc"));
}

void ConfinementBusTest::init()
{
    setEnforce(true);
}

void ConfinementBusTest::cleanupTestCase()
{
    ScratchRoot::reset();
}

void ConfinementBusTest::sessions_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<bool>("enforce");
    QTest::addColumn<QString>("command");
    // What a confined session gets; any other session gets everything.
    QTest::addColumn<bool>("allowedConfined");

    struct Case {
        const char *name;
        QString command;
        bool allowed;
    };
    const QList<Case> cases{
        {"read a profile's file", QStringLiteral("cat /etc/hostname"), true},
        {"read /etc/shadow", QStringLiteral("cat /etc/shadow"), false},
        {"write into /tmp", QStringLiteral("echo x >%1/$(id -un)").arg(m_tmpDrop), false},
        {"write into /etc", QStringLiteral("echo x >%1/$(id -un)").arg(m_etcDrop), false},
        {"run a program no profile names", QStringLiteral("/usr/bin/md5sum /etc/hostname"), false},
    };
    struct Who {
        const char *name;
        QString account;
        bool enforce;
    };
    const QList<Who> sessions{
        {"kiosk user, enforce on", kiosk, true},
        {"kiosk user, enforce off", kiosk, false},
        {"disabled kiosk user", disabledKiosk, true},
        {"no kiosk user", plain, true},
        {"root with a kiosk profile", root, true},
    };
    for (const Who &who : sessions) {
        for (const Case &c : cases) {
            QTest::addRow("%s: %s", who.name, c.name) << who.account << who.enforce << c.command << c.allowed;
        }
    }
}

void ConfinementBusTest::sessions()
{
    QFETCH(QString, account);
    QFETCH(bool, enforce);
    QFETCH(QString, command);
    QFETCH(bool, allowedConfined);

    setEnforce(enforce);
    const bool confined = account == kiosk && enforce;
    const Run result = su(account, command);
    if (!confined || allowedConfined) {
        QVERIFY2(result.code == 0, qPrintable(result.output));
    } else {
        QVERIFY2(denied(result), qPrintable(result.output));
    }
    const Run marker = su(account, QStringLiteral("echo $TAVRIX_SESSION"));
    // Root's sessions never ask.
    QCOMPARE(marker.output.trimmed(), account == root ? QString() : confined ? QStringLiteral("confined") : QStringLiteral("unconfined"));
}

void ConfinementBusTest::consoleLogin()
{
    // login keeps its records in /run/utmp, which is the machine's: an empty
    // file stands in for it in this namespace.
    if (QFile::exists(QStringLiteral("/run/utmp"))) {
        const QString utmp = qEnvironmentVariable("ORLA_TESTBUS_DIR") + QStringLiteral("/utmp");
        QFile(utmp).open(QIODevice::WriteOnly);
        QCOMPARE(run(QStringLiteral("mount"), {QStringLiteral("--bind"), utmp, QStringLiteral("/run/utmp")}).code, 0);
    }
    // script gives login the terminal it insists on.
    const Run session =
        run(QStringLiteral("timeout"),
            {QStringLiteral("60"), QStringLiteral("script"), QStringLiteral("-qec"), QStringLiteral("login -f ") + kiosk, QStringLiteral("/dev/null")},
            "echo \"session=$TAVRIX_SESSION\"; cat /etc/hostname; cat /etc/debian_version; exit\n");
    run(QStringLiteral("umount"), {QStringLiteral("/run/utmp")});
    QVERIFY2(session.output.contains(QLatin1String("session=confined")), qPrintable(session.output));
    QVERIFY2(session.output.contains(QLatin1String("/etc/debian_version: Permission denied")), qPrintable(session.output));
    QVERIFY2(!session.output.contains(QLatin1String("hostname: Permission denied")), qPrintable(session.output));
}

void ConfinementBusTest::xSession()
{
    const QString probe = script(home(desktop) + QStringLiteral("/probe"),
                                 "echo \"probe: session=$TAVRIX_SESSION\"\n"
                                 "echo \"probe: bus=$DBUS_SESSION_BUS_ADDRESS pid=$DBUS_SESSION_BUS_PID.\"\n"
                                 "cat /etc/hostname >/dev/null && echo 'probe: hostname read'\n"
                                 "cat /etc/debian_version >/dev/null && echo 'probe: debian_version read' || echo 'probe: debian_version refused'\n",
                                 desktop);

    // A login before made the session's own temporary directory, which the
    // session bus listens in; the bus ends with the session.
    QCOMPARE(su(desktop, QStringLiteral("true")).code, 0);
    const passwd *entry = getpwnam(desktop.toUtf8().constData());
    QVERIFY(entry);
    const QString confined = xSessionLog(desktop, probe);
    QVERIFY2(confined.contains(QLatin1String("probe: session=confined")), qPrintable(confined));
    const QString bus = QStringLiteral("probe: bus=unix:path=%1/%2/dbus-").arg(QString::fromUtf8(SystemPaths::sessionTmpDir)).arg(entry->pw_uid);
    const int busAt = confined.indexOf(bus);
    QVERIFY2(busAt >= 0, qPrintable(confined));
    const int pidAt = confined.indexOf(QLatin1String(" pid="), busAt) + 5;
    const pid_t busPid = confined.mid(pidAt, confined.indexOf(QLatin1Char('.'), pidAt) - pidAt).toInt();
    QVERIFY2(busPid > 0, qPrintable(confined));
    // Ended, or left unreaped to whichever process the harness made its reaper.
    QTRY_VERIFY_WITH_TIMEOUT(!alive(busPid), 10000);
    QVERIFY2(confined.contains(QLatin1String("probe: hostname read")), qPrintable(confined));
    QVERIFY2(confined.contains(QLatin1String("probe: debian_version refused")), qPrintable(confined));

    setEnforce(false);
    const QString unconfined = xSessionLog(desktop, probe);
    QVERIFY2(unconfined.contains(QLatin1String("probe: session=unconfined")), qPrintable(unconfined));
    QVERIFY2(unconfined.contains(QLatin1String("probe: debian_version read")), qPrintable(unconfined));
}

// The loop the product exists for: record an application as the user, put
// the rules into the user's profile, turn enforcing on, run it again.
void ConfinementBusTest::recordedApplicationRunsConfined()
{
    const QString application = script(qEnvironmentVariable("ORLA_TESTBUS_DIR") + QStringLiteral("/application"),
                                       "cat /etc/debian_version >/dev/null || exit 1\n"
                                       "cat /usr/share/doc/coreutils/copyright >/dev/null || exit 1\n"
                                       "/usr/bin/md5sum /etc/debian_version >\"$HOME/application.out\" || exit 1\n"
                                       "echo application-done");
    QString failure;
    const QString text = record(recorded, application, &failure);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    const QSet<ObjectRule> rules = ProfileParser::recordedObjectRules(text);
    QVERIFY2(!rules.isEmpty(), qPrintable(text));
    grant(recorded, rules);
    setEnforce(true);

    const Run again = su(recorded, application);
    QVERIFY2(again.code == 0 && again.output.contains(QLatin1String("application-done")), qPrintable(again.output + QStringLiteral("\nrecorded:\n") + text));
    QVERIFY2(!again.output.contains(QLatin1String("denied")), qPrintable(again.output));
    QCOMPARE(su(recorded, QStringLiteral("echo $TAVRIX_SESSION")).output.trimmed(), QStringLiteral("confined"));
    // A file beside the recorded one, which the application never touched.
    QVERIFY2(denied(su(recorded, QStringLiteral("cat /usr/share/doc/bash/copyright"))), qPrintable(text));
}

// A terminal recorded as a kiosk user whose profile holds only the base
// profiles: the same rules each time, and with them it opens its window and
// runs a command confined, nothing refused on the way, while a file it
// never touched stays refused.
void ConfinementBusTest::recordedTerminalRunsConfined()
{
    if (!QFile::exists(QStringLiteral("/usr/bin/xterm"))) {
        QSKIP("xterm is not installed (scripts/install-deps.sh)");
    }
    // Runs inside the terminal: the window it is shown in, and a command.
    const QString inside = script(home(terminal) + QStringLiteral("/inside"),
                                  waitUntil("/usr/bin/xwininfo -id \"$WINDOWID\" | /usr/bin/grep -q IsViewable")
                                      + "/usr/bin/xwininfo -id \"$WINDOWID\" >\"$HOME/program.out\" || exit 1\n"
                                  "/usr/bin/md5sum /etc/debian_version >>\"$HOME/program.out\"\n"
                                  "test -s \"$HOME/.Xauthority\" && echo 'cookie in the home' >>\"$HOME/program.out\"",
                                  terminal);
    const QStringList shown{QStringLiteral("Map State: IsViewable"), QStringLiteral("/etc/debian_version"), QStringLiteral("cookie in the home")};
    recordAndRunConfined(QStringLiteral("/usr/bin/timeout 40 /usr/bin/xterm -e ") + inside, shown);
}

// The same for a GTK editor, which starts services of its session bus and
// keeps its settings and state in the home.
void ConfinementBusTest::recordedEditorRunsConfined()
{
    if (!QFile::exists(QStringLiteral("/usr/bin/mousepad"))) {
        QSKIP("mousepad is not installed (scripts/install-deps.sh)");
    }
    const QString program =
        script(home(terminal) + QStringLiteral("/editor"), "echo text >\"$HOME/note.txt\"\n" + windowOf("/usr/bin/mousepad", "note.txt"), terminal);
    recordAndRunConfined(QStringLiteral("/usr/bin/timeout 40 ") + program, {QStringLiteral("Mousepad")});
}

// A program that makes its scratch file with mktemp, as wrappers do, makes
// it in the session's own temporary directory, and its session bus listens
// there: recorded, it needs nothing below /tmp itself, and confined it
// talks to its bus but cannot make anything directly in /tmp.
void ConfinementBusTest::recordedTemporaryFileRunsConfined()
{
    const passwd *entry = getpwnam(terminal.toUtf8().constData());
    QVERIFY(entry);
    const QString own = QString::fromUtf8(SystemPaths::sessionTmpDir) + QLatin1Char('/') + QString::number(entry->pw_uid);
    const QString program =
        script(home(terminal) + QStringLiteral("/scratch"),
               "t=$(/usr/bin/mktemp) || exit 1\n"
               "echo scratch >\"$t\" && /usr/bin/cat \"$t\" >/dev/null || exit 1\n"
               "/usr/bin/rm \"$t\"\n"
               "case \"$t\" in \"$TMPDIR\"/tmp.*) echo \"private $TMPDIR\" >\"$HOME/program.out\";; esac\n"
               "/usr/bin/dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus "
               "org.freedesktop.DBus.ListNames >\"$t.names\" || exit 1\n"
               "/usr/bin/grep -q '\"org.freedesktop.DBus\"' \"$t.names\" && echo \"names of $DBUS_SESSION_BUS_ADDRESS\" >>\"$HOME/program.out\"\n"
               "/usr/bin/rm \"$t.names\"\n"
               "/usr/bin/md5sum /etc/debian_version >>\"$HOME/program.out\"",
               terminal);
    recordAndRunConfined(program,
                         {QStringLiteral("private ") + own, QStringLiteral("names of unix:path=%1/dbus-").arg(own), QStringLiteral("/etc/debian_version")});
    QVERIFY(isPrivateDir(own, entry->pw_uid));
    const QString outside = QStringLiteral("/tmp/orla-outside-") + terminal;
    QFile::remove(outside);
    // Refused the name in /tmp, not the program.
    for (const QString &command : QStringList{QStringLiteral("echo x >") + outside,
                                              QStringLiteral("/usr/bin/mktemp -p /tmp"),
                                              QStringLiteral("/usr/bin/dbus-daemon --session --fork --address=unix:dir=/tmp --print-address=1")}) {
        const Run refused = su(terminal, command);
        QVERIFY2(denied(refused) && refused.output.contains(QLatin1String("/tmp/")), qPrintable(command + QLatin1Char('\n') + refused.output));
    }
    QVERIFY(!QFileInfo::exists(outside));
}

// A document viewer whose start-up wrapper makes a scratch file with
// mktemp on its way: confined with what its recordings gave, it shows its
// window, nothing below /tmp granted.
void ConfinementBusTest::recordedViewerRunsConfined()
{
    if (!QFile::exists(QStringLiteral("/usr/bin/xpdf"))) {
        QSKIP("xpdf is not installed (scripts/install-deps.sh)");
    }
    // One empty page, as small as a document gets.
    const QList<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>",
                                    "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>"};
    QByteArray pdf = "%PDF-1.4\n";
    QByteArray xref = "xref\n0 4\n0000000000 65535 f \n";
    for (int i = 0; i < objects.size(); ++i) {
        xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    const QByteArray start = QByteArray::number(pdf.size());
    pdf += xref + "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" + start + "\n%%EOF\n";
    const QString document = home(terminal) + QStringLiteral("/page.pdf");
    TestFiles::write(document, pdf);
    QCOMPARE(run(QStringLiteral("chown"), {terminal, document}).code, 0);

    const QString program = script(home(terminal) + QStringLiteral("/viewer"), windowOf("/usr/bin/xpdf", "page.pdf"), terminal);
    recordAndRunConfined(QStringLiteral("/usr/bin/timeout 40 ") + program, {QStringLiteral("Xpdf")});
}

// Three recordings of one terminal session give the same rules: as the
// kiosk user; with a temporary account made for it, which runs on the same
// base profiles and whose home comes back as every user's; and globally,
// where nothing of a daemon the session forks is lost.
void ConfinementBusTest::recordingsOfOneSessionAgree()
{
    if (!QFile::exists(QStringLiteral("/usr/bin/xterm"))) {
        QSKIP("xterm is not installed (scripts/install-deps.sh)");
    }
    const QString inside = script(qEnvironmentVariable("ORLA_TESTBUS_DIR") + QStringLiteral("/inside"),
                                  "/usr/bin/md5sum /etc/debian_version >\"$HOME/program.out\"\n"
                                  "echo kept >\"$HOME/.config-of-its-own\"");
    const QString command = QStringLiteral("/usr/bin/timeout 40 /usr/bin/xterm -e ") + inside;
    SystemKiosk().updateUserProfile(terminal, QStringLiteral("@include base-desktop\n"));
    setEnforce(false);
    const QString cookie = home(terminal) + QStringLiteral("/.Xauthority");
    QFile::remove(cookie);

    QString failure;
    const QString temporaryText = record(QString(), command, &failure);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY2(temporaryText.startsWith(QLatin1String("@include base-desktop\n")), qPrintable(temporaryText));
    const QSet<ObjectRule> temporary = ProfileParser::recordedObjectRules(temporaryText);
    for (const ObjectRule &rule : temporary) {
        QVERIFY2(!rule.filename().contains(QLatin1String("temp_user_")), qPrintable(temporaryText));
    }

    // The session's own cookie, as a display manager leaves it: the recorder puts it back.
    giveCookie(terminal);
    const QByteArray own = TestFiles::read(cookie);
    const QSet<ObjectRule> kioskUser = ProfileParser::recordedObjectRules(record(terminal, command, &failure));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QVERIFY(!kioskUser.isEmpty());
    QCOMPARE(TestFiles::read(cookie), own);
    checkSame(temporary, QStringLiteral("with a temporary account"), kioskUser, QStringLiteral("as the kiosk user"));

    GlobalTraceActionsMap enable{QString()};
    enable.enableGlobalRecordMode(true);
    HelperRun::Running global(HelperConstants::globalTraceActionId, enable, recordingMs);
    QTRY_VERIFY_WITH_TIMEOUT(!global.outcome.progress.isEmpty() || global.finished, 60000);
    QVERIFY(!global.finished);
    QCOMPARE(global.outcome.progress.first().value(HelperConstants::globalModeEnableKey), QVariant(true));
    // The session as the recorder runs it, its bus ended with it.
    const Run session =
        su(terminal, QStringLiteral("export DISPLAY=%1 && %2 && %3; kill $DBUS_SESSION_BUS_PID").arg(qEnvironmentVariable("DISPLAY"), sessionBus, command));
    QVERIFY2(session.code == 0, qPrintable(session.output));
    // The program's way to stop: the same action once more, killed at once.
    HelperRun::Running(HelperConstants::globalTraceActionId, enable, recordingMs).job->kill();
    const Outcome reply = global.finish(60000);
    QVERIFY2(reply.kind == Outcome::Success, qPrintable(reply.text));
    const QSet<ObjectRule> globally =
        ProfileParser::recordedObjectRules(reply.data.value(HelperConstants::globalRecordDataKey).toMap().value(terminal).toString());
    checkSame(globally, QStringLiteral("globally"), kioskUser, QStringLiteral("as the kiosk user"));
    QFile::remove(cookie);
}

void ConfinementBusTest::recordAndRunConfined(const QString &command, const QStringList &shown)
{
    SystemKiosk().updateUserProfile(terminal, QStringLiteral("@include base-desktop\n"));
    setEnforce(false);
    // No cookie of its own: the recorder's goes in for the run, and out again.
    const QString cookie = home(terminal) + QStringLiteral("/.Xauthority");
    QFile::remove(cookie);
    QSet<ObjectRule> first;
    for (int round = 0; round < 3; ++round) {
        QFile::remove(home(terminal) + QStringLiteral("/program.out"));
        QString failure;
        const QString text = record(terminal, command, &failure);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY2(text.startsWith(QLatin1String("@include base-desktop\n")), qPrintable(text));
        const QSet<ObjectRule> rules = ProfileParser::recordedObjectRules(text);
        QVERIFY2(!rules.isEmpty(), qPrintable(text));
        // The recording ran with the display's cookie in the home, and took it out again.
        checkShown(shown);
        QVERIFY(!QFile::exists(cookie));
        if (round == 0) {
            first = rules;
        } else {
            checkSame(rules, QStringLiteral("in recording %1").arg(round + 1), first, QStringLiteral("in the first"));
        }
    }

    // What a program makes with mktemp lies in the session's own temporary
    // directory, which every session has: nothing below /tmp is granted.
    for (const ObjectRule &rule : qAsConst(first)) {
        QVERIFY2(!rule.filename().startsWith(QLatin1String("/tmp")), qPrintable(rule.filename()));
    }
    // The tracer that counts the refusals, which the application itself never runs.
    grant(terminal, first + ProfileParser::parseText(QStringLiteral("+file r uo: /usr/bin/strace\n")).data().objectRules());
    qInfo("%d rules recorded, the profile now:\n%s", int(first.size()), TestFiles::read(KioskTree::userProfile(terminal)).constData());
    setEnforce(true);

    giveCookie(terminal);
    QFile::remove(home(terminal) + QStringLiteral("/program.out"));
    const QString trace = home(terminal) + QStringLiteral("/refused.strace");
    const Run confined = su(terminal,
                            QStringLiteral("export DISPLAY=%1 && /usr/bin/strace -f -qq -Z -o %2 /usr/bin/sh -c '%3 && %4; kill $DBUS_SESSION_BUS_PID'")
                                .arg(qEnvironmentVariable("DISPLAY"), trace, sessionBus, command));
    checkShown(shown, confined.output);
    QFile failed(trace);
    QVERIFY(failed.open(QIODevice::ReadOnly));
    QStringList refused;
    for (const QByteArray &line : failed.readAll().split('\n')) {
        if (line.contains("EACCES") || line.contains("EXDEV")) {
            refused << QString::fromUtf8(line);
        }
    }
    QVERIFY2(refused.isEmpty(), qPrintable(refused.join(QLatin1Char('\n'))));
    QCOMPARE(su(terminal, QStringLiteral("echo $TAVRIX_SESSION")).output.trimmed(), QStringLiteral("confined"));
    QVERIFY(denied(su(terminal, QStringLiteral("cat /usr/share/doc/bash/copyright"))));
}

QTEST_GUILESS_MAIN(ConfinementBusTest)

#include "confinementbustest.moc"
