/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_INCLUDETESTING_H
#define ORLA_INCLUDETESTING_H

// Include graphs for the include chain tests, and the chain search written
// plainly, without any shortcut, to compare the real ones with.

#include "profile/profilefile.h"

#include <QRandomGenerator>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QVector>

#include <array>
#include <list>

namespace IncludeTesting
{
// Profiles built from a compact spelling: "A:B C;B:C;C:" is A including B and
// C, B including C, and C including nothing. The list keeps them at stable
// addresses.
struct Graph {
    explicit Graph(const QString &spelling)
    {
        const QStringList entries = spelling.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString &entry : entries) {
            const int colon = entry.indexOf(QLatin1Char(':'));
            ProfileFile &profile = add(entry.left(colon));
            const QStringList includes = entry.mid(colon + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (const QString &include : includes) {
                profile.data().insertIncludeRule(IncludeRule(include));
            }
        }
    }

    Graph() = default;

    ProfileFile &add(const QString &name)
    {
        profiles.emplace_back(name, true);
        files.insert(&profiles.back());
        return profiles.back();
    }

    const ProfileFile *profile(const QString &name) const
    {
        for (const ProfileFile &profile : profiles) {
            if (profile.name() == name) {
                return &profile;
            }
        }
        return nullptr;
    }

