/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Measures what the administration program's working state costs on a large
// kiosk tree, each step beside the time of merely reading the same files:
// reloading (reading, parsing, building the states, computing every
// status), computing every status again, as after each edit, and the main
// window loading the tree and showing a user's profiles.
//
// The tree is generated below the build's scratch root (ORLA_SYSTEM_ROOT),
// where the working state reads; a build against the real system refuses
// to run, so the benchmark never touches a real kiosk tree.

#include "positiveoption.h"

#include "mainwindow/mainwindow.h"
#include "state/profilestate.h"
#include "state/systemstate.h"
#include "state/userstate.h"

#include "store/systemkiosk.h"
#include "systempaths.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace
{
struct Options {
    int users = 2000;
    int profiles = 10000;
    int layers = 50;
    int fanout = 3;
    int rules = 8;
    int repeat = 3;
    quint32 seed = 20240611;
};

struct Timing {
    qint64 best = 0;
    qint64 median = 0;
};

bool writeFile(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0;
}

// Profiles in layers; each includes a few profiles of the layer below, so
// every profile is shared by several above it and the number of include
// paths grows as fanout^layers. A few profiles at the bottom name profiles
// that do not exist, so errors reach far up.
bool generateTree(const Options &options)
{
    const QString root = QString::fromUtf8(SystemPaths::systemRoot);
    QDir(root).removeRecursively();
    const QString profilesDir = SystemKiosk::systemProfilesDir();
    const QString usersDir = SystemKiosk::userProfilesDir();
    const QString disabledDir = SystemKiosk::disabledProfilesDir();
    if (!QDir().mkpath(profilesDir) || !QDir().mkpath(disabledDir)) {
        return false;
    }
    const QString parameters = QString::fromUtf8(SystemPaths::moduleParametersDir);
    if (!QDir().mkpath(parameters) || !writeFile(QString::fromUtf8(SystemPaths::enforceParameter), QStringLiteral("1\n"))
        || !writeFile(QString::fromUtf8(SystemPaths::complainParameter), QStringLiteral("0\n"))
        || !writeFile(QString::fromUtf8(SystemPaths::autoEnforceFile), QStringLiteral("1\n"))) {
        return false;
    }

    QRandomGenerator random(options.seed);
    const int perLayer = std::max(1, options.profiles / options.layers);
    auto name = [](int layer, int index) {
        return QStringLiteral("app%1-%2").arg(layer, 3, 10, QLatin1Char('0')).arg(index, 4, 10, QLatin1Char('0'));
    };
    for (int layer = 0; layer < options.layers; ++layer) {
        for (int index = 0; index < perLayer; ++index) {
            QString text;
            if (layer + 1 < options.layers) {
                for (int i = 0; i < options.fanout; ++i) {
                    text += QStringLiteral("@include %1\n").arg(name(layer + 1, int(random.bounded(perLayer))));
                }
            } else if (index % 97 == 0) {
                text += QStringLiteral("@include missing-runtime\n");
            }
            for (int i = 0; i < options.rules; ++i) {
                text += QStringLiteral("+file r uo: /usr/share/app%1/data/file%2\n").arg(layer * perLayer + index).arg(i);
            }
            text += QStringLiteral("# generated\n");
            if (!writeFile(profilesDir + QLatin1Char('/') + name(layer, index), text)) {
                return false;
            }
        }
    }
    for (int user = 0; user < options.users; ++user) {
        QString text;
        for (int i = 0; i < options.fanout; ++i) {
            text += QStringLiteral("@include %1\n").arg(name(0, int(random.bounded(perLayer))));
        }
        // Every tenth user is disabled.
        const QString dir = user % 10 == 9 ? disabledDir : usersDir;
        if (!writeFile(dir + QStringLiteral("/kiosk%1").arg(user, 5, 10, QLatin1Char('0')), text)) {
            return false;
        }
    }
    return true;
}

// The baseline: the bytes of every profile file, nothing else.
qint64 readAllFiles()
{
    qint64 bytes = 0;
    for (const QString &dir : {SystemKiosk::systemProfilesDir(), SystemKiosk::userProfilesDir(), SystemKiosk::disabledProfilesDir()}) {
        QDirIterator it(dir, QDir::Files);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly)) {
                bytes += file.readAll().size();
            }
        }
    }
    return bytes;
}

Timing measure(int repeat, const std::function<void()> &step)
{
    QList<qint64> times;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        times.append(timer.nsecsElapsed() / 1000000);
    }
    std::sort(times.begin(), times.end());
    return Timing{times.constFirst(), times.at(times.size() / 2)};
}

