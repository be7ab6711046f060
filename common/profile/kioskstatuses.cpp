/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/kioskstatuses.h"

#include "profile/includesearch_p.h"
#include "profile/profilestatus.h"
#include "profile/userprofilefile.h"

#include <QHash>

#include <algorithm>
#include <vector>

/*
 * Statuses follow the include graph upwards: a profile has an include with
 * errors when a profile it includes has errors, so included profiles are
 * computed first. Recomputing them along every include path, as a plain
 * recursion does, is exponential on trees of shared sub-profiles, the usual
 * shape of a kiosk configuration; here every profile is computed once.
 *
 * The profiles a question reaches are computed by strongly connected
 * component, lowest number first: a component is numbered above everything
 * it reaches, so the statuses it reads outside itself are final. Within a
 * component of more than one profile every member is on an include cycle
 * and so has an error, and each includes another member: all of them get
 * the include with errors as well, whatever order they are computed in.
 */

namespace
{
struct Entry {
    const ProfileFile *file = nullptr;
    // For profiles of the tree; -1 for users and profiles outside it.
    int node = -1;
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
        : search(QSet<const ProfileFile *>(profiles.cbegin(), profiles.cend()), IncludeSearch::Population::Complete)
        , accountExists(std::move(accountExists))
    {
    }

    int entryOf(const ProfileFile *file, bool user);
    Entry &nodeEntry(int node)
    {
        return entries[nodeEntries[node]];
    }
    bool done(const Entry &entry) const
    {
        return entry.computed || entry.kept;
    }
    void computeReached(int root);
    void computeComponent(const std::vector<int> &members);
    void computeAlone(Entry &entry);
    // Content, unknown includes, cycle and own codes; not the include with errors.
    QSet<int> ownPart(const Entry &entry, bool onCycle) const;
    void finish(Entry &entry, QSet<int> status, bool includeWithError);

