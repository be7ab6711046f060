/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_INCLUDEGRAPH_H
#define ORLA_INCLUDEGRAPH_H

#include "orlacommon_export.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class IncludeRule;
class ProfileFile;

/**
 * The include graph of a set of profiles, read once: the one place that
 * answers include questions, for ProfileFile::containts, the statuses of a
 * kiosk tree (KioskStatuses) and the profile editor.
 *
 * An include leads to the first profile of its name in the set's order,
 * as in ProfileFile::containts; includes of names no profile has lead
 * nowhere. A question costs the part of the graph it reaches, not the
 * size of the set.
 *
 * The graph holds the names and includes the profiles had when it was
 * made; build a new one after any of them changes. It keeps the profile
 * pointers as keys and reads through them only for a profile outside the
 * set that is asked a question, which is taken as it is then.
 *
 * One question at a time: questions reuse the graph's scratch space.
 */
class ORLACOMMON_EXPORT IncludeGraph
{
public:
    explicit IncludeGraph(const QSet<const ProfileFile *> &files);
    ~IncludeGraph();

    IncludeGraph(const IncludeGraph &) = delete;
    IncludeGraph &operator=(const IncludeGraph &) = delete;
    IncludeGraph(IncludeGraph &&) noexcept;
    IncludeGraph &operator=(IncludeGraph &&) noexcept;

    /**
     * The chain of profiles, from @p profile to the one that includes
     * @p name directly; the answer of ProfileFile::containts with the set
     * the graph was made from. @p profile may be outside the set; a null
     * one, or a graph moved from, answers the empty list.
     */
    QStringList containts(const ProfileFile *profile, const QString &name, const QStringList &path = {}) const;

    /**
     * Whether @p profile reaches its own name over includes: for the profile
     * includes of its name lead to, whether it lies on an include cycle.
     * As a non-empty containts(@p profile, its name).
     */
    bool isOnCycle(const ProfileFile *profile) const;

    /**
     * Every profile of the set that reaches @p name over includes, with its
     * chain: the answer of containts(profile, @p name) for each profile for
     * which it is not empty.
     */
    QHash<const ProfileFile *, QStringList> chainsTo(const QString &name) const;

    // The profiles the includes of @p profile lead to, in include order.
    QVector<const ProfileFile *> included(const ProfileFile *profile) const;
    // Whether an include of @p profile names a profile the set does not have.
    bool includesUnknown(const ProfileFile *profile) const;

    /**
     * The profiles @p from reaches, itself included, included ones first:
     * each group is one profile, or every profile of one include cycle, and
     * comes after every group it includes. @p from must be a profile that
     * includes of its name lead to. A profile for which @p walkInto answers
     * false is left out, and so is what only it leads to.
     */
    QVector<QVector<const ProfileFile *>> includedFirst(const ProfileFile *from, const std::function<bool(const ProfileFile *)> &walkInto) const;

    // The profile includes of @p name lead to; null when there is none.
    const ProfileFile *profileNamed(const QString &name) const;

    /**
     * The walk of includedFirst(), open to callers that have no graph and
     * must not read what the walk never gets to (a login reads only the
     * profiles its user reaches): from the profiles in @p start, breadth
     * first, each profile met once, so include cycles end. @p meet is told
     * of each when first met, in the order met, and answers whether to walk
     * into it; @p includesOf is asked, in the same order and only when the
     * walk gets there, what a profile walked into includes. A profile is
     * whatever names one: a profile name, a node of the graph.
     */
    template<typename Profile, typename Meet, typename IncludesOf>
    static void walkIncludes(const QVector<Profile> &start, Meet meet, IncludesOf includesOf)
    {
        QSet<Profile> met;
        QVector<Profile> entered;
        const auto reach = [&](const Profile &profile) {
            if (!met.contains(profile)) {
                met.insert(profile);
                if (meet(profile)) {
                    entered.append(profile);
                }
            }
        };
        for (const Profile &profile : start) {
            reach(profile);
        }
        for (int next = 0; next < entered.size(); ++next) {
            const Profile profile = entered.at(next);
            for (const auto &include : includesOf(profile)) {
                reach(include);
            }
        }
    }

private:
    static const QString &nameOf(const ProfileFile &profile);
    static QSet<IncludeRule> includesOf(const ProfileFile &profile);

    class Private;
    std::unique_ptr<Private> d;
};

#endif