void report(const char *step, const Timing &timing, const Timing &baseline)
{
    const double ratio = baseline.median > 0 ? double(timing.median) / double(baseline.median) : 0.0;
    std::printf("%-34s best %7lld ms   median %7lld ms   %6.1fx reading the files\n", step, timing.best, timing.median, ratio);
}

// The main window over the same tree, offscreen: loading (the reload above
// plus filling the users list and a first paint), then choosing a user, which
// fills the profiles list with every profile. The window is usable once both
// are done.
void measureWindow(const Options &options, const Timing &reading, const Timing &reloading)
{
    MainWindow window;
    window.show();
    const Timing loading = measure(options.repeat, [&]() {
        window.loadData();
        window.repaint();
    });
    auto *users = window.findChild<QListWidget *>(QStringLiteral("usersListWidget"));
    int row = 0;
    const Timing choosing = measure(options.repeat, [&]() {
        // Another user each time, so that the profiles list is rebuilt.
        users->setCurrentRow(row++ % std::max(1, users->count()));
        window.repaint();
    });
    // Differences of medians; single runs vary too much to subtract.
    const qint64 listsMedian = std::max<qint64>(0, loading.median - reloading.median);
    const Timing lists{listsMedian, listsMedian};
    report("window: load, fill users list", loading, reading);
    report("  of that, filling and painting", lists, reading);
    report("window: choose a user", choosing, reading);
    const qint64 usable = loading.median + choosing.median - reading.median;
    std::printf("window usable %lld ms after the files were read (target: under 1000 ms)\n", usable);
}
}

int main(int argc, char *argv[])
{
    // The main window is measured without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the working state on a generated kiosk tree below the build's scratch root."));
    parser.addHelpOption();
    const QCommandLineOption usersOption(QStringLiteral("users"), QStringLiteral("Kiosk users (every tenth disabled)."), QStringLiteral("n"));
    const QCommandLineOption profilesOption(QStringLiteral("profiles"), QStringLiteral("System profiles."), QStringLiteral("n"));
    const QCommandLineOption layersOption(QStringLiteral("layers"), QStringLiteral("Depth of the include layers."), QStringLiteral("n"));
    const QCommandLineOption fanoutOption(QStringLiteral("fanout"), QStringLiteral("Includes per profile."), QStringLiteral("n"));
    const QCommandLineOption repeatOption(QStringLiteral("repeat"), QStringLiteral("Runs of each step."), QStringLiteral("n"));
    parser.addOptions({usersOption, profilesOption, layersOption, fanoutOption, repeatOption});
    parser.process(application);

    Options options;
    if (!positive(parser, usersOption, &options.users) || !positive(parser, profilesOption, &options.profiles)
        || !positive(parser, layersOption, &options.layers) || !positive(parser, fanoutOption, &options.fanout)
        || !positive(parser, repeatOption, &options.repeat)) {
        return 2;
    }

    const QString root = QDir::cleanPath(QString::fromUtf8(SystemPaths::systemRoot));
    if (root.isEmpty() || root == QLatin1String("/")) {
        std::fprintf(stderr, "This build reads the real kiosk tree; configure it with -DORLA_SYSTEM_ROOT=<scratch directory>.\n");
        return 2;
    }
    // The integrity check asks the authorisation service; a machine without
    // one must not make the reload wait for it.
    if (qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS") && !QFile::exists(QStringLiteral("/run/dbus/system_bus_socket"))) {
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/orla-benchmark-no-bus");
    }

    QElapsedTimer generation;
    generation.start();
    if (!generateTree(options)) {
        std::fprintf(stderr, "cannot write the tree below %s\n", qPrintable(root));
        return 1;
    }
    std::printf("tree below %s: %d users, %d profiles in %d layers, %d includes each; generated in %lld ms\n",
                qPrintable(root),
                options.users,
                options.profiles,
                options.layers,
                options.fanout,
                generation.elapsed());

    qint64 bytes = 0;
    const Timing reading = measure(options.repeat, [&]() {
        bytes = readAllFiles();
    });
    std::printf("%lld bytes of profile text\n", bytes);

    SystemState state;
    const Timing reloading = measure(options.repeat, [&]() {
        state.reload();
    });
    const Timing statuses = measure(options.repeat, [&]() {
        state.updateAllStatuses();
    });

    int withErrors = 0;
    const QSet<UserState *> users = state.users();
    for (const UserState *user : users) {
        withErrors += user->errors().isEmpty() ? 0 : 1;
    }

    report("reading the files", reading, reading);
    report("reload: read, parse, statuses", reloading, reading);
    report("all statuses again", statuses, reading);
    measureWindow(options, reading, reloading);
    std::printf("%lld users, %lld profiles loaded; %d users with errors\n", qlonglong(users.size()), qlonglong(state.profiles().size()), withErrors);

    QDir(root).removeRecursively();
    return 0;
}
