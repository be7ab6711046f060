/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// A kiosk user that tries to undo its own confinement, each way as such a
// user would: links in its home and in /tmp that redirect grants at the
// next login, rules for objects not there yet, input pushed into root's
// terminal, and processes left running unconfined or outside the session
// that serve it what it asks for. Runs under testbus/run-with-system-bus.sh
// --accounts --module --display --confinement, whose private namespace
// keeps every account and change of /etc to itself.

#include "helperrun.h"
#include "kiosksession.h"

#include "protocol/enableactionsmap.h"
#include "protocol/helperconstants.h"
#include "store/systemkiosk.h"
#include "system/processtree.h"
#include "testfiles.h"

#include <QDir>

#include <csignal>

#include <pwd.h>

namespace
{
const QString hostile = QStringLiteral("kioskhostile");
const QString victim = QStringLiteral("kioskvictim");
const QString desktop = QStringLiteral("kioskdesktop");

using namespace KioskSession;
using HelperRun::Outcome;
}

class HostileUserBusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void profilesStillWork();
    void linkInHomeRedirectsNoGrant();
    void missingObjectGrantsOnlyItsOwnDirectory();
    void wildcardMatchesNoLink();
    void ownTmpDirIsMadeAfresh();
    void terminalInputRefused();
    void unconfinedPeersEndWhenEnforcingStarts();
    void recordingLeavesNothingUnconfined();
    void xSessionReachesItsDisplay();

private:
    QString peer(const QString &arguments) const
    {
        return m_peer + QLatin1Char(' ') + arguments;
    }

    QString m_peer;
    QString m_drop;
    QString m_places;
};

void HostileUserBusTest::initTestCase()
{
    if (const char *why = missing()) {
        QSKIP(why);
    }
    prepare({hostile, victim, desktop});
    if (QTest::currentTestFailed()) {
        return;
    }

    // Root's copy of the tool, where nobody else can replace it.
    const QString scratch = qEnvironmentVariable("ORLA_TESTBUS_DIR");
    m_peer = scratch + QStringLiteral("/hostilepeer");
    QFile::remove(m_peer);
    QVERIFY(QFile::copy(QStringLiteral(HOSTILE_PEER), m_peer));
    QCOMPARE(run(QStringLiteral("chmod"), {QStringLiteral("755"), m_peer}).code, 0);

    // /tmp as it is: sticky and world-writable.
    m_drop = scratch + QStringLiteral("/drop");
    QDir().mkpath(m_drop);
    QCOMPARE(run(QStringLiteral("chmod"), {QStringLiteral("1777"), m_drop}).code, 0);
    TestFiles::write(m_drop + QStringLiteral("/kg-root"), "kg-root-content\n");

    // A directory of each account, the other's open to everyone.
    m_places = scratch + QStringLiteral("/places");
    for (const QString &account : {hostile, victim}) {
        QDir().mkpath(m_places + QLatin1Char('/') + account);
        QCOMPARE(run(QStringLiteral("chown"), {account, m_places + QLatin1Char('/') + account}).code, 0);
    }
    QCOMPARE(run(QStringLiteral("chmod"), {QStringLiteral("777"), m_places + QLatin1Char('/') + victim}).code, 0);

    // The victim's file, readable by file permissions: only confinement keeps it.
    const QString secret = home(victim) + QStringLiteral("/secret");
    TestFiles::write(secret, "victim-secret\n");
    QCOMPARE(run(QStringLiteral("chown"), {victim, secret}).code, 0);
    QCOMPARE(run(QStringLiteral("chmod"), {QStringLiteral("755"), home(victim)}).code, 0);
    QCOMPARE(run(QStringLiteral("chmod"), {QStringLiteral("644"), secret}).code, 0);
    // In this run's private /etc only, as for the victim's file.
    QCOMPARE(run(QStringLiteral("chmod"), {QStringLiteral("644"), QStringLiteral("/etc/shadow")}).code, 0);

    const QString own = QStringLiteral(
                            "@include shell\n"
                            "@include qt-common\n"
                            "+file r uo: /etc/hostname\n"
                            "+file r uo: %1\n"
                            "+file rwc u: /home/*/.orla\n"
                            "+file r uo: %2/kg-*\n"
                            "+file rwc u: %3/*/state\n"
                            "+file rwc u: %4/*\n")
                            .arg(m_peer, m_drop, m_places, QString::fromUtf8(SystemPaths::sessionTmpDir));
    SystemKiosk store;
    store.updateUserProfile(hostile, own);
    store.updateUserProfile(victim, QStringLiteral("@include shell\n@include qt-common\n+file r uo: %1\n").arg(m_peer));
    store.updateUserProfile(desktop, QStringLiteral("@include orla-desktop\n+file r uo: /etc/hostname\n"));
}

