/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Measures what the administration program's working state costs on a large
// kiosk tree, each step beside the time of merely reading the same files:
// reloading (reading, parsing, building the states, computing every
// status), computing every status again, as after each edit, and the main
// window loading the tree and showing a user's profiles; then every status of
// stacked include diamonds, whose paths a status pass must not walk, beside
// one plain walk over them.
//
// The tree is generated below the build's scratch root (ORLA_SYSTEM_ROOT),
// where the working state reads; a build against the real system refuses
// to run, so the benchmark never touches a real kiosk tree.

#include "benchmarkoptions.h"
#include "includeshapes.h"
#include "layeredtree.h"
#include "table.h"
#include "timing.h"
#include "treefiles.h"

#include "mainwindow/mainwindow.h"
#include "state/profilestate.h"
#include "state/systemstate.h"
#include "state/userstate.h"

#include "profile/userprofilefile.h"
#include "store/systemkiosk.h"
#include "systempaths.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>

namespace
{
struct Options {
    int users = 2000;
    int profiles = 10000;
    int layers = 50;
    int fanout = 3;
    int rules = 8;
    int repeat = 3;
    int diamonds = 60;
    quint32 seed = 20240611;
};

bool writeFile(const QString &path, const QString &text)
{
    return TreeFiles::write(path, text.toUtf8());
}

// The kiosk tree and the module switches below the scratch root; the rest of
// it (the module's tools the build puts there) stays.
void removeTree()
{
    QDir(QFileInfo(SystemKiosk::systemProfilesDir()).path()).removeRecursively();
    QDir(QString::fromUtf8(SystemPaths::moduleParametersDir)).removeRecursively();
}

QStringList profileDirs()
{
    return {SystemKiosk::systemProfilesDir(), SystemKiosk::userProfilesDir(), SystemKiosk::disabledProfilesDir()};
}

// Profiles in layers; each includes a few profiles of the layer below, so
// every profile is shared by several above it and the number of include
// paths grows as fanout^layers. A few profiles at the bottom name profiles
// that do not exist, so errors reach far up.
bool generateTree(const Options &options)
{
    removeTree();
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
    const LayeredTree tree(options.layers, std::max(1, options.profiles / options.layers), options.fanout);
    const int perLayer = tree.perLayer();
    for (int layer = 0; layer < options.layers; ++layer) {
        for (int index = 0; index < perLayer; ++index) {
            QString text;
            const QStringList includes = tree.includesBelow(layer, random);
            for (const QString &include : includes) {
                text += QStringLiteral("@include %1\n").arg(include);
            }
            if (layer + 1 == options.layers && index % 97 == 0) {
                text += QStringLiteral("@include missing-runtime\n");
            }
            for (int i = 0; i < options.rules; ++i) {
                text += QStringLiteral("+file r uo: /usr/share/app%1/data/file%2\n").arg(layer * perLayer + index).arg(i);
            }
            text += QStringLiteral("# generated\n");
            if (!writeFile(profilesDir + QLatin1Char('/') + tree.name(layer, index), text)) {
                return false;
            }
        }
    }
    for (int user = 0; user < options.users; ++user) {
        QString text;
        const QStringList includes = tree.pick(0, options.fanout, random);
        for (const QString &include : includes) {
            text += QStringLiteral("@include %1\n").arg(include);
        }
        // Every tenth user is disabled.
        const QString dir = user % 10 == 9 ? disabledDir : usersDir;
        if (!writeFile(dir + QStringLiteral("/kiosk%1").arg(user, 5, 10, QLatin1Char('0')), text)) {
            return false;
        }
    }
    return true;
}

Table sideBySide(const QString &baseline)
{
    return Table({{QString(), 34}, {QStringLiteral("best"), 12}, {QStringLiteral("median"), 12}, {QStringLiteral("vs ") + baseline, 24}});
}

void report(const Table &table, const QString &step, const Timing &timing, const Timing &baseline, int decimals = 0)
{
    table.row({step, Table::ms(timing.best(), decimals), Table::ms(timing.median(), decimals), Table::times(timing.median(), baseline.median())});
}

// The main window over the same tree, offscreen: loading (the reload above
// plus filling the users list and a first paint), then choosing a user, which
// fills the profiles list with every profile. The window is usable once both
// are done.
void measureWindow(const Options &options, const Table &table, const Timing &reading, const Timing &reloading)
{
    MainWindow window;
    window.show();
    const Timing loading = Timing::measure(options.repeat, [&]() {
        window.loadData();
        window.repaint();
    });
    auto *users = window.findChild<QListWidget *>(QStringLiteral("usersListWidget"));
    int row = 0;
    const Timing choosing = Timing::measure(options.repeat, [&]() {
        // Another user each time, so that the profiles list is rebuilt.
        users->setCurrentRow(row++ % std::max(1, users->count()));
        window.repaint();
    });
    report(table, QStringLiteral("window: load, fill users list"), loading, reading);
    // A difference of medians; single runs vary too much to subtract.
    const double lists = std::max(0.0, loading.median() - reloading.median());
    table.row({QStringLiteral("  of that, filling and painting"), QString(), Table::ms(lists, 0), Table::times(lists, reading.median())});
    report(table, QStringLiteral("window: choose a user"), choosing, reading);
    const double usable = loading.median() + choosing.median() - reading.median();
    std::printf("window usable %.0f ms after the files were read (target: under 1000 ms)\n", usable);
}

// Every status of diamonds stacked on one another, with a missing profile at
// the bottom whose error reaches everything above it: 2^levels include paths,
// which a status pass must not walk one by one. Beside one plain walk over the
// same includes. False when the statuses come out wrong.
bool measureDiamonds(const Options &options)
{
    const QList<ProfileFile> diamonds = IncludeShapes::diamonds(options.diamonds, QStringLiteral("missing"));
    SystemState state;
    ProfileState *top = nullptr;
    for (const ProfileFile &file : diamonds) {
        auto *profile = new ProfileState(file);
        state.addProfile(profile);
        top = top ? top : profile;
    }
    ProfileFile user(QStringLiteral("kiosk"), true);
    user.data().insertIncludeRule(IncludeRule(diamonds.constFirst().name()));
    state.addUser(new UserState(UserProfileFile(user)));

    std::printf("\n%d stacked diamonds, %lld profiles:\n", options.diamonds, static_cast<long long>(diamonds.size()));
    const Table table = sideBySide(QStringLiteral("one walk"));
    const Timing walk = Timing::measure(options.repeat, [&]() {
        IncludeShapes::walk(diamonds);
    });
    const Timing statuses = Timing::measure(options.repeat, [&]() {
        state.updateAllStatuses();
    });
    report(table, QStringLiteral("one walk over the includes"), walk, walk, 2);
    report(table, QStringLiteral("all statuses"), statuses, walk, 2);
    if (!top->status().contains(AbstractProfileState::StatusIncludeWithError)) {
        std::fprintf(stderr, "the top of the diamonds does not show the error at the bottom\n");
        return false;
    }
    return true;
}
}

