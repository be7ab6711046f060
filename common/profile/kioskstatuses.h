/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_KIOSKSTATUSES_H
#define ORLA_KIOSKSTATUSES_H

#include "orlacommon_export.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class ProfileFile;
class UserProfileFile;

/**
 * The status of every system profile and kiosk user of one kiosk tree
 * (ProfileStatus codes): what each profile's own text shows, and what
 * follows from the profiles it includes: includes of profiles that do not
 * exist, include cycles, included profiles with errors, and for users
 * whether their account exists.
 *
 * Includes lead to system profiles only, found by name; when profiles share
 * a name, an include leads to the first of them in the order given.
 *
 * A status is computed when it is first asked for, together with the
 * statuses of everything the profile includes, each at most once. The
 * profiles are read, never changed, and must stay as they are while this
 * object is used; build a new one after any of them changes.
 */
class ORLACOMMON_EXPORT KioskStatuses
{
public:
    // Whether a system account of that name exists.
    using AccountCheck = std::function<bool(const QString &name)>;

    /**
     * @param profiles the system profiles
     * @param users the kiosk users' profiles
     * @param accountExists asked once per user; without it no user gets
     *        ProfileStatus::UserNotFound
     */
    KioskStatuses(const QVector<const ProfileFile *> &profiles, const QVector<const UserProfileFile *> &users, AccountCheck accountExists = {});
    ~KioskStatuses();

    KioskStatuses(const KioskStatuses &) = delete;
    KioskStatuses &operator=(const KioskStatuses &) = delete;

    /**
     * The status of @p file: one of the profiles or users given, or another
     * profile, taken as a system profile outside the tree that nobody
     * includes.
     */
    QSet<int> status(const ProfileFile *file);

    /**
     * Takes @p status for @p profile instead of computing it, for a profile
     * whose status is known and must stay; profiles that include it see
     * this status. Only before the profile's status was computed.
     */
    void keep(const ProfileFile *profile, const QSet<int> &status);

    // Whether status() computed the status of @p file (not kept, not yet asked for).
    bool isComputed(const ProfileFile *file) const;

    /**
     * For a profile or user that includes itself through other profiles
     * (ProfileStatus::CyclicIncludes), the names round the cycle, from
     * @p file back to its own name: "a", "b", "a" when a includes b and b
     * includes a. Empty when there is no such cycle.
     */
    QStringList cycle(const ProfileFile *file) const;

private:
    class Private;
    std::unique_ptr<Private> d;
};

#endif