    std::list<ProfileFile> profiles;
    QSet<const ProfileFile *> files;
};

// The search without any shortcut, walking every path of the include graph
// depth first; the real one must agree with it.
inline QStringList plainContaints(const ProfileFile &profile, const QString &name, const QSet<const ProfileFile *> &files, const QStringList &path)
{
    const QSet<IncludeRule> includes = profile.data().includes();
    if (includes.contains(IncludeRule(name))) {
        return path + QStringList{profile.name()};
    }
    QStringList names;
    for (const IncludeRule &include : includes) {
        if (!path.contains(include.name())) {
            names.append(include.name());
        }
    }
    if (names.isEmpty()) {
        return {};
    }
    for (const QString &next : qAsConst(names)) {
        const ProfileFile *found = nullptr;
        for (const ProfileFile *file : files) {
            if (file->name() == next) {
                found = file;
                break;
            }
        }
        if (!found) {
            continue;
        }
        const QStringList answer = plainContaints(*found, name, files, path + QStringList{profile.name()});
        if (!answer.isEmpty()) {
            return answer;
        }
    }
    return {};
}

inline QStringList names(const char *words)
{
    return QString::fromLatin1(words).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The chain questions every search must answer alike: their name, the graph
// as Graph spells it, the profile asked, the name asked for, the path it is
// given and the chain expected; lists of names separated by spaces.
inline void addChainRows()
{
    QTest::addColumn<QString>("graph");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QStringList>("chain");
    const std::array<const char *, 6> rows[] = {
        {"two steps", "A:B;B:C;C:", "A", "C", "", "A B"},
        {"own name off every cycle", "A:B;B:C;C:", "A", "A", "", ""},
        {"own name on a cycle", "A:B;B:C;C:A", "B", "B", "", "B C A"},
        {"self include", "A:A", "A", "A", "", "A"},
        {"self include below", "A:B;B:B C;C:", "A", "C", "", "A B"},
        {"cycle below, not through the start", "A:B;B:C;C:B", "A", "A", "", ""},
        {"cycle cut by the path", "A:B;B:C;C:A", "A", "A", "C", ""},
        {"own name on the path", "A:B;B:A", "A", "A", "A", "A A B"},
        {"unknown include found directly", "A:X", "A", "X", "", "A"},
        {"unknown include skipped", "A:X B;B:C", "A", "C", "", "A B"},
        {"name nobody includes", "A:B;B:C;C:A", "A", "Z", "", ""},
        {"path is prepended", "A:B;B:C;C:", "B", "C", "X Y", "X Y B"},
        {"direct", "A:B;B:C;C:", "A", "B", "", "A"},
        {"backwards", "A:B;B:C;C:", "C", "A", "", ""},
        {"path cuts the way", "A:B;B:C;C:", "A", "C", "B", ""},
        {"path does not hide a direct include", "A:B;B:C;C:", "A", "B", "B", "B A"},
        {"two cycle from A", "A:B;B:A", "A", "A", "", "A B"},
        {"two cycle from B", "A:B;B:A", "B", "B", "", "B A"},
        {"unknown include, name not found", "A:X", "A", "Y", "", ""},
        {"cycle below ends", "A:B;B:C;C:B", "A", "Z", "", ""},
        {"cycle below found", "A:B;B:C;C:B", "A", "B", "", "A"},
        {"cycle not through start", "A:B;B:C;C:B", "B", "B", "", "B C"},
        {"names are case sensitive", "A:b;b:C;B:D", "A", "D", "", ""},
        {"long way round", "A:B;B:C;C:D;D:E;E:F", "A", "F", "", "A B C D E"},
        {"empty graph", "A:", "A", "B", "", ""},
    };
    for (const auto &row : rows) {
        QTest::newRow(row[0]) << row[1] << row[2] << row[3] << names(row[4]) << names(row[5]);
    }
}

// Each profile of the chain includes the next, and the last includes the name.
inline bool isChain(const Graph &g, const QStringList &chain, const QString &name)
{
    for (int i = 0; i < chain.size(); ++i) {
        const ProfileFile *profile = g.profile(chain.at(i));
        const QString next = i + 1 < chain.size() ? chain.at(i + 1) : name;
        if (!profile || !profile->data().includes().contains(IncludeRule(next)) || chain.indexOf(chain.at(i)) != i) {
            return false;
        }
    }
    return !chain.isEmpty();
}

inline QString firstInclude(const ProfileFile &profile)
{
    return profile.data().includes().begin()->name();
}

// How a graph is spelled, for failure messages.
inline QString spelling(const Graph &g)
{
    QString text;
    for (const ProfileFile &p : g.profiles) {
        QStringList includes;
        const QSet<IncludeRule> rules = p.data().includes();
        for (const IncludeRule &include : rules) {
            includes << include.name();
        }
        text += p.name() + QLatin1Char(':') + includes.join(QLatin1Char(' ')) + QLatin1Char(';');
    }
    return text;
}
// What a search answered against what the plain search did, with the graph,
// for failure messages.
inline QString
mismatch(const Graph &g, const ProfileFile &profile, const QString &name, const QStringList &path, const QStringList &actual, const QStringList &expected)
{
    return QStringLiteral("%1 asked %2 for %3 on path %4: %5 instead of %6")
        .arg(spelling(g), profile.name(), name, path.join(QLatin1Char(',')), actual.join(QLatin1Char(',')), expected.join(QLatin1Char(',')));
}

// Names A, B, C and so on for a small random graph: two more than its
// profiles, so that some includes are of profiles nobody has.
inline QStringList namePool(int profiles)
{
    QStringList pool;
    for (int i = 0; i < profiles + 2; ++i) {
        pool << QString(QLatin1Char(char('A' + i)));
    }
    return pool;
}

// Includes of one to three in twelve of the pool's names.
inline void addRandomIncludes(ProfileFile &profile, const QStringList &pool, QRandomGenerator &random)
{
    const int density = 1 + random.bounded(3);
    for (const QString &include : pool) {
        if (random.bounded(12) < density) {
            profile.data().insertIncludeRule(IncludeRule(include));
        }
    }
}

// Mostly no path; one in four a path of one to three of the pool's names.
inline QStringList randomPath(const QStringList &pool, QRandomGenerator &random)
{
    QStringList path;
    if (random.bounded(4) == 0) {
        const int length = 1 + random.bounded(3);
        for (int i = 0; i < length; ++i) {
            path << pool.at(random.bounded(pool.size()));
        }
    }
    return path;
}

// A random tree of @p count profiles P0, P1... (one in @p sharedOneIn after
// the second sharing an earlier one's name; 0 for none), each included by its
// parent. One in @p backUpOneIn also includes an ancestor (a cycle), one in
// ten a missing profile, one in twenty itself. Returns them in order.
inline QVector<ProfileFile *> addRandomTree(Graph &g, int count, int backUpOneIn, int sharedOneIn, QRandomGenerator &random)
{
    QVector<ProfileFile *> byIndex;
    QVector<int> parent;
    for (int i = 0; i < count; ++i) {
        const bool shared = sharedOneIn > 0 && i > 1 && random.bounded(sharedOneIn) == 0;
        byIndex.append(&g.add(shared ? byIndex.at(random.bounded(i))->name() : QStringLiteral("P%1").arg(i)));
        parent.append(i == 0 ? -1 : random.bounded(i));
    }
    for (int i = 1; i < count; ++i) {
        byIndex.at(parent.at(i))->data().insertIncludeRule(IncludeRule(byIndex.at(i)->name()));
        if (random.bounded(backUpOneIn) == 0) {
            int ancestor = parent.at(i);
            while (ancestor > 0 && random.bounded(2)) {
                ancestor = parent.at(ancestor);
            }
            byIndex.at(i)->data().insertIncludeRule(IncludeRule(byIndex.at(ancestor)->name()));
        }
        if (random.bounded(10) == 0) {
            byIndex.at(i)->data().insertIncludeRule(IncludeRule(QStringLiteral("missing%1").arg(random.bounded(3))));
        }
        if (random.bounded(20) == 0) {
            byIndex.at(i)->data().insertIncludeRule(IncludeRule(byIndex.at(i)->name()));
        }
    }
    return byIndex;
}

// @p rounds such trees of 70 to 199 profiles, each handed to @p test.
template<typename Test>
void forRandomTrees(QRandomGenerator &random, int rounds, int backUpOneIn, int sharedOneIn, Test test)
{
    for (int round = 0; round < rounds; ++round) {
        Graph g;
        const int count = 70 + random.bounded(130);
        test(g, addRandomTree(g, count, backUpOneIn, sharedOneIn, random));
    }
}

// Levels of diamonds: X0 includes Y0a and Y0b, both include X1, and so on;
// the last X includes "bottom". Every path through it is a different way to
// the bottom. Returns the X profiles, top first.
inline QVector<ProfileFile *> addDiamonds(Graph &g, int depth)
{
    QVector<ProfileFile *> tops;
    for (int i = 0; i <= depth; ++i) {
        tops.append(&g.add(QStringLiteral("X%1").arg(i)));
    }
    for (int i = 0; i < depth; ++i) {
        for (const char *side : {"a", "b"}) {
            const QString name = QStringLiteral("Y%1").arg(i) + QLatin1String(side);
            ProfileFile &middle = g.add(name);
            middle.data().insertIncludeRule(IncludeRule(tops.at(i + 1)->name()));
            tops.at(i)->data().insertIncludeRule(IncludeRule(name));
        }
    }
    tops.last()->data().insertIncludeRule(IncludeRule(QStringLiteral("bottom")));
    return tops;
}
}

#endif
