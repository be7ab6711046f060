/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/includegraph.h"

#include "profile/includesearch_p.h"

IncludeGraph::IncludeGraph(const QSet<const ProfileFile *> &files)
    : m_search(std::make_unique<IncludeSearch>(files, IncludeSearch::Population::Complete))
{
}

IncludeGraph::~IncludeGraph() = default;

IncludeGraph::IncludeGraph(IncludeGraph &&) noexcept = default;

IncludeGraph &IncludeGraph::operator=(IncludeGraph &&) noexcept = default;

QStringList IncludeGraph::containts(const ProfileFile *profile, const QString &name, const QStringList &path) const
{
    if (!m_search) {
        return {};
    }
    return m_search->containts(profile, name, path);
}