int main(int argc, char *argv[])
{
    // The main window is measured without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    Options options;
    BenchmarkOptions parser(QStringLiteral("Times the working state on a generated kiosk tree below the build's scratch root."));
    parser.add(QStringLiteral("users"), QStringLiteral("Kiosk users (every tenth disabled)."), &options.users);
    parser.add(QStringLiteral("profiles"), QStringLiteral("System profiles."), &options.profiles);
    parser.add(QStringLiteral("layers"), QStringLiteral("Depth of the include layers."), &options.layers);
    parser.add(QStringLiteral("fanout"), QStringLiteral("Includes per profile."), &options.fanout);
    parser.add(QStringLiteral("repeat"), QStringLiteral("Runs of each step."), &options.repeat);
    parser.add(QStringLiteral("diamonds"), QStringLiteral("Stacked include diamonds."), &options.diamonds);
    if (!parser.parse(application)) {
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
    const Timing reading = Timing::measure(options.repeat, [&]() {
        bytes = TreeFiles::readAll(profileDirs());
    });
    std::printf("%lld bytes of profile text\n", bytes);

    SystemState state;
    const Timing reloading = Timing::measure(options.repeat, [&]() {
        state.reload();
    });
    const Timing statuses = Timing::measure(options.repeat, [&]() {
        state.updateAllStatuses();
    });

    int withErrors = 0;
    const QSet<UserState *> users = state.users();
    for (const UserState *user : users) {
        withErrors += user->errors().isEmpty() ? 0 : 1;
    }

    const Table table = sideBySide(QStringLiteral("reading the files"));
    report(table, QStringLiteral("reading the files"), reading, reading);
    report(table, QStringLiteral("reload: read, parse, statuses"), reloading, reading);
    report(table, QStringLiteral("all statuses again"), statuses, reading);
    measureWindow(options, table, reading, reloading);
    std::printf("%lld users, %lld profiles loaded; %d users with errors\n", qlonglong(users.size()), qlonglong(state.profiles().size()), withErrors);

    removeTree();
    return measureDiamonds(options) ? 0 : 1;
}
