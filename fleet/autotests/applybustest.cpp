/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// orla-kiosk apply, mode and status on the road a save takes: the command,
// the system bus, polkit and the helper the bus starts as root. Runs under
// testbus/run-with-system-bus.sh, on the build's scratch kiosk tree.

#include "orlakioskprocess.h"
#include "tarmembers.h"

#include "bundlewriter.h"
#include "kioskbundle.h"
#include "kiosktreereader.h"

#include "helperrun.h"
#include "kiosktree.h"
#include "scratchroot.h"
#include "testfiles.h"

#include "store/kiosksnapshots.h"
#include "store/systemkiosk.h"
#include "systempaths.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>

// Writes a bundle, good or bad, into the file it is given.
using BundleMaker = std::function<void(QFile &)>;
Q_DECLARE_METATYPE(BundleMaker)

namespace
{
using OrlaKioskProcess::Run;

// The scratch tree holding exactly @p bundle, with kiosk mode off now.
void layOut(const KioskBundle &bundle)
{
    KioskTree::reset();
    for (auto it = bundle.profiles.cbegin(); it != bundle.profiles.cend(); ++it) {
        KioskTree::write(KioskTree::systemProfile(it.key()), it.value());
    }
    for (auto it = bundle.users.cbegin(); it != bundle.users.cend(); ++it) {
        KioskTree::write(KioskTree::userProfile(it.key()), it.value());
    }
    KioskTree::setSwitches(false, bundle.autoEnforce, false, bundle.autoComplain);
}

// Accounts every machine has, so that the users' statuses are clean here.
KioskBundle roomBundle()
{
    KioskBundle bundle;
    bundle.profiles.insert(QStringLiteral("base"), "+file r uo: /etc/hosts\n");
    bundle.profiles.insert(QStringLiteral("browser"), "@include base\n+file rw u: /var/tmp/browser\n");
    bundle.users.insert(QStringLiteral("daemon"), "@include browser\n");
    bundle.users.insert(QStringLiteral("disabled/bin"), "@include base\n");
    bundle.autoEnforce = true;
    return bundle;
}

QString writeBundle(const QTemporaryDir &dir, const KioskBundle &bundle)
{
    const QString file = dir.filePath(QStringLiteral("room.okb"));
    BundleWriter::writeFile(bundle, file);
    return file;
}

int snapshotCount()
{
    return KioskSnapshots().list().size();
}
}

class ApplyBusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void appliesOnceThenFindsNothingToDo();
    void interruptedSaveIsPutInOrderBeforeReading();
    void movesUsersRewritesAndRemoves();
    void dryRunChangesNothing();
    void refusesBadBundle_data();
    void refusesBadBundle();
    void switchesKioskModeOnce();

private:
    QTemporaryDir m_dir;
};

void ApplyBusTest::initTestCase()
{
    if (!ScratchRoot::isScratchBuild()) {
        QSKIP("needs a build with a scratch kiosk tree");
    }
    QVERIFY(m_dir.isValid());
}

void ApplyBusTest::cleanupTestCase()
{
    ScratchRoot::reset();
}

void ApplyBusTest::appliesOnceThenFindsNothingToDo()
{
    layOut(KioskBundle());
    const KioskBundle bundle = roomBundle();
    const QString file = writeBundle(m_dir, bundle);
    const int snapshots = snapshotCount();

    const Run first = OrlaKioskProcess::run({QStringLiteral("apply"), file});
    QVERIFY2(first.status == 0, qPrintable(first.err));
    QVERIFY(first.out.contains(QStringLiteral("Profile added: browser")));
    QVERIFY(first.out.contains(QStringLiteral("Kiosk mode after reboot: off → on")));
    QCOMPARE(KioskTreeReader().read(), bundle);
    // One save, kept as an earlier configuration like the program's.
    QCOMPARE(snapshotCount(), snapshots + 1);

    const Run second = OrlaKioskProcess::run({QStringLiteral("apply"), file});
    QCOMPARE(second.status, 3);
    QVERIFY(second.out.startsWith(QStringLiteral("Nothing to change")));
    QCOMPARE(KioskTreeReader().read(), bundle);
    QCOMPARE(snapshotCount(), snapshots + 1);
}

