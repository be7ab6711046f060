/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "profile/includegraph.h"
#include "profile/profilefile.h"

#include "includetesting.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <utility>

using namespace IncludeTesting;

namespace
{
// A small random graph of the comparisons with the plain search: profiles
// named from its pool, one in six sharing the previous one's name, and a
// profile outside the set, asked but not known, whose name may be a known one.
struct SmallRandomGraph {
    explicit SmallRandomGraph(QRandomGenerator &random)
        : pool(namePool(1 + random.bounded(9)))
        , outside(QString(), false)
    {
        for (int i = 0; i + 2 < pool.size(); ++i) {
            const QString name = random.bounded(6) == 0 && i > 0 ? g.profiles.back().name() : pool.at(i);
            addRandomIncludes(g.add(name), pool, random);
        }
        outside.setName(pool.at(random.bounded(pool.size())));
        addRandomIncludes(outside, pool, random);
    }

    QStringList pool;
    Graph g;
    ProfileFile outside;
};
}

class IncludeGraphTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void containts_data()
    {
        addChainRows();
    }

    void containts()
    {
        QFETCH(QString, graph);
        QFETCH(QString, start);
        QFETCH(QString, name);
        QFETCH(QStringList, path);
        QFETCH(QStringList, chain);

        const Graph g(graph);
        const ProfileFile *profile = g.profile(start);
        QVERIFY(profile);
        QCOMPARE(plainContaints(*profile, name, g.files, path), chain);
        const IncludeGraph includes(g.files);
        QCOMPARE(includes.containts(profile, name, path), chain);
        // Asked twice: nothing of one question may leak into the next.
        QCOMPARE(includes.containts(profile, name, path), chain);
        QCOMPARE(profile->containts(name, g.files, path), chain);
    }

    void sharedNames_data()
    {
        QTest::addColumn<QString>("firstIncludes");
        QTest::addColumn<QString>("secondIncludes");

        QTest::newRow("only the second reaches the name") << "C"
                                                          << "D";
        QTest::newRow("the second includes the name") << "C"
                                                      << "B";
        QTest::newRow("the second closes a cycle") << ""
                                                   << "C";
        QTest::newRow("both include themselves") << "B"
                                                 << "B C";
        QTest::newRow("the first is on a cycle") << "C"
                                                 << "";
    }

    void sharedNames()
    {
        // Two profiles named B: which one an include of B leads to depends
        // on the set's order, so both orders are built and compared.
        QFETCH(QString, firstIncludes);
        QFETCH(QString, secondIncludes);
        for (int attempt = 0; attempt < 8; ++attempt) {
            QString spelled = QStringLiteral("A:B;C:B;D:;");
            for (int i = 0; i < attempt; ++i) {
                spelled += QStringLiteral("filler%1:;").arg(i);
            }
            const Graph g(spelled + QStringLiteral("B:%1;B:%2").arg(firstIncludes, secondIncludes));
            const IncludeGraph includes(g.files);
            for (const ProfileFile &profile : g.profiles) {
                for (const QString &name : names("A B C D")) {
                    const QStringList expected = plainContaints(profile, name, g.files, {});
                    const QStringList actual = includes.containts(&profile, name);
                    QVERIFY2(actual == expected, qPrintable(mismatch(g, profile, name, {}, actual, expected)));
                }
            }
        }
    }

    void matchesThePlainSearch()
    {
        // Small random include graphs, cycles, unknown includes, self
        // includes, profiles sharing a name, profiles outside the set and
        // non-empty starting paths included; every profile is asked for
        // every name, all of them of one graph, between the questions the
        // editor and the statuses ask of all profiles at once: every
        // profile's chain to one name, and whether it reaches its own name.
        QRandomGenerator random(20240612);
        int questions = 0;
        int chains = 0;
        int ownNameChains = 0;
        int wholeChains = 0;
        int cycles = 0;
        for (int round = 0; round < 3000; ++round) {
            const auto &[pool, g, outside] = SmallRandomGraph(random);
            const IncludeGraph includes(g.files);
            QVector<const ProfileFile *> asked{&outside};
            for (const ProfileFile &profile : g.profiles) {
                asked.append(&profile);
            }
            for (const QString &name : qAsConst(pool)) {
                const QHash<const ProfileFile *, QStringList> all = includes.chainsTo(name);
                QVERIFY(!all.contains(&outside));
                for (const ProfileFile *profile : qAsConst(asked)) {
                    const QStringList path = randomPath(pool, random);
                    const QStringList expected = plainContaints(*profile, name, g.files, path);
                    const QStringList actual = includes.containts(profile, name, path);
                    // A profile's own question builds a graph for itself: a first question every time.
                    const QStringList alone = profile->containts(name, g.files, path);
                    if (actual != expected || alone != expected) {
                        QFAIL(qPrintable(mismatch(g, *profile, name, path, actual != expected ? actual : alone, expected)));
                    }
                    ++questions;
                    chains += expected.isEmpty() ? 0 : 1;
                    ownNameChains += !expected.isEmpty() && name == profile->name() && path.isEmpty() ? 1 : 0;
                    if (profile != &outside) {
                        const QStringList whole = path.isEmpty() ? expected : plainContaints(*profile, name, g.files, {});
                        QVERIFY2(all.value(profile) == whole, qPrintable(mismatch(g, *profile, name, {}, all.value(profile), whole)));
                        QCOMPARE(all.contains(profile), !whole.isEmpty());
                        wholeChains += whole.isEmpty() ? 0 : 1;
                    }
                }
            }
            for (const ProfileFile *profile : QVector<const ProfileFile *>{&outside, &g.profiles.front(), &g.profiles.back()}) {
                const bool onCycle = !plainContaints(*profile, profile->name(), g.files, {}).isEmpty();
                QCOMPARE(includes.isOnCycle(profile), onCycle);
                cycles += onCycle ? 1 : 0;
            }
        }
        // Both kinds of answer must be well represented for the comparison to mean much.
        QVERIFY(chains > questions / 5);
        QVERIFY(chains < questions * 4 / 5);
        QVERIFY(ownNameChains > 1000);
        QVERIFY(wholeChains > 5000);
        QVERIFY(cycles > 1000);
    }

    void chainsToOnLargeTrees()
    {
        // Deep acyclic trees take the way without a search; a cycle or a
        // shared name leads to one search per profile.
        QRandomGenerator random(4713);
        for (int round = 0; round < 30; ++round) {
            Graph g;
            const QVector<ProfileFile *> byIndex = addRandomTree(g, 70 + random.bounded(130), round % 2 ? 8 : 1000000, round % 3 ? 0 : 30, random);
            const QString name = byIndex.at(random.bounded(byIndex.size()))->name();
            const QHash<const ProfileFile *, QStringList> all = IncludeGraph(g.files).chainsTo(name);
            for (const ProfileFile *profile : qAsConst(byIndex)) {
                QCOMPARE(all.value(profile), plainContaints(*profile, name, g.files, {}));
            }
        }
    }

    void includedFirst()
    {
        // Groups come after every group they include; a cycle is one group;
        // a profile not walked into is left out with what only it leads to.
        const Graph g(QStringLiteral("top:a x;a:b;b:a c;c:;x:y;y:;nowhere:"));
        const IncludeGraph includes(g.files);
        auto spelled = [](const QVector<QVector<const ProfileFile *>> &groups) {
            QStringList text;
            for (const auto &group : groups) {
                QStringList members;
                for (const ProfileFile *profile : group) {
                    members << profile->name();
                }
                std::sort(members.begin(), members.end());
                text << members.join(QLatin1Char('+'));
            }
            return text;
        };
        const auto everything = [](const ProfileFile *) {
            return true;
        };
        const QStringList all = spelled(includes.includedFirst(g.profile(QStringLiteral("top")), everything));
        QCOMPARE(all.size(), 5);
        QCOMPARE(all.last(), QStringLiteral("top"));
        QVERIFY(all.indexOf(QStringLiteral("c")) < all.indexOf(QStringLiteral("a+b")));
        QVERIFY(all.indexOf(QStringLiteral("y")) < all.indexOf(QStringLiteral("x")));
        const QStringList withoutX = spelled(includes.includedFirst(g.profile(QStringLiteral("top")), [](const ProfileFile *profile) {
            return profile->name() != QLatin1String("x");
        }));
        QCOMPARE(withoutX.size(), 3);
        QVERIFY(!withoutX.contains(QStringLiteral("y")));

        QCOMPARE(includes.included(g.profile(QStringLiteral("b"))).size(), 2);
        QVERIFY(!includes.includesUnknown(g.profile(QStringLiteral("b"))));
        ProfileFile outside(QStringLiteral("o"), false);
        outside.data().insertIncludeRule(IncludeRule(QStringLiteral("c")));
        outside.data().insertIncludeRule(IncludeRule(QStringLiteral("ghost")));
        QCOMPARE(includes.included(&outside), (QVector<const ProfileFile *>{g.profile(QStringLiteral("c"))}));
        QVERIFY(includes.includesUnknown(&outside));
        QCOMPARE(includes.profileNamed(QStringLiteral("c")), g.profile(QStringLiteral("c")));
        QVERIFY(!includes.profileNamed(QStringLiteral("ghost")));
    }

    void everyProfileOfLargeTreesForItsOwnName()
    {
        // The question the status computation asks of every profile, on trees
        // with includes back up to ancestors (cycles), of missing profiles,
        // of themselves and of a shared name.
        QRandomGenerator random(4712);
        int cycles = 0;
        int questions = 0;
        forRandomTrees(random, 40, 8, 30, [&](const Graph &g, const QVector<ProfileFile *> &byIndex) {
            const IncludeGraph includes(g.files);
            for (const ProfileFile *profile : qAsConst(byIndex)) {
                const QStringList expected = plainContaints(*profile, profile->name(), g.files, {});
                const QStringList actual = includes.containts(profile, profile->name());
                QVERIFY2(actual == expected, qPrintable(mismatch(g, *profile, profile->name(), {}, actual, expected)));
                if (!expected.isEmpty()) {
                    // The second question of the status computation: the last link of the cycle.
                    QCOMPARE(includes.containts(profile, expected.last()), plainContaints(*profile, expected.last(), g.files, {}));
                }
                ++questions;
                cycles += expected.isEmpty() ? 0 : 1;
            }
        });
        QVERIFY(cycles > questions / 10);
        QVERIFY(cycles < questions * 9 / 10);
    }

    void answersThroughSharedSubProfiles()
    {
        // Forty levels of diamonds: X0 includes Y0a and Y0b, both include X1,
        // and so on. Every path through it is a different way to the bottom,
        // 2^40 of them: a search that walks paths never ends (storebenchmark
        // times the questions).
        Graph g;
        const QVector<ProfileFile *> tops = addDiamonds(g, 40);
        // Each X and the first of its two sides.
        QStringList expected;
        for (int i = 0; i + 1 < tops.size(); ++i) {
            expected << tops.at(i)->name() << firstInclude(*tops.at(i));
        }
        expected << tops.last()->name();

        {
            const IncludeGraph includes(g.files);
            QCOMPARE(includes.containts(tops.first(), QStringLiteral("bottom")), expected);
            for (const ProfileFile &profile : g.profiles) {
                QVERIFY(includes.containts(&profile, profile.name()).isEmpty());
                QVERIFY(includes.containts(&profile, QStringLiteral("nowhere")).isEmpty());
            }
        }

        // Now every middle profile also includes the top one: every profile
        // but the bottom one is on a cycle, and every failure below depends
        // on the top being on the path.
        for (ProfileFile &profile : g.profiles) {
            if (profile.name().startsWith(QLatin1Char('Y'))) {
                profile.data().insertIncludeRule(IncludeRule(QStringLiteral("X0")));
            }
        }
        const IncludeGraph includes(g.files);
        for (const ProfileFile &profile : g.profiles) {
            const QStringList cycle = includes.containts(&profile, profile.name());
            QCOMPARE(cycle, profile.containts(profile.name(), g.files, {}));
            if (&profile == tops.last()) {
                QVERIFY(cycle.isEmpty());
            } else {
                QVERIFY(isChain(g, cycle, profile.name()));
                QCOMPARE(cycle.first(), profile.name());
            }
            QVERIFY(includes.containts(&profile, QStringLiteral("nowhere")).isEmpty());
        }
        QCOMPARE(includes.containts(tops.first(), QStringLiteral("X0")), (QStringList{QStringLiteral("X0"), firstInclude(*tops.first())}));
    }

    void longChains()
    {
        // Include chains thousands of profiles deep must not exhaust the
        // stack, on a cycle or off it (storebenchmark times the questions).
        // P0 includes P1, P1 includes P2 and so on.
        QString spelled;
        for (int i = 0; i + 1 < 20000; ++i) {
            spelled += QStringLiteral("P%1:P%2;").arg(i).arg(i + 1);
        }
        Graph g(spelled + QStringLiteral("P19999:"));
        {
            const IncludeGraph includes(g.files);
            for (const ProfileFile &profile : g.profiles) {
                QVERIFY(includes.containts(&profile, profile.name()).isEmpty());
            }
        }

        g.profiles.back().data().insertIncludeRule(IncludeRule(QStringLiteral("P0")));
        QStringList whole;
        for (const ProfileFile &profile : g.profiles) {
            whole << profile.name();
        }
        const IncludeGraph includes(g.files);
        const ProfileFile *first = &g.profiles.front();
        QCOMPARE(includes.containts(first, QStringLiteral("P0")), whole);
        QCOMPARE(first->containts(QStringLiteral("P0"), g.files, {}), whole);
        QVERIFY(includes.containts(first, QStringLiteral("nowhere")).isEmpty());
        QVERIFY(first->containts(QStringLiteral("nowhere"), g.files, {}).isEmpty());
    }

    void madeOnceFromWhatTheProfilesWere()
    {
        Graph g(QStringLiteral("A:B;B:C;C:"));
        const IncludeGraph includes(g.files);
        ProfileFile *c = const_cast<ProfileFile *>(g.profile(QStringLiteral("C")));
        c->data().insertIncludeRule(IncludeRule(QStringLiteral("A")));
        c->setName(QStringLiteral("renamed"));
        // The graph answers for the profiles as they were when it was made.
        QVERIFY(includes.containts(g.profile(QStringLiteral("A")), QStringLiteral("A")).isEmpty());
        QCOMPARE(includes.containts(g.profile(QStringLiteral("A")), QStringLiteral("C")), names("A B"));
        QCOMPARE(includes.containts(c, QStringLiteral("nowhere")), QStringList());

        // A profile outside the set is taken as it is when asked.
        ProfileFile outside(QStringLiteral("O"), false);
        QVERIFY(includes.containts(&outside, QStringLiteral("C")).isEmpty());
        outside.data().insertIncludeRule(IncludeRule(QStringLiteral("A")));
        QCOMPARE(includes.containts(&outside, QStringLiteral("C")), names("O A B"));
        outside.data().insertIncludeRule(IncludeRule(QStringLiteral("unknown")));
        QCOMPARE(includes.containts(&outside, QStringLiteral("unknown")), names("O"));
        QCOMPARE(includes.containts(&outside, QStringLiteral("C")), outside.containts(QStringLiteral("C"), g.files, {}));
        // Sharing a known profile's name, it is asked by its own includes,
        // and its name on the path keeps the search out of the known one.
        outside.setName(QStringLiteral("B"));
        QVERIFY(includes.containts(&outside, QStringLiteral("C")).isEmpty());
        QVERIFY(outside.containts(QStringLiteral("C"), g.files, {}).isEmpty());
        QCOMPARE(includes.containts(&outside, QStringLiteral("B")), names("B A"));
        QCOMPARE(includes.containts(&outside, QStringLiteral("B")), outside.containts(QStringLiteral("B"), g.files, {}));
    }

    void nullsAndMoves()
    {
        const Graph g(QStringLiteral("A:B;B:C;C:"));
        QSet<const ProfileFile *> withNull = g.files;
        withNull.insert(nullptr);
        IncludeGraph includes(withNull);
        QVERIFY(includes.containts(nullptr, QStringLiteral("C")).isEmpty());
        QCOMPARE(includes.containts(g.profile(QStringLiteral("A")), QStringLiteral("C")), names("A B"));

        IncludeGraph moved(std::move(includes));
        QCOMPARE(moved.containts(g.profile(QStringLiteral("A")), QStringLiteral("C")), names("A B"));
        QVERIFY(includes.containts(g.profile(QStringLiteral("A")), QStringLiteral("C")).isEmpty()); // NOLINT(bugprone-use-after-move)

        const IncludeGraph empty(QSet<const ProfileFile *>{});
        QCOMPARE(empty.containts(g.profile(QStringLiteral("A")), QStringLiteral("B")), names("A"));
        QVERIFY(empty.containts(g.profile(QStringLiteral("A")), QStringLiteral("C")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(IncludeGraphTest)

#include "includegraphtest.moc"
