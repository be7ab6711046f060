/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// orla-kiosk on a large kiosk tree, each step beside what it should cost:
// check beside the program's own reload of the same tree (reading, parsing,
// every status), which it should stay within twice of; and apply of a
// bundle of that same tree, which finds nothing to change and sends
// nothing, beside check, which it should stay within one and a half times of.
//
// Both read the scratch-root build's kiosk tree (ScratchKioskTree), of the
// shape statebenchmark measures the program on.

#include "benchmarkoptions.h"
#include "scratchkiosktree.h"
#include "table.h"
#include "timing.h"

#include "applycommand.h"
#include "bundlewriter.h"
#include "checkcommand.h"
#include "exitstatus.h"
#include "kiosktreereader.h"

#include "state/systemstate.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

#include <pwd.h>

namespace
{
struct Options {
    ScratchKioskTree::Layout tree;
    int repeat = 5;
};

// The accounts of this machine, for a tree that apply takes.
QStringList accounts()
{
    QStringList users;
    setpwent();
    while (const passwd *entry = getpwent()) {
        users.append(QString::fromUtf8(entry->pw_name));
    }
    endpwent();
    return users;
}

// A step's median beside its baseline's, and the most it may take.
Table sideBySide(const QString &baseline)
{
    return Table({{QString(), 28}, {QStringLiteral("median"), 10}, {QStringLiteral("vs ") + baseline, 22}, {QStringLiteral("target"), 14}});
}

void report(const Table &table, const QString &step, const Timing &timing, const Timing &baseline, const QString &target = QString())
{
    table.row({step, Table::ms(timing.median(), 0), Table::times(timing.median(), baseline.median(), 2), target});
}
}

int main(int argc, char *argv[])
{
    // The working state belongs to a widget program; nothing is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    Options options;
    options.tree.seed = 20261208;
    BenchmarkOptions parser(QStringLiteral("Times orla-kiosk check and an apply with nothing to change on a generated kiosk tree."));
    options.tree.addOptions(parser);
    parser.add(QStringLiteral("repeat"), QStringLiteral("Runs of each step (median shown)."), &options.repeat);
    parser.parse(application);

    if (!ScratchKioskTree::isScratchBuild()) {
        return 2;
    }
    ScratchKioskTree::withoutSystemBus();
    const QString root = ScratchKioskTree::root();
    if (!ScratchKioskTree::write(options.tree)) {
        std::fprintf(stderr, "cannot write the tree below %s\n", qPrintable(root));
        return 1;
    }
    std::printf("tree below %s: %d users, %d profiles; median of %d runs\n", qPrintable(root), options.tree.users, options.tree.size.profiles, options.repeat);

    QString text;
    QTextStream out(&text);
    int checkStatus = -1;
    const Timing check = Timing::measure(options.repeat, [&]() {
        text.clear();
        checkStatus = CheckCommand::run(QString(), CheckCommand::Format::Text, KioskCheck::Accounts::Check, out, out);
    });
    SystemState state;
    const Timing reload = Timing::measure(options.repeat, [&]() {
        state.reload();
    });

    const Table reloading = sideBySide(QStringLiteral("program's reload"));
    report(reloading, QStringLiteral("program's reload"), reload, reload);
    report(reloading, QStringLiteral("check"), check, reload, QStringLiteral("at most 2.0x"));

    // apply refuses a configuration with errors before it compares: this
    // tree has none, and its users are this machine's accounts.
    const QStringList users = accounts();
    ScratchKioskTree::Layout clean = options.tree;
    clean.missingIncludes = false;
    if (!ScratchKioskTree::write(clean, users)) {
        std::fprintf(stderr, "cannot write the tree below %s\n", qPrintable(root));
        return 1;
    }
    std::printf("tree without errors: %lld users (this machine's accounts), %d profiles\n", qlonglong(users.size()), options.tree.size.profiles);
    const Timing cleanCheck = Timing::measure(options.repeat, [&]() {
        text.clear();
        checkStatus = CheckCommand::run(QString(), CheckCommand::Format::Text, KioskCheck::Accounts::Check, out, out);
    });
    QTemporaryDir dir;
    const QString bundle = dir.filePath(QStringLiteral("tree.okb"));
    BundleWriter::writeFile(KioskTreeReader().read(), bundle);
    int applyStatus = -1;
    const Timing apply = Timing::measure(options.repeat, [&]() {
        text.clear();
        applyStatus = ApplyCommand::run(bundle, ApplyCommand::Mode::Apply, out, out);
    });

    const Table checking = sideBySide(QStringLiteral("check"));
    report(checking, QStringLiteral("check"), cleanCheck, cleanCheck);
    report(checking, QStringLiteral("apply, nothing to change"), apply, cleanCheck, QStringLiteral("at most 1.5x"));
    if (applyStatus != ExitStatus::Unchanged) {
        std::printf("apply did not find the tree unchanged (exit status %d):\n%s\n", applyStatus, qPrintable(text));
        return 1;
    }

    ScratchKioskTree::remove();
    return 0;
}