void ApplyBusTest::interruptedSaveIsPutInOrderBeforeReading()
{
    // Enough profiles that a save of all of them takes a while.
    KioskBundle before = roomBundle();
    KioskBundle after = before;
    for (int i = 0; i < 10000; ++i) {
        before.profiles.insert(QStringLiteral("p%1").arg(i, 5, 10, QLatin1Char('0')), "+file r uo: /opt/old\n");
        after.profiles.insert(QStringLiteral("p%1").arg(i, 5, 10, QLatin1Char('0')), "+file r uo: /opt/new\n");
    }
    layOut(before);
    const QString file = writeBundle(m_dir, after);
    const KioskTree::Snapshot old = KioskTree::snapshot();
    const int snapshots = snapshotCount();

    // The command and then the helper die in the middle of the save, so
    // that nobody is left who saw it fail.
    QProcess apply;
    apply.start(QStringLiteral(ORLA_KIOSK_PATH), {QStringLiteral("apply"), file});
    const QString first = KioskTree::systemProfile(QStringLiteral("p00000"));
    QElapsedTimer waited;
    waited.start();
    while (TestFiles::read(first) == "+file r uo: /opt/old\n" && apply.state() != QProcess::NotRunning && waited.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const qint64 pid = HelperRun::helperPid();
    apply.kill();
    QVERIFY(pid > 0);
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    apply.waitForFinished();
    const QString journal = QString::fromUtf8(SystemPaths::transactionJournalDir) + QStringLiteral("/journal");
    QVERIFY2(QFileInfo::exists(journal), "the save was not interrupted");

    // The next reader of the tree finds it whole, and nothing is kept of
    // the save that never happened.
    const Run check = OrlaKioskProcess::run({QStringLiteral("check"), QStringLiteral("--no-accounts")});
    QVERIFY2(check.status == 0 || check.status == 1, qPrintable(check.err));
    QVERIFY(!QFileInfo::exists(journal));
    QVERIFY2(KioskTree::snapshot(KioskTree::Scope::Visible) == old, "the tree is not the old configuration");
    QCOMPARE(snapshotCount(), snapshots);
}

void ApplyBusTest::movesUsersRewritesAndRemoves()
{
    KioskBundle before = roomBundle();
    before.profiles.insert(QStringLiteral("old"), "+file r uo: /opt/old\n");
    before.users.insert(QStringLiteral("sys"), "@include old\n");
    layOut(before);

    KioskBundle after = roomBundle();
    after.users.remove(QStringLiteral("disabled/bin"));
    after.users.insert(QStringLiteral("bin"), "@include base\n");
    after.users.remove(QStringLiteral("daemon"));
    after.users.insert(QStringLiteral("disabled/daemon"), "@include base\n");
    after.profiles.insert(QStringLiteral("base"), "+file r uo: /etc/hosts\n+file r uo: /etc/resolv.conf\n");
    after.autoEnforce = false;
    const int snapshots = snapshotCount();

    const Run run = OrlaKioskProcess::run({QStringLiteral("apply"), writeBundle(m_dir, after)});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    for (const QString &line : {QStringLiteral("User enabled: bin"),
                                QStringLiteral("User disabled: daemon"),
                                QStringLiteral("User removed: sys"),
                                QStringLiteral("Profile removed: old"),
                                QStringLiteral("+ +file r uo: /etc/resolv.conf"),
                                QStringLiteral("Kiosk mode after reboot: on → off")}) {
        QVERIFY2(run.out.contains(line), qPrintable(line + QStringLiteral(" not in:\n") + run.out));
    }
    QCOMPARE(KioskTreeReader().read(), after);
    QCOMPARE(snapshotCount(), snapshots + 1);
}

void ApplyBusTest::dryRunChangesNothing()
{
    const KioskBundle before = roomBundle();
    layOut(before);
    KioskBundle after = before;
    after.profiles.insert(QStringLiteral("browser"), "@include base\n+file rw u: /var/tmp/other\n");
    const int snapshots = snapshotCount();

    const Run run = OrlaKioskProcess::run({QStringLiteral("apply"), QStringLiteral("--dry-run"), writeBundle(m_dir, after)});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains(QStringLiteral("- +file rw u: /var/tmp/browser\n+ +file rw u: /var/tmp/other")), qPrintable(run.out));
    QCOMPARE(KioskTreeReader().read(), before);
    QCOMPARE(snapshotCount(), snapshots);
}

