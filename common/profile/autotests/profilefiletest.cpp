/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "profile/profilefile.h"
#include "profile/userprofilefile.h"

#include "includetesting.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(ProfileFile::Error)

using namespace IncludeTesting;

class ProfileFileTest : public QObject
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
        QCOMPARE(profile->containts(name, g.files, path), chain);
        QCOMPARE(plainContaints(*profile, name, g.files, path), chain);
    }

    void containtsOutsideTheSet()
    {
        // The asking profile need not be among the known ones, and a profile
        // that shares a name with a known one is looked up by that name.
        const Graph g(QStringLiteral("B:C;C:D"));
        ProfileFile outside(QStringLiteral("A"), false);
        outside.data().insertIncludeRule(IncludeRule(QStringLiteral("B")));
        QCOMPARE(outside.containts(QStringLiteral("D"), g.files, {}), names("A B C"));

        ProfileFile shadow(QStringLiteral("B"), false);
        QCOMPARE(shadow.containts(QStringLiteral("D"), g.files, {}), QStringList());

        QSet<const ProfileFile *> withNull = g.files;
        withNull.insert(nullptr);
        QCOMPARE(outside.containts(QStringLiteral("D"), withNull, {}), names("A B C"));
    }

    void answersThroughSharedSubProfiles()
    {
        // Forty levels of diamonds: X0 includes Y0a and Y0b, both include X1,
        // and so on. Every path through it is a different way to the bottom,
        // 2^40 of them: a search that walks paths never ends (storebenchmark
        // times the questions).
        Graph g;
        const QVector<ProfileFile *> tops = addDiamonds(g, 40);
        const QStringList expected = wayDown(tops);

        QCOMPARE(tops.first()->containts(QStringLiteral("bottom"), g.files, {}), expected);
        QVERIFY(tops.first()->containts(QStringLiteral("nowhere"), g.files, {}).isEmpty());
        QVERIFY(tops.first()->containts(tops.first()->name(), g.files, {}).isEmpty());

        // Now every middle profile also includes the top one, so every failure
        // below depends on the top being on the path.
        includeTopFromTheMiddles(g);
        QVERIFY(tops.first()->containts(QStringLiteral("nowhere"), g.files, {}).isEmpty());
        QVERIFY(tops.at(1)->containts(QStringLiteral("nowhere"), g.files, {}).isEmpty());
        QCOMPARE(tops.first()->containts(QStringLiteral("X0"), g.files, {}), (QStringList{QStringLiteral("X0"), firstInclude(*tops.first())}));
        const QStringList cycle = tops.at(1)->containts(QStringLiteral("X1"), g.files, {});
        QVERIFY(isChain(g, cycle, QStringLiteral("X1")));
        QCOMPARE(cycle.first(), QStringLiteral("X1"));
    }

    void containtsMatchesThePlainSearch()
    {
        // Small random include graphs, cycles, unknown includes, profiles
        // sharing a name and non-empty starting paths included; every profile
        // is asked for every name.
        QRandomGenerator random(20240611);
        int questions = 0;
        int chains = 0;
        for (int round = 0; round < 3000; ++round) {
            const int count = 1 + random.bounded(9);
            const QStringList pool = namePool(count);
            Graph g;
            // Now and then two profiles share a name; only the first found counts.
            addRandomProfiles(g, count, pool, 8, random);
            for (const ProfileFile &profile : g.profiles) {
                for (const QString &name : qAsConst(pool)) {
                    const QStringList path = randomPath(pool, random);
                    const QStringList expected = plainContaints(profile, name, g.files, path);
                    const QStringList actual = profile.containts(name, g.files, path);
                    if (actual != expected) {
                        QFAIL(qPrintable(mismatch(g, profile, name, path, actual, expected)));
                    }
                    ++questions;
                    chains += expected.isEmpty() ? 0 : 1;
                }
            }
        }
        // Both kinds of answer must be well represented for the comparison to mean much.
        QVERIFY(chains > questions / 5);
        QVERIFY(chains < questions * 4 / 5);
    }

    void containtsMatchesThePlainSearchOnLargeTrees()
    {
        // Long searches take shortcuts of their own; trees with includes back
        // up to ancestors (cycles), of missing profiles and of themselves keep
        // the plain search cheap enough to compare with.
        QRandomGenerator random(4711);
        int chains = 0;
        int empty = 0;
        forRandomTrees(random, 200, 6, 0, [&](const Graph &g, const QVector<ProfileFile *> &byIndex) {
            const int count = byIndex.size();
            for (int question = 0; question < 10; ++question) {
                const ProfileFile &start = *byIndex.at(random.bounded(random.bounded(2) ? 3 : count));
                QString name;
                switch (random.bounded(4)) {
                case 0:
                    name = QStringLiteral("missing%1").arg(random.bounded(4));
                    break;
                case 1:
                    name = start.name();
                    break;
                default:
                    name = byIndex.at(random.bounded(count))->name();
                    break;
                }
                const QStringList path = random.bounded(5) == 0 ? QStringList{byIndex.at(random.bounded(count))->name()} : QStringList();
                const QStringList expected = plainContaints(start, name, g.files, path);
                QCOMPARE(start.containts(name, g.files, path), expected);
                (expected.isEmpty() ? empty : chains)++;
            }
        });
        QVERIFY(chains > 300);
        QVERIFY(empty > 300);
    }

    void errors()
    {
        QCOMPARE(ProfileFile(QString(), true).errors(), QSet<ProfileFile::Error>{ProfileFile::EmptyName});
        QVERIFY(!ProfileFile(QString(), true).isValid());

        ProfileFile broken(QStringLiteral("x"), false);
        broken.data().addInvalidLine(QStringLiteral("garbage"));
        QVERIFY(broken.errors().isEmpty());
        QVERIFY(broken.isValid());
        QVERIFY(!broken.data().isValid());

        broken.setName(QString());
        QCOMPARE(broken.errors(), QSet<ProfileFile::Error>{ProfileFile::EmptyName});
    }

    void content()
    {
        ProfileFile profile(QStringLiteral("base"), true);
        QVERIFY(profile.exists());
        profile.data().insertIncludeRule(IncludeRule(QStringLiteral("other")));
        profile.data().addComment(QStringLiteral("c"));

        const ProfileData copy = static_cast<const ProfileFile &>(profile).data();
        profile.data().remodeAllIncludeRules();
        QCOMPARE(copy.includes().size(), 1);
        QVERIFY(profile.data().includes().isEmpty());

        ProfileData replacement;
        replacement.addOldFormatLine(QStringLiteral("old"));
        profile.setData(replacement);
        QVERIFY(profile.data().comments().isEmpty());
        QCOMPARE(profile.data().oldFormatLines(), QStringList{QStringLiteral("old")});
    }

    void userProfiles()
    {
        UserProfileFile fresh(QStringLiteral("alice"), true);
        QVERIFY(fresh.isEnable());
        QVERIFY(fresh.exists());
        fresh.setEnable(false);
        QVERIFY(!fresh.isEnable());

        ProfileFile unsaved(QStringLiteral("bob"), false);
        unsaved.data().insertIncludeRule(IncludeRule(QStringLiteral("base")));
        const UserProfileFile user(unsaved);
        QVERIFY(!user.exists());
        QVERIFY(user.isEnable());
        QCOMPARE(user.name(), QStringLiteral("bob"));
        QCOMPARE(user.data().includes(), unsaved.data().includes());
    }
};

QTEST_GUILESS_MAIN(ProfileFileTest)

#include "profilefiletest.moc"