void HostileUserBusTest::init()
{
    setEnforce(true);
}

void HostileUserBusTest::cleanupTestCase()
{
    ScratchRoot::reset();
}

void HostileUserBusTest::profilesStillWork()
{
    const Run session = su(hostile, QStringLiteral("cat /etc/hostname && ls / >/dev/null && echo x | grep -c x && echo $TAVRIX_SESSION"));
    QVERIFY2(session.code == 0 && session.output.contains(QLatin1String("confined")), qPrintable(session.output));
    QVERIFY2(denied(su(hostile, QStringLiteral("cat /etc/shadow"))), "the kiosk user reads what no profile grants");
}

// ~/.config, granted by qt-common, becomes a link to / before the next login.
void HostileUserBusTest::linkInHomeRedirectsNoGrant()
{
    const Run replaced = su(hostile, QStringLiteral("rm -rf ~/.config && ln -s / ~/.config && echo replaced"));
    QVERIFY2(replaced.output.contains(QLatin1String("replaced")), qPrintable(replaced.output));

    QVERIFY2(denied(su(hostile, QStringLiteral("cat /etc/shadow"))), "the link in the user's home granted the whole file system");
    QVERIFY2(denied(su(victim, QStringLiteral("cat /etc/shadow"))), "another user's link granted the whole file system");
    QVERIFY2(su(hostile, QStringLiteral("cat /etc/hostname")).code == 0, "the rest of the profiles is lost");
    su(hostile, QStringLiteral("rm -f ~/.config"));
}

void HostileUserBusTest::missingObjectGrantsOnlyItsOwnDirectory()
{
    QVERIFY(!QFile::exists(home(victim) + QStringLiteral("/.orla")));
    QVERIFY2(denied(su(hostile, QStringLiteral("cat ") + home(victim) + QStringLiteral("/secret"))), "a missing ~/.orla opened another user's home");

    // The one directory the object would be made in, the user's own.
    const QString mine = m_places + QLatin1Char('/') + hostile;
    // Creating only what the rule can be: no link there.
    QVERIFY2(denied(su(hostile, QStringLiteral("ln -s /etc %1/link").arg(mine))), "a missing file's c lets the user make links");
    const Run made = su(hostile, QStringLiteral("echo kept >%1/state && cat %1/state").arg(mine));
    QVERIFY2(made.code == 0 && made.output.contains(QLatin1String("kept")), qPrintable(made.output));
    QFile::remove(mine + QStringLiteral("/state"));

    // Another account's directory, writable by all: never granted.
    const Run theirs = su(hostile, QStringLiteral("echo planted >%1/%2/state").arg(m_places, victim));
    QVERIFY2(denied(theirs), qPrintable(theirs.output));
}

// /tmp/kg-* and a link the user left there.
void HostileUserBusTest::wildcardMatchesNoLink()
{
    setEnforce(false);
    QCOMPARE(su(hostile, QStringLiteral("ln -s /etc %1/kg-x").arg(m_drop)).code, 0);
    setEnforce(true);

    QVERIFY2(denied(su(hostile, QStringLiteral("cat %1/kg-x/shadow").arg(m_drop))), "a matched link granted what it points to");
    QVERIFY2(denied(su(hostile, QStringLiteral("cat /etc/shadow"))), "a matched link granted what it points to");
    const Run own = su(hostile, QStringLiteral("cat %1/kg-root").arg(m_drop));
    QVERIFY2(own.code == 0 && own.output.contains(QLatin1String("kg-root-content")), qPrintable(own.output));
    QFile::remove(m_drop + QStringLiteral("/kg-x"));
}

