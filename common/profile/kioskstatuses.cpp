/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/kioskstatuses.h"

#include "profile/includegraph.h"
#include "profile/profilestatus.h"
#include "profile/userprofilefile.h"

#include <QHash>

#include <algorithm>
#include <memory>
#include <vector>

/*
 * Statuses follow the include graph upwards: a profile has an include with
 * errors when a profile it includes has errors, so included profiles are
 * computed first. Recomputing them along every include path, as a plain
 * recursion does, is exponential on trees of shared sub-profiles, the usual
 * shape of a kiosk configuration; here every profile is computed once.
 *
 * The include graph hands out the profiles a question reaches one group at
 * a time, each after the groups it includes, so the statuses a group reads
 * outside itself are final. A group of more than one profile is an include
 * cycle: every member has an error by being on it, and includes another
 * member, so all of them get the include with errors, in whatever order
 * they are computed.
 */

namespace
{
struct Entry {
    const ProfileFile *file = nullptr;
    bool user = false;
    bool computed = false;
    bool kept = false;
    bool errors = false;
    QSet<int> status;
};
}

class KioskStatuses::Private
{
public:
    Private(const QVector<const ProfileFile *> &profiles, AccountCheck accountExists)
        : graph(QSet<const ProfileFile *>(profiles.cbegin(), profiles.cend()))
        , accountExists(std::move(accountExists))
    {
    }

    Entry &entryOf(const ProfileFile *file, bool user = false);
    bool done(const Entry &entry) const
    {
        return entry.computed || entry.kept;
    }
    // Everything @p root reaches that is not computed yet, itself included.
    void computeReached(const ProfileFile *root);
    void computeAlone(Entry &entry);
    // Every code but the include with errors.
    QSet<int> ownPart(const Entry &entry, bool onCycle) const;
    void finish(Entry &entry, QSet<int> status, bool includeWithError);
    bool includesErrors(const ProfileFile *file) const;

    IncludeGraph graph;
    AccountCheck accountExists;
    // Profiles outside the tree are added as they are asked for; entries
    // stay where they are meanwhile.
    std::vector<std::unique_ptr<Entry>> entries;
    QHash<const ProfileFile *, Entry *> byFile;
};

KioskStatuses::KioskStatuses(const QVector<const ProfileFile *> &profiles, const QVector<const UserProfileFile *> &users, AccountCheck accountExists)
    : d(std::make_unique<Private>(profiles, std::move(accountExists)))
{
    d->entries.reserve(profiles.size() + users.size());
    d->byFile.reserve(profiles.size() + users.size());
    for (const ProfileFile *profile : profiles) {
        if (profile) {
            d->entryOf(profile);
        }
    }
    for (const UserProfileFile *user : users) {
        if (user) {
            d->entryOf(user, true);
        }
    }
}

KioskStatuses::~KioskStatuses() = default;

Entry &KioskStatuses::Private::entryOf(const ProfileFile *file, bool user)
{
    Entry *&entry = byFile[file];
    if (!entry) {
        entries.push_back(std::make_unique<Entry>());
        entry = entries.back().get();
        entry->file = file;
        entry->user = user;
    }
    return *entry;
}

QSet<int> KioskStatuses::Private::ownPart(const Entry &entry, bool onCycle) const
{
    QSet<int> status = ProfileStatus::contentCodes(*entry.file);
    if (graph.includesUnknown(entry.file)) {
        status.insert(ProfileStatus::UnknownIncludes);
    }
    if (onCycle) {
        status.insert(ProfileStatus::CyclicIncludes);
    }
    return status;
}

void KioskStatuses::Private::finish(Entry &entry, QSet<int> status, bool includeWithError)
{
    if (includeWithError) {
        status.insert(ProfileStatus::IncludeWithError);
    }
    status = ProfileStatus::withOwnCodes(status, entry.file->data(), entry.user);
    if (entry.user && accountExists && !accountExists(entry.file->name())) {
        status.insert(ProfileStatus::UserNotFound);
    }
    entry.status = status;
    entry.errors = ProfileStatus::hasErrors(status);
    entry.computed = true;
}

bool KioskStatuses::Private::includesErrors(const ProfileFile *file) const
{
    const QVector<const ProfileFile *> included = graph.included(file);
    return std::any_of(included.cbegin(), included.cend(), [this](const ProfileFile *profile) {
        return byFile.value(profile)->errors;
    });
}

void KioskStatuses::Private::computeReached(const ProfileFile *root)
{
    // Kept profiles are walked through: what they include is computed.
    const auto groups = graph.includedFirst(root, [this](const ProfileFile *profile) {
        return !byFile.value(profile)->computed;
    });
    std::vector<std::pair<Entry *, QSet<int>>> parts;
    for (const QVector<const ProfileFile *> &group : groups) {
        parts.clear();
        for (const ProfileFile *profile : group) {
            Entry *entry = byFile.value(profile);
            if (entry->kept) {
                continue;
            }
            const bool onCycle = graph.isOnCycle(profile);
            parts.emplace_back(entry, ownPart(*entry, onCycle));
            // Members of a cycle read each other's errors before they are
            // finished; being on the cycle is one.
            entry->errors = onCycle;
        }
        for (auto &part : parts) {
            finish(*part.first, part.second, includesErrors(part.first->file));
        }
    }
}

// A user, a profile outside the tree, or one whose name an earlier profile
// has: no include leads to it, so it is a group of its own.
void KioskStatuses::Private::computeAlone(Entry &entry)
{
    const QVector<const ProfileFile *> included = graph.included(entry.file);
    for (const ProfileFile *profile : included) {
        if (!done(*byFile.value(profile))) {
            computeReached(profile);
        }
    }
    finish(entry, ownPart(entry, graph.isOnCycle(entry.file)), includesErrors(entry.file));
}

QSet<int> KioskStatuses::status(const ProfileFile *file)
{
    if (!file) {
        return {};
    }
    Entry &entry = d->entryOf(file);
    if (!d->done(entry)) {
        if (!entry.user && d->graph.profileNamed(file->name()) == file) {
            d->computeReached(file);
        } else {
            d->computeAlone(entry);
        }
    }
    return entry.status;
}

void KioskStatuses::keep(const ProfileFile *profile, const QSet<int> &status)
{
    if (!profile) {
        return;
    }
    Entry &entry = d->entryOf(profile);
    if (entry.computed) {
        return;
    }
    entry.kept = true;
    entry.status = status;
    entry.errors = ProfileStatus::hasErrors(status);
}

bool KioskStatuses::isComputed(const ProfileFile *file) const
{
    const Entry *entry = d->byFile.value(file);
    return entry && entry->computed;
}

QStringList KioskStatuses::cycle(const ProfileFile *file) const
{
    if (!file) {
        return {};
    }
    QStringList chain = d->graph.containts(file, file->name());
    if (!chain.isEmpty()) {
        chain.append(file->name());
    }
    return chain;
}
