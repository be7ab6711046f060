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
// The working state reads the kiosk tree of the scratch-root build, which
// ScratchKioskTree generates; a build against the real system refuses to run.

#include "benchmarkoptions.h"
#include "includeshapes.h"
#include "scratchkiosktree.h"
#include "table.h"
#include "timing.h"
#include "treefiles.h"

#include "mainwindow/mainwindow.h"
#include "state/profilestate.h"
#include "state/systemstate.h"
#include "state/userstate.h"

#include "profile/userprofilefile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>

#include <algorithm>
#include <cstdio>

namespace
{
struct Options {
    ScratchKioskTree::Layout tree;
    int repeat = 3;
    int diamonds = 60;
};

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
    table.runs(QStringLiteral("window: load, fill users list"), loading, reading, 0);
    // A difference of medians; single runs vary too much to subtract.
    const double lists = std::max(0.0, loading.median() - reloading.median());
    table.row({QStringLiteral("  of that, filling and painting"), QString(), Table::ms(lists, 0), Table::times(lists, reading.median())});
    table.runs(QStringLiteral("window: choose a user"), choosing, reading, 0);
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
    const Table table = Table::ofRuns(34, QStringLiteral("one walk"));
    const Timing walk = Timing::measure(options.repeat, [&]() {
        IncludeShapes::walk(diamonds);
    });
    const Timing statuses = Timing::measure(options.repeat, [&]() {
        state.updateAllStatuses();
    });
    table.runs(QStringLiteral("one walk over the includes"), walk, walk, 2);
    table.runs(QStringLiteral("all statuses"), statuses, walk, 2);
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
    options.tree.seed = 20240611;
    options.tree.enforcing = true;
    options.tree.closingComment = QStringLiteral("generated");
    BenchmarkOptions parser(QStringLiteral("Times the working state on a generated kiosk tree below the build's scratch root."));
    options.tree.addOptions(parser);
    parser.add(QStringLiteral("repeat"), QStringLiteral("Runs of each step."), &options.repeat);
    parser.add(QStringLiteral("diamonds"), QStringLiteral("Stacked include diamonds."), &options.diamonds);
    parser.parse(application);

    if (!ScratchKioskTree::isScratchBuild()) {
        return 2;
    }
    ScratchKioskTree::withoutSystemBus();

    const QString root = ScratchKioskTree::root();
    QElapsedTimer generation;
    generation.start();
    if (!ScratchKioskTree::write(options.tree)) {
        std::fprintf(stderr, "cannot write the tree below %s\n", qPrintable(root));
        return 1;
    }
    std::printf("tree below %s: %d users, %d profiles in %d layers, %d includes each; generated in %lld ms\n",
                qPrintable(root),
                options.tree.users,
                options.tree.size.profiles,
                options.tree.size.layers,
                options.tree.size.fanout,
                generation.elapsed());

    qint64 bytes = 0;
    const Timing reading = Timing::measure(options.repeat, [&]() {
        bytes = TreeFiles::readAll(ScratchKioskTree::profileDirs());
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

    const Table table = Table::ofRuns(34, QStringLiteral("reading the files"));
    table.runs(QStringLiteral("reading the files"), reading, reading, 0);
    table.runs(QStringLiteral("reload: read, parse, statuses"), reloading, reading, 0);
    table.runs(QStringLiteral("all statuses again"), statuses, reading, 0);
    measureWindow(options, table, reading, reloading);
    std::printf("%lld users, %lld profiles loaded; %d users with errors\n", qlonglong(users.size()), qlonglong(state.profiles().size()), withErrors);

    ScratchKioskTree::remove();
    return measureDiamonds(options) ? 0 : 1;
}
