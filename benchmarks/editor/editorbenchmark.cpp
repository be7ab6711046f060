/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Measures what opening and accepting the profile editor costs on large
// profiles inside a large working state, beside the time of parsing the same
// profile text.
//
// The working state is built in memory: profiles in layers, each including
// a few of the layer below, so that sub-profiles are shared by many profiles
// above them. The edited profile holds the generated rules and sits either
// at the top (nobody includes it) or at the bottom of the layers, where
// every profile above reaches it and the list of pluggable profiles carries
// an include chain for each of them, and then once more with the bottom
// including the top, so that the chains run through one large cycle.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "benchmarkoptions.h"
#include "layeredtree.h"
#include "table.h"
#include "timing.h"

#include "dialogs/editprofiledialog.h"
#include "profile/profileparser.h"
#include "state/profilestate.h"
#include "state/systemstate.h"

#include <QTableWidget>

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace
{
struct Options {
    LayeredTree::Size tree;
    int repeat = 3;
    QList<int> sizes{1000, 10000, 50000};
    quint32 seed = 20261208;
};

// The layers, and below them the profile named "edited" that the layer
// above the bottom includes throughout.
void buildState(SystemState &state, const Options &options)
{
    QRandomGenerator random(options.seed);
    const LayeredTree tree(options.tree);
    const int perLayer = tree.perLayer();
    for (int layer = 0; layer < tree.layers(); ++layer) {
        for (int index = 0; index < perLayer; ++index) {
            QString text;
            const QStringList includes = tree.includesBelow(layer, random);
            for (const QString &include : includes) {
                text += QStringLiteral("@include %1\n").arg(include);
            }
            // Every profile of the layer above the bottom includes the
            // shared bottom profile, so everything above reaches it.
            if (layer + 2 == tree.layers()) {
                text += QStringLiteral("@include edited\n");
            }
            text += QStringLiteral("+file r uo: /usr/share/app%1/data\n").arg(layer * perLayer + index);
            ProfileFile file(tree.name(layer, index), true);
            file.setData(ProfileParser::parseText(text).data());
            state.addProfile(new ProfileState(file));
        }
    }
    ProfileFile edited(QStringLiteral("edited"), true);
    edited.setData(ProfileParser::parseText(QStringLiteral("+file r uo: /usr/share/edited\n")).data());
    state.addProfile(new ProfileState(edited));
}

QString profileText(int rules, bool withIncludes)
{
    QString text;
    if (withIncludes) {
        text += QStringLiteral("@include %1\n@include %2\n").arg(LayeredTree::appName(0, 0), LayeredTree::appName(1, 1));
    }
    for (int i = 0; i < rules; ++i) {
        text += QStringLiteral("+file rw uo: /usr/share/edited/dir%1/file%2\n").arg(i % 97).arg(i);
    }
    return text;
}
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    // The pickers keep their state in Qt's own settings; not the user's.
    QStandardPaths::setTestModeEnabled(true);

    Options options;
    BenchmarkOptions parser(QStringLiteral("Times opening and accepting the profile editor on large profiles in a large working state."));
    options.tree.addOptions(parser);
    parser.add(QStringLiteral("repeat"), QStringLiteral("Runs of each step."), &options.repeat);
    parser.add(QStringLiteral("sizes"), QStringLiteral("Rules of the edited profile, one run each."), &options.sizes);
    parser.parse(application);

    SystemState state;
    QElapsedTimer timer;
    timer.start();
    buildState(state, options);
    state.updateAllStatuses();
    std::printf("working state of %d profiles in %d layers, %d includes each: built in %lld ms\n\n",
                int(state.profiles().size()),
                options.tree.layers,
                options.tree.fanout,
                timer.elapsed());

    // What filling the list of pluggable profiles would cost by asking every
    // profile's include search twice, as a plain reading of the editor does:
    // timed on a sample of the profiles, for the whole list.
    {
        constexpr int sample = 100;
        QSet<const ProfileFile *> files;
        const auto profiles = state.profiles();
        for (const ProfileState *profile : profiles) {
            files.insert(profile->file());
        }
        ProfileFile top(QStringLiteral("top"), true);
        top.setData(ProfileParser::parseText(profileText(1, true)).data());
        const ProfileFile *edited = nullptr;
        for (const ProfileFile *file : qAsConst(files)) {
            if (file->name() == QLatin1String("edited")) {
                edited = file;
            }
        }
        for (const ProfileFile *file : {static_cast<const ProfileFile *>(&top), edited}) {
            const Timing naive = Timing::measure(1, [&] {
                int asked = 0;
                for (const ProfileFile *other : qAsConst(files)) {
                    if (asked++ == sample) {
                        break;
                    }
                    file->containts(other->name(), files, QStringList());
                    other->containts(file->name(), files, QStringList());
                }
            });
            const double perProfile = naive.best() / std::min(sample, int(files.size()));
            std::printf("asking every profile's include search about '%s': about %.0f ms for the whole list\n",
                        qPrintable(file->name()),
                        perProfile * double(files.size()));
        }
        std::printf("\n");
    }

    ProfileState *bottom = nullptr;
    const auto states = state.profiles();
    for (ProfileState *profile : states) {
        if (profile->name() == QLatin1String("edited")) {
            bottom = profile;
        }
    }

    enum Place { OnTop, ReachedByAll, OnACycle };
    for (const Place place : {OnTop, ReachedByAll, OnACycle}) {
        const bool shared = place != OnTop;
        // Closing the layers into a cycle through the edited profile leaves
        // the chains to the full include search.
        if (place == OnACycle) {
            bottom->addIncludeRule(LayeredTree::appName(0, 0));
        }
        for (const int rules : qAsConst(options.sizes)) {
            const QString text = profileText(rules, !shared);
            const Timing parsing = Timing::measure(options.repeat, [&text] {
                ProfileParser::parseText(text);
            });
            // The working copy of the shared profile, or of a new one on top.
            ProfileFile file(shared ? QStringLiteral("edited") : QStringLiteral("top"), true);
            file.setData(ProfileParser::parseText(text).data());

            const QString where = place == OnTop ? QStringLiteral("on top")
                : place == ReachedByAll          ? QStringLiteral("reached by all")
                                                 : QStringLiteral("on a cycle through all");
            std::printf("%d rules, %s\n", rules, qPrintable(where));
            const Table table = Table::ofRuns(40, QStringLiteral("parsing the text"));
            table.runs(QStringLiteral("  parse the profile text"), parsing, parsing);
            std::unique_ptr<EditProfileDialog> dialog;
            int rows = 0;
            const Timing opening = Timing::measure(options.repeat, [&] {
                dialog.reset();
                dialog = std::make_unique<EditProfileDialog>(file, &state, nullptr);
                dialog->show();
                QCoreApplication::processEvents();
                rows = dialog->findChild<QTableWidget *>()->rowCount();
            });
            table.runs(QStringLiteral("  open the editor (%1 rows)").arg(rows), opening, parsing);
            dialog.reset();

            QList<std::shared_ptr<EditProfileDialog>> dialogs;
            for (int i = 0; i < options.repeat; ++i) {
                dialogs.append(std::make_shared<EditProfileDialog>(file, &state, nullptr));
            }
            int next = 0;
            bool same = true;
            const Timing accepting = Timing::measure(options.repeat, [&] {
                EditProfileDialog *current = dialogs.at(next++).get();
                current->accept();
                same = same && current->profileFile().data().objectRules().size() == file.data().objectRules().size();
            });
            table.runs(QStringLiteral("  accept it unchanged"), accepting, parsing);
            dialogs.clear();
            if (!same) {
                std::fprintf(stderr, "accepting changed the rules\n");
                return 1;
            }
            std::printf("\n");
        }
    }
    return 0;
}
