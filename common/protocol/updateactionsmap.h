/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_UPDATEACTIONSMAP_H
#define ORLA_UPDATEACTIONSMAP_H

#include "protocol/helperactionsmap.h"

/**
 * Arguments of the update action: profiles and user profiles to rename, to
 * write whole and to remove. System profiles are named by file name, user
 * profiles by account name, with "disabled/" in front for a disabled user.
 * The helper applies the renames first, so update entries use the new names.
 */
class ORLACOMMON_EXPORT UpdateActionsMap : public HelperActionsMap
{
public:
    using HelperActionsMap::HelperActionsMap;
    ~UpdateActionsMap() override;

    /** Old name to new name. */
    void setProfilesToRename(const QMap<QString, QString> &profiles);
    /** Name to whole profile text. */
    void setProfilesToUpdate(const QMap<QString, QString> &profiles);
    void setProfilesToRemove(const QStringList &profiles);
    /** Old name to new name; this is how users are enabled and disabled. */
    void setUsersToRename(const QMap<QString, QString> &users);
    /** Name to whole profile text. */
    void setUsersToUpdate(const QMap<QString, QString> &users);
    void setUsersToRemove(const QStringList &users);

    QMap<QString, QString> profilesToRename() const;
    QMap<QString, QString> profilesToUpdate() const;
    QStringList profilesToRemove() const;
    QMap<QString, QString> usersToRename() const;
    QMap<QString, QString> usersToUpdate() const;
    QStringList usersToRemove() const;

    /**
     * Renames, then updates, then removals, users before profiles: the
     * order in which the helper carries them out.
     */
    static QList<Key> acceptedKeys();
};

#endif