// The session's own temporary directory, left as a link to /etc or opened to
// everyone before the next login: put aside, and made afresh as the user's own.
void HostileUserBusTest::ownTmpDirIsMadeAfresh()
{
    const passwd *entry = getpwnam(hostile.toUtf8().constData());
    QVERIFY(entry);
    const QString own = QString::fromUtf8(SystemPaths::sessionTmpDir) + QLatin1Char('/') + QString::number(entry->pw_uid);
    const QString made = QStringLiteral("t=$(mktemp) && echo scratch >\"$t\" && cat \"$t\" && echo \"$TMPDIR\" && rm \"$t\"");
    const Run first = su(hostile, made);
    QVERIFY2(first.code == 0 && first.output.contains(QLatin1String("scratch")) && first.output.contains(own), qPrintable(first.output));

    QCOMPARE(su(hostile, QStringLiteral("chmod 777 ") + own).code, 0);
    const Run reopened = su(hostile, made);
    QVERIFY2(reopened.code == 0 && reopened.output.contains(own), qPrintable(reopened.output));
    QVERIFY(isPrivateDir(own, entry->pw_uid));

    // Only root can write the parent: as a stale entry would be left there.
    QVERIFY(QDir(own).removeRecursively());
    QCOMPARE(run(QStringLiteral("ln"), {QStringLiteral("-s"), QStringLiteral("/etc"), own}).code, 0);
    QCOMPARE(run(QStringLiteral("chown"), {QStringLiteral("-h"), hostile, own}).code, 0);
    const Run relinked = su(hostile, made);
    QVERIFY2(relinked.code == 0 && relinked.output.contains(own), qPrintable(relinked.output));
    QVERIFY(isPrivateDir(own, entry->pw_uid));
    QVERIFY2(denied(su(hostile, QStringLiteral("echo x >/etc/orla-planted"))), "the planted link granted /etc");
    QVERIFY(!QFile::exists(QStringLiteral("/etc/orla-planted")));
    QVERIFY(denied(su(hostile, QStringLiteral("mktemp -p /tmp"))));
    // What was put aside, which stays the run's litter otherwise.
    const QDir parent(QString::fromUtf8(SystemPaths::sessionTmpDir));
    for (const QString &aside :
         parent.entryList({QLatin1Char('.') + QString::number(entry->pw_uid) + QStringLiteral(".moved-*")}, QDir::AllEntries | QDir::Hidden | QDir::System)) {
        QVERIFY(QFileInfo(parent.filePath(aside)).isSymLink() ? QFile::remove(parent.filePath(aside)) : QDir(parent.filePath(aside)).removeRecursively());
    }
}

// Root's "su -" to the kiosk user, on root's terminal (script's), which the
// session's shell has as its controlling terminal.
void HostileUserBusTest::terminalInputRefused()
{
    const auto session = [this] {
        return run(QStringLiteral("timeout"),
                   {QStringLiteral("60"), QStringLiteral("script"), QStringLiteral("-qec"), QStringLiteral("su - ") + hostile, QStringLiteral("/dev/null")},
                   (peer(QStringLiteral("push")) + QStringLiteral("; exit\n")).toUtf8());
    };
    const Run confined = session();
    QVERIFY2(confined.output.contains(QLatin1String("TIOCSTI refused: Operation not permitted")), qPrintable(confined.output));
    QVERIFY2(confined.output.contains(QLatin1String("TIOCLINUX refused: Operation not permitted")), qPrintable(confined.output));

    // The same session unconfined: the terminal would take the input.
    setEnforce(false);
    const Run unconfined = session();
    QVERIFY2(unconfined.output.contains(QLatin1String("TIOCSTI pushed")), qPrintable(unconfined.output));
}

void HostileUserBusTest::unconfinedPeersEndWhenEnforcingStarts()
{
    const QString confinedName = QStringLiteral("orla-confined-%1").arg(QCoreApplication::applicationPid());
    const QString unconfinedName = QStringLiteral("orla-unconfined-%1").arg(QCoreApplication::applicationPid());
    const Run confined = su(hostile, peer(QStringLiteral("serve ") + confinedName));
    const pid_t confinedPid = confined.output.trimmed().toInt();
    QVERIFY2(confinedPid > 0 && alive(confinedPid), qPrintable(confined.output));

    // Left running while enforcing was off, as during a recording.
    setEnforce(false);
    const Run left = su(hostile, peer(QStringLiteral("serve ") + unconfinedName));
    const pid_t leftPid = left.output.trimmed().toInt();
    QVERIFY2(leftPid > 0 && alive(leftPid), qPrintable(left.output));
    const Run served = su(hostile, peer(QStringLiteral("fetch %1 /etc/shadow").arg(unconfinedName)));
    QVERIFY2(served.code == 0 && served.output.contains(QLatin1String("root:")), qPrintable(served.output));

    // The administrator turns kiosk mode on through the helper.
    EnableActionsMap map{QString()};
    map.enableEnforce(true);
    map.enableAutoEnforce(true);
    const Outcome enabled = HelperRun::execute(HelperConstants::enableActionId, map);
    QVERIFY2(enabled.kind == Outcome::Success, qPrintable(enabled.text));
    const QStringList warnings = enabled.data.value(HelperConstants::warningsDataKey).toStringList();
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));

    QVERIFY2(!alive(leftPid), "the process left running unconfined still runs");
    QVERIFY2(alive(confinedPid), "a confined session's process was ended");
    const Run fetched = su(hostile, peer(QStringLiteral("fetch %1 /etc/shadow").arg(unconfinedName)));
    QVERIFY2(fetched.code != 0 && !fetched.output.contains(QLatin1String("root:")), qPrintable(fetched.output));

    // A confined session signals nothing outside itself, its own account's other sessions neither.
    const Run signalled = su(hostile, QStringLiteral("kill -TERM %1").arg(confinedPid));
    QVERIFY2(signalled.code != 0, qPrintable(signalled.output));
    QTest::qWait(200);
    QVERIFY2(alive(confinedPid), "a confined session ended a process outside it");
    ::kill(confinedPid, SIGKILL);
}