void ApplyBusTest::refusesBadBundle_data()
{
    QTest::addColumn<BundleMaker>("make");
    QTest::addColumn<QString>("sentence");

    using namespace TarMembers;
    const QByteArray profile = "+file r uo: /etc/hosts\n";
    const QMap<QString, QByteArray> profiles{{QStringLiteral("base"), profile}};
    const QByteArray good = member("manifest.json", manifest(profiles, {})) + member("profiles/base", profile) + end();
    const auto bytes = [](const QByteArray &content) {
        return BundleMaker([content](QFile &file) {
            file.write(content);
        });
    };

    QTest::newRow("truncated") << bytes(good.left(block + 100)) << QStringLiteral("cannot be read: Truncated tar archive");
    QByteArray altered = good;
    altered.replace("/etc/hosts", "/etc/hostz");
    QTest::newRow("wrong checksum") << bytes(altered) << QStringLiteral("the checksum of 'profiles/base' does not match its manifest");
    QTest::newRow("absolute name") << bytes(member("manifest.json", manifest({}, {})) + member("/etc/tavrix/kiosk2/daemon", profile) + end())
                                   << QStringLiteral("the member '/etc/tavrix/kiosk2/daemon' has an absolute name");
    QTest::newRow("dot-dot name") << bytes(member("manifest.json", manifest({}, {})) + member("profiles/../../kiosk2/daemon", profile) + end())
                                  << QStringLiteral("the member 'profiles/../../kiosk2/daemon' leads out of the bundle");
    QTest::newRow("symbolic link") << bytes(member("manifest.json", manifest(profiles, {})) + header("profiles/base", 0, '2', "/etc/shadow") + end())
                                   << QStringLiteral("the member 'profiles/base' is a symbolic link");
    // Sparse: the gigabyte of zeros is never written, and must never be read.
    QTest::newRow("1 GiB member") << BundleMaker([](QFile &file) {
        const qint64 size = qint64(1) << 30;
        file.write(header("profiles/huge", size));
        file.resize(block + size + 2 * block);
    }) << QStringLiteral("the member 'profiles/huge' is 1024.0 MiB, more than the 16.0 MiB a profile may have");
    QTest::newRow("unknown format") << bytes(member("manifest.json", manifest(profiles, {}, 2)) + member("profiles/base", profile) + end())
                                    << QStringLiteral("it is in format 2, and this orla-kiosk reads only format 1");

    // Well-formed, but not a configuration to roll out.
    const QByteArray broken = "this is no rule\n";
    QTest::newRow("broken profile") << bytes(member("manifest.json", manifest({{QStringLiteral("base"), broken}}, {})) + member("profiles/base", broken)
                                             + end())
                                    << QStringLiteral("error: profile 'base' has invalid config lines");
    const QByteArray user = "@include base\n";
    QTest::newRow("user without account") << bytes(member("manifest.json", manifest(profiles, {{QStringLiteral("nosuchkioskuser"), user}}))
                                                   + member("profiles/base", profile) + member("users/nosuchkioskuser", user) + end())
                                          << QStringLiteral("error: user 'nosuchkioskuser' not found");
}

void ApplyBusTest::refusesBadBundle()
{
    QFETCH(BundleMaker, make);
    QFETCH(QString, sentence);

    const KioskBundle before = roomBundle();
    layOut(before);
    const int snapshots = snapshotCount();
    QFile file(m_dir.filePath(QStringLiteral("bad.okb")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    make(file);
    file.close();

    const Run run = OrlaKioskProcess::run({QStringLiteral("apply"), file.fileName()});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(sentence), qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("Nothing has been changed.")), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(KioskTreeReader().read(), before);
    QCOMPARE(snapshotCount(), snapshots);
}

void ApplyBusTest::switchesKioskModeOnce()
{
    layOut(roomBundle());
    const Run on = OrlaKioskProcess::run({QStringLiteral("mode"), QStringLiteral("on")});
    QVERIFY2(on.status == 0, qPrintable(on.err));
    const SystemKiosk kiosk;
    QVERIFY(kiosk.enforce() && kiosk.autoEnforce());
    QCOMPARE(OrlaKioskProcess::run({QStringLiteral("mode"), QStringLiteral("on")}).status, 3);

    const Run status = OrlaKioskProcess::run({QStringLiteral("status"), QStringLiteral("--json")});
    QCOMPARE(status.status, 0);
    const QJsonObject json = QJsonDocument::fromJson(status.out.toUtf8()).object();
    QCOMPARE(json.value(QStringLiteral("kioskMode")).toObject().value(QStringLiteral("now")), QJsonValue(true));
    QCOMPARE(json.value(QStringLiteral("globalRecording")).toObject().value(QStringLiteral("now")), QJsonValue(false));
}

QTEST_GUILESS_MAIN(ApplyBusTest)

#include "applybustest.moc"
