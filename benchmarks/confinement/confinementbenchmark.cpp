/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// What confinement costs, side by side in one run:
// - a session's start: reading, resolving (walked from "/" without the
//   user's links, one descriptor per object) and turning into a Landlock
//   ruleset a generated profile of 10 000 rules on as many files (target:
//   under 100 ms);
// - a file-heavy command (reading every file of /usr/share/doc) run as a
//   kiosk account through tavrix-confine, confined (Landlock, the terminal
//   filter on every system call, scoping) and not (target: within 1.2
//   times).
//
// Needs root and a scratch-root build: the account's profile and the
// switches lie below the scratch root, the files of the generated profile in
// a temporary directory. The account is the system's "nobody", made a kiosk
// user for the run and none afterwards.

#include "benchmarkoptions.h"
#include "scratchkiosktree.h"
#include "table.h"
#include "timing.h"
#include "treefiles.h"

#include "kioskconfinement.h"
#include "landlockruleset.h"
#include "store/systemkiosk.h"
#include "userwhitelist.h"
#include "systempaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include <pwd.h>
#include <unistd.h>

namespace
{
const QString account = QStringLiteral("nobody");

double ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// As many files as rules, in directories of a hundred; every hundredth rule
// names a directory, the rest files with each of the usual mode sets. False
// when a file cannot be made.
bool generateProfile(const QString &dir, int rules, QString *text)
{
    text->reserve(rules * 64);
    const char *modes[] = {"r", "rw", "rwc"};
    for (int i = 0; i < rules; ++i) {
        const QString sub = dir + QStringLiteral("/d%1").arg(i / 100);
        if (i % 100 == 0) {
            if (!QDir().mkpath(sub)) {
                return false;
            }
            *text += QStringLiteral("+file r uo: %1\n").arg(sub);
            continue;
        }
        const QString file = sub + QStringLiteral("/f%1").arg(i);
        if (!TreeFiles::write(file, QByteArray())) {
            return false;
        }
        *text += QStringLiteral("+file %1 uo: %2\n").arg(QLatin1String(modes[i % 3]), file);
    }
    return true;
}

double runAsKiosk(const QStringList &command)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("setpriv"),
                  ScratchKioskTree::asKioskAccount(QStringList{QString::fromUtf8(SystemPaths::confineProgram), QStringLiteral("--")} + command));
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "the command failed (%d)\n", process.exitCode());
    }
    return ms(timer);
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int rules = 10000;
    int runs = 5;
    QString tree = QStringLiteral("/usr/share/doc");
    BenchmarkOptions parser(QStringLiteral("What kiosk confinement costs at a session's start and while it runs"));
    parser.add(QStringLiteral("rules"), QStringLiteral("Rules of the generated profile."), &rules);
    parser.add(QStringLiteral("runs"), QStringLiteral("Runs of each measurement."), &runs);
    parser.add(QStringLiteral("tree"), QStringLiteral("What the command reads."), &tree);
    parser.parse(app);

    if (getuid() != 0) {
        std::fprintf(stderr, "needs root\n");
        return 77;
    }
    if (!ScratchKioskTree::isScratchBuild()) {
        return 77;
    }
    const passwd *entry = getpwnam("nobody");
    if (!entry) {
        std::fprintf(stderr, "needs the account nobody\n");
        return 77;
    }
    const uid_t uid = entry->pw_uid;
    if (LandlockRuleset::abi() == 0) {
        std::fprintf(stderr, "the kernel offers no Landlock\n");
        return 77;
    }
    std::printf("Landlock ABI %d\n\n", LandlockRuleset::abi());

    SystemKiosk store;
    const QString enforce = QString::fromUtf8(SystemPaths::enforceParameter);
    QFile saved(enforce);
    const QByteArray enforceBefore = saved.open(QIODevice::ReadOnly) ? saved.readAll() : QByteArray();
    saved.close();

    // A session's start.
    QTemporaryDir files;
    QString profile;
    if (!files.isValid() || !generateProfile(files.path(), rules, &profile)) {
        std::fprintf(stderr, "cannot make the files of the generated profile in %s\n", qPrintable(files.path()));
        return 1;
    }
    store.updateUserProfile(account, profile);
    QVector<double> read, resolve, build, start;
    int made = 0;
    for (int i = 0; i < runs; ++i) {
        double reading = 0;
        const auto timedReader = [&reading](const QString &path) {
            QElapsedTimer timer;
            timer.start();
            const ProfileData data = SystemKiosk().readProfile(path).data();
            reading += ms(timer);
            return data;
        };
        QElapsedTimer timer;
        timer.start();
        const UserWhitelist whitelist = UserWhitelist::read(account, uid, timedReader);
        read.append(reading);
        resolve.append(ms(timer) - reading);
        // The ruleset is made during the walk, from the objects it opened.
        reading = 0;
        timer.restart();
        LandlockRuleset ruleset;
        QString error;
        QStringList warnings;
        if (!ruleset.create(&error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        UserWhitelist::read(account, uid, timedReader, [&](int fd, const QByteArray &path, UserWhitelist::Modes object, UserWhitelist::Modes beneath) {
            ruleset.add(fd, path, object, beneath, &warnings);
        });
        made = ruleset.rules();
        build.append(ms(timer) - reading);
        store.enableEnforce(true);
        timer.restart();
        const KioskConfinement confinement(account, uid);
        start.append(ms(timer));
    }
    std::printf("A session's start, profile of %d rules (%d Landlock rules), median of %d:\n", rules, made, runs);
    {
        const double whole = Timing::fromRuns(start).median();
        const Table table({{QString(), 32}, {QStringLiteral("median"), 12}, {QStringLiteral("vs target"), 12}, {QStringLiteral("target"), 14}});
        table.row({QStringLiteral("  read the profiles"), Table::ms(Timing::fromRuns(read).median())});
        table.row({QStringLiteral("  resolve their rules"), Table::ms(Timing::fromRuns(resolve).median())});
        table.row({QStringLiteral("  resolve and make the ruleset"), Table::ms(Timing::fromRuns(build).median())});
        table.row({QStringLiteral("  the whole decision"), Table::ms(whole), Table::times(whole, 100.0, 2), QStringLiteral("under 100 ms")});
        std::printf("\n");
    }

    // A file-heavy command, confined and not.
    store.updateUserProfile(account,
                            QStringLiteral("+file r uo: /lib64/ld-linux-*.so.*\n"
                                           "+file r uo: /usr/lib/*-linux-gnu\n"
                                           "+file r uo: /etc/ld.so.cache\n"
                                           "+file r uo: /usr/lib/locale\n"
                                           "+file r uo: /usr/bin/find\n"
                                           "+file r uo: /usr/bin/cat\n"
                                           "+file rw uo: /dev/null\n"
                                           "+file r uo: %1\n")
                                .arg(tree));
    const QStringList command = TreeFiles::readEveryFile(tree, {QStringLiteral("-type"), QStringLiteral("f")});
    store.enableEnforce(false);
    runAsKiosk(command); // the page cache, for both alike
    QVector<double> unconfined, confined;
    for (int i = 0; i < runs; ++i) {
        store.enableEnforce(false);
        unconfined.append(runAsKiosk(command));
        store.enableEnforce(true);
        confined.append(runAsKiosk(command));
    }
    std::printf("Reading every file of %s as a kiosk account, median of %d:\n", qPrintable(tree), runs);
    {
        const double without = Timing::fromRuns(unconfined).median();
        const double with = Timing::fromRuns(confined).median();
        const Table table({{QString(), 32}, {QStringLiteral("median"), 12}, {QStringLiteral("vs unconfined"), 16}, {QStringLiteral("target"), 14}});
        table.row({QStringLiteral("  unconfined"), Table::ms(without), Table::times(without, without, 2)});
        table.row({QStringLiteral("  confined"), Table::ms(with), Table::times(with, without, 2), QStringLiteral("at most 1.2x")});
    }

    store.removeUserProfile(account);
    QFile restore(enforce);
    if (restore.open(QIODevice::WriteOnly)) {
        restore.write(enforceBefore.isEmpty() ? QByteArray("0\n") : enforceBefore);
    }
    return 0;
}