// While an application is recorded, kiosk users are unconfined: another
// login of the kiosk user leaves a file server behind, which no recording's
// clean-up reaches. Enforcing comes back at the recording's end.
void HostileUserBusTest::recordingLeavesNothingUnconfined()
{
    const QString autoEnforce = QString::fromUtf8(SystemPaths::autoEnforceFile);
    KioskTree::setSwitch(autoEnforce, true);
    const QString done = qEnvironmentVariable("ORLA_TESTBUS_DIR") + QStringLiteral("/recording-done");
    QFile::remove(done);
    HelperRun::Running job(HelperConstants::traceApplicationActionId,
                           recording(victim, QStringLiteral("while [ ! -e %1 ]; do sleep 0.1; done").arg(done)),
                           180000);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QFile::decodeName(SystemPaths::complainParameter)) && SystemKiosk().complain(), 60000);

    const QString name = QStringLiteral("orla-recorded-%1").arg(QCoreApplication::applicationPid());
    const Run left = su(hostile, peer(QStringLiteral("serve ") + name));
    const pid_t pid = left.output.trimmed().toInt();
    QVERIFY2(pid > 0 && alive(pid), qPrintable(left.output));

    QFile(done).open(QIODevice::WriteOnly);
    const Outcome traced = job.finish(120000);
    KioskTree::setSwitch(autoEnforce, false);
    QVERIFY2(traced.kind == Outcome::Success, qPrintable(traced.text));
    const QStringList warnings = traced.data.value(HelperConstants::warningsDataKey).toStringList();
    QVERIFY2(!warnings.join(QString()).contains(QLatin1String("could not be ended")), qPrintable(warnings.join(QLatin1Char('\n'))));
    QVERIFY(SystemKiosk().enforce());

    QVERIFY2(!alive(pid), "the server left running during the recording still runs");
    const Run fetched = su(hostile, peer(QStringLiteral("fetch %1 /etc/shadow").arg(name)));
    QVERIFY2(fetched.code != 0 && !fetched.output.contains(QLatin1String("root:")), qPrintable(fetched.output));
    // Nothing of the account runs any more, the recording's session bus neither.
    for (const QString &account : {hostile, victim}) {
        const passwd *entry = getpwnam(account.toUtf8().constData());
        QVERIFY(entry);
        QCOMPARE(ProcessTree::ofRealUid(entry->pw_uid), QList<pid_t>());
    }
}

// The X server listens on an abstract socket, and its clients try no other
// when that one is refused: an X session keeps reaching it.
void HostileUserBusTest::xSessionReachesItsDisplay()
{
    giveCookie(desktop);
    const QString authority = home(desktop) + QStringLiteral("/.Xauthority");
    const QString probe = script(home(desktop) + QStringLiteral("/probe"),
                                 "echo \"probe: session=$TAVRIX_SESSION\"\n"
                                 "xhost >/dev/null && echo 'probe: display reached'\n"
                                 "cat /etc/debian_version >/dev/null 2>&1 || echo 'probe: debian_version refused'",
                                 desktop);
    const QString output =
        xSessionLog(desktop, probe, {QStringLiteral("DISPLAY=") + qEnvironmentVariable("DISPLAY"), QStringLiteral("XAUTHORITY=") + authority});
    QVERIFY2(output.contains(QLatin1String("probe: session=confined")), qPrintable(output));
    QVERIFY2(output.contains(QLatin1String("probe: debian_version refused")), qPrintable(output));
    QVERIFY2(output.contains(QLatin1String("probe: display reached")), qPrintable(output));
}

QTEST_GUILESS_MAIN(HostileUserBusTest)

#include "hostileuserbustest.moc"
