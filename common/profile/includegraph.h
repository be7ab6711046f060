/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_INCLUDEGRAPH_H
#define ORLA_INCLUDEGRAPH_H

#include "orlacommon_export.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class IncludeSearch;
class ProfileFile;

/**
 * The include graph of a set of profiles, read once, for asking many include
 * chain questions of the same profiles.
 *
 * Every answer is the one ProfileFile::containts gives with the same set: a
 * name leads to the first profile of that name in the set's order. A
 * question costs the part of the graph it reaches, not the size of the set;
 * a profile asked for its own name (the cycle check) is answered at once when
 * it is on no include cycle, and searches only its cycle when it is.
 *
 * The graph holds the names and includes the profiles had when it was
 * made; build a new one after any of them changes. It keeps the profile
 * pointers only as keys and never reads through them after it is made,
 * except for a profile outside the set that is asked a question.
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
     * As @p profile->containts(@p name, files, @p path) with the set the
     * graph was made from. @p profile may be outside the set; a null one, or
     * a graph moved from, answers the empty list.
     */
    QStringList containts(const ProfileFile *profile, const QString &name, const QStringList &path = {}) const;

private:
    std::unique_ptr<IncludeSearch> m_search;
};

#endif