    mutable IncludeSearch search;
    AccountCheck accountExists;
    std::vector<Entry> entries;
    QHash<const ProfileFile *, int> byFile;
    // By node of the search: the entry.
    std::vector<int> nodeEntries;
    // By node: the question that last reached it.
    std::vector<quint32> reached;
    quint32 question = 0;
};

KioskStatuses::KioskStatuses(const QVector<const ProfileFile *> &profiles, const QVector<const UserProfileFile *> &users, AccountCheck accountExists)
    : d(std::make_unique<Private>(profiles, std::move(accountExists)))
{
    d->entries.reserve(profiles.size() + users.size());
    d->byFile.reserve(profiles.size() + users.size());
    d->nodeEntries.assign(d->search.nodeCount(), -1);
    d->reached.assign(d->search.nodeCount(), 0);
    for (const ProfileFile *profile : profiles) {
        if (profile) {
            d->entryOf(profile, false);
        }
    }
    for (const UserProfileFile *user : users) {
        if (user) {
            d->entryOf(user, true);
        }
    }
}

KioskStatuses::~KioskStatuses() = default;

int KioskStatuses::Private::entryOf(const ProfileFile *file, bool user)
{
    const auto known = byFile.constFind(file);
    if (known != byFile.constEnd()) {
        return known.value();
    }
    const int node = user ? -1 : search.nodeOfProfile(file);
    const int index = int(entries.size());
    Entry entry;
    entry.file = file;
    entry.node = node;
    entry.user = user;
    entries.push_back(entry);
    byFile.insert(file, index);
    if (node >= 0) {
        nodeEntries[node] = index;
    }
    return index;
}

QSet<int> KioskStatuses::Private::ownPart(const Entry &entry, bool onCycle) const
{
    QSet<int> status = ProfileStatus::contentCodes(*entry.file);
    if (entry.node >= 0) {
        for (int i = 0; i < search.includeCount(entry.node); ++i) {
            if (search.includedNode(entry.node, i) < 0) {
                status.insert(ProfileStatus::UnknownIncludes);
                break;
            }
        }
    } else {
        const QSet<IncludeRule> includes = entry.file->data().includes();
        for (const IncludeRule &include : includes) {
            if (search.nodeNamed(include.name()) < 0) {
                status.insert(ProfileStatus::UnknownIncludes);
                break;
            }
        }
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

// The members of one component that are not done yet.
void KioskStatuses::Private::computeComponent(const std::vector<int> &members)
{
    std::vector<QSet<int>> parts;
    parts.reserve(members.size());
    for (int node : members) {
        const bool onCycle = search.isOnCycle(node);
        parts.push_back(ownPart(nodeEntry(node), onCycle));
        // Members of a cycle read each other's errors before they are
        // finished; being on the cycle is one.
        nodeEntry(node).errors = onCycle;
    }
    for (std::size_t i = 0; i < members.size(); ++i) {
        const int node = members[i];
        bool includeWithError = false;
        for (int include = 0; include < search.includeCount(node) && !includeWithError; ++include) {
            const int included = search.includedNode(node, include);
            includeWithError = included >= 0 && nodeEntry(included).errors;
        }
        finish(nodeEntry(node), parts[i], includeWithError);
    }
}

// Every profile @p root reaches, itself included, that is not done yet.
void KioskStatuses::Private::computeReached(int root)
{
    if (++question == 0) {
        std::fill(reached.begin(), reached.end(), 0);
        question = 1;
    }
    std::vector<int> found;
    std::vector<int> pending{root};
    reached[root] = question;
    while (!pending.empty()) {
        const int node = pending.back();
        pending.pop_back();
        // A kept profile is walked through: what it includes is computed.
        if (!nodeEntry(node).computed) {
            found.push_back(node);
            for (int i = 0; i < search.includeCount(node); ++i) {
                const int included = search.includedNode(node, i);
                if (included >= 0 && reached[included] != question) {
                    reached[included] = question;
                    pending.push_back(included);
                }
            }
        }
    }
    std::sort(found.begin(), found.end(), [this](int a, int b) {
        return search.component(a) < search.component(b);
    });
    std::vector<int> members;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (!nodeEntry(found[i]).kept) {
            members.push_back(found[i]);
        }
        if (i + 1 == found.size() || search.component(found[i + 1]) != search.component(found[i])) {
            if (!members.empty()) {
                computeComponent(members);
            }
            members.clear();
        }
    }
}

// A user, a profile outside the tree, or one whose name an earlier profile
// has: nobody's include leads to it, so it is a component of its own.
void KioskStatuses::Private::computeAlone(Entry &entry)
{
    bool includeWithError = false;
    const QSet<IncludeRule> includes = entry.file->data().includes();
    for (const IncludeRule &include : includes) {
        const int node = search.nodeNamed(include.name());
        if (node < 0) {
            continue;
        }
        if (!done(nodeEntry(node))) {
            computeReached(node);
        }
        includeWithError = includeWithError || nodeEntry(node).errors;
    }
    // Asked by name: it reaches its own name only through another profile
    // that includes the name.
    const bool onCycle = !search.containts(entry.file, entry.file->name(), {}).isEmpty();
    finish(entry, ownPart(entry, onCycle), includeWithError);
}

QSet<int> KioskStatuses::status(const ProfileFile *file)
{
    if (!file) {
        return {};
    }
    Entry &entry = d->entries[d->entryOf(file, false)];
    if (!d->done(entry)) {
        if (entry.node >= 0 && d->search.isFirstOfName(entry.node)) {
            d->computeReached(entry.node);
        } else {
            d->computeAlone(entry);
        }
    }
    // The entry may have moved while others were added.
    return d->entries[d->byFile.value(file)].status;
}

void KioskStatuses::keep(const ProfileFile *profile, const QSet<int> &status)
{
    if (!profile) {
        return;
    }
    Entry &entry = d->entries[d->entryOf(profile, false)];
    if (entry.computed) {
        return;
    }
    entry.kept = true;
    entry.status = status;
    entry.errors = ProfileStatus::hasErrors(status);
}

bool KioskStatuses::isComputed(const ProfileFile *file) const
{
    const int index = d->byFile.value(file, -1);
    return index >= 0 && d->entries[index].computed;
}

QStringList KioskStatuses::cycle(const ProfileFile *file) const
{
    if (!file) {
        return {};
    }
    QStringList chain = d->search.containts(file, file->name(), {});
    if (!chain.isEmpty()) {
        chain.append(file->name());
    }
    return chain;
}
