/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// What confinement costs, side by side in one run:
// - a session's start: reading, resolving and turning into a Landlock
//   ruleset a generated profile of 10 000 rules on as many files (target:
//   under 100 ms);
// - a file-heavy command (reading every file of /usr/share/doc) run as a
//   kiosk account through tavrix-confine, confined and not (target: within
//   1.2 times).
//
// Needs root and a scratch-root build: the account's profile and the
// switches lie below the scratch root, the files of the generated profile in
// a temporary directory. The account is the system's "nobody", made a kiosk
// user for the run and none afterwards.

#include "kioskconfinement.h"
#include "landlockruleset.h"
#include "store/systemkiosk.h"
#include "store/userwhitelist.h"
#include "systempaths.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include <pwd.h>
#include <unistd.h>

namespace
{
const QString account = QStringLiteral("nobody");

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

double ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// As many files as rules, in directories of a hundred; every hundredth rule
// names a directory, the rest files with each of the usual mode sets.
QString generatedProfile(const QString &dir, int rules)
{
    QString text;
    text.reserve(rules * 64);
    const char *modes[] = {"r", "rw", "rwc"};
    for (int i = 0; i < rules; ++i) {
        const QString sub = dir + QStringLiteral("/d%1").arg(i / 100);
        if (i % 100 == 0) {
            QDir().mkpath(sub);
            text += QStringLiteral("+file r uo: %1\n").arg(sub);
            continue;
        }
        const QString file = sub + QStringLiteral("/f%1").arg(i);
        QFile(file).open(QIODevice::WriteOnly);
        text += QStringLiteral("+file %1 uo: %2\n").arg(QLatin1String(modes[i % 3]), file);
    }
    return text;
}

double runAsKiosk(const QStringList &command)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("setpriv"),
                  QStringList{QStringLiteral("--reuid=") + account,
                              QStringLiteral("--regid=nogroup"),
                              QStringLiteral("--clear-groups"),
                              QString::fromUtf8(SystemPaths::confineProgram),
                              QStringLiteral("--")}
                      + command);
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
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("What kiosk confinement costs at a session's start and while it runs"));
    parser.addHelpOption();
    const QCommandLineOption rulesOption(QStringLiteral("rules"),
                                         QStringLiteral("Rules of the generated profile (10000)."),
                                         QStringLiteral("n"),
                                         QStringLiteral("10000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each measurement (5)."), QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption treeOption(QStringLiteral("tree"),
                                        QStringLiteral("What the command reads (/usr/share/doc)."),
                                        QStringLiteral("dir"),
                                        QStringLiteral("/usr/share/doc"));
    parser.addOptions({rulesOption, runsOption, treeOption});
    parser.process(app);
    const int rules = std::max(1, parser.value(rulesOption).toInt());
    const int runs = std::max(1, parser.value(runsOption).toInt());
    const QString tree = parser.value(treeOption);

    if (getuid() != 0 || QByteArray(SystemPaths::systemRoot).isEmpty()) {
        std::fprintf(stderr, "needs root and a scratch-root build (-DORLA_SYSTEM_ROOT=DIR)\n");
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
    store.updateUserProfile(account, generatedProfile(files.path(), rules));
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
        timer.restart();
        LandlockRuleset ruleset;
        QString error;
        QStringList warnings;
        if (!ruleset.build(whitelist.grants(), &error, &warnings)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        made = ruleset.rules();
        build.append(ms(timer));
        store.enableEnforce(true);
        timer.restart();
        const KioskConfinement confinement(account, uid);
        start.append(ms(timer));
    }
    std::printf("A session's start, profile of %d rules (%d Landlock rules), median of %d:\n", rules, made, runs);
    std::printf("  read the profiles               %8.1f ms\n", median(read));
    std::printf("  resolve their rules             %8.1f ms\n", median(resolve));
    std::printf("  make the Landlock ruleset       %8.1f ms\n", median(build));
    std::printf("  the whole decision              %8.1f ms   (target: under 100 ms)\n\n", median(start));

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
    const QStringList command{QStringLiteral("find"),
                              tree,
                              QStringLiteral("-type"),
                              QStringLiteral("f"),
                              QStringLiteral("-exec"),
                              QStringLiteral("cat"),
                              QStringLiteral("{}"),
                              QStringLiteral("+")};
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
    std::printf("  unconfined                      %8.1f ms\n", median(unconfined));
    std::printf("  confined                        %8.1f ms\n", median(confined));
    std::printf("  ratio                           %8.2f     (target: at most 1.2)\n", median(confined) / median(unconfined));

    store.removeUserProfile(account);
    QFile restore(enforce);
    if (restore.open(QIODevice::WriteOnly)) {
        restore.write(enforceBefore.isEmpty() ? QByteArray("0\n") : enforceBefore);
    }
    return 0;
}
