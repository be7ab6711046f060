/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "protocol/updateactionsmap.h"

namespace
{
const QLatin1String profilesToRenameKey("profilesToRename");
const QLatin1String profilesToRemoveKey("profilesToRemove");
const QLatin1String profilesToUpdateKey("profilesToUpdate");
const QLatin1String usersToRenameKey("usersToRename");
const QLatin1String usersToRemoveKey("usersToRemove");
const QLatin1String usersToUpdateKey("usersToUpdate");
}

UpdateActionsMap::~UpdateActionsMap() = default;

QList<HelperActionsMap::Key> UpdateActionsMap::acceptedKeys()
{
    return {
        {usersToRenameKey, ValueType::ProfileRenames, true},
        {profilesToRenameKey, ValueType::ProfileRenames, false},
        {usersToUpdateKey, ValueType::ProfileTexts, true},
        {profilesToUpdateKey, ValueType::ProfileTexts, false},
        {usersToRemoveKey, ValueType::ProfileNames, true},
        {profilesToRemoveKey, ValueType::ProfileNames, false},
    };
}

void UpdateActionsMap::setProfilesToRename(const QMap<QString, QString> &profiles)
{
    insert(profilesToRenameKey, variantMapFromStringMap(profiles));
}

void UpdateActionsMap::setProfilesToUpdate(const QMap<QString, QString> &profiles)
{
    insert(profilesToUpdateKey, variantMapFromStringMap(profiles));
}

void UpdateActionsMap::setProfilesToRemove(const QStringList &profiles)
{
    insert(profilesToRemoveKey, profiles);
}

void UpdateActionsMap::setUsersToRename(const QMap<QString, QString> &users)
{
    insert(usersToRenameKey, variantMapFromStringMap(users));
}

void UpdateActionsMap::setUsersToUpdate(const QMap<QString, QString> &users)
{
    insert(usersToUpdateKey, variantMapFromStringMap(users));
}

void UpdateActionsMap::setUsersToRemove(const QStringList &users)
{
    insert(usersToRemoveKey, users);
}

QMap<QString, QString> UpdateActionsMap::profilesToRename() const
{
    return mapFromKey(profilesToRenameKey);
}

QMap<QString, QString> UpdateActionsMap::profilesToUpdate() const
{
    return mapFromKey(profilesToUpdateKey);
}

QStringList UpdateActionsMap::profilesToRemove() const
{
    return listFromKey(profilesToRemoveKey);
}

QMap<QString, QString> UpdateActionsMap::usersToRename() const
{
    return mapFromKey(usersToRenameKey);
}

QMap<QString, QString> UpdateActionsMap::usersToUpdate() const
{
    return mapFromKey(usersToUpdateKey);
}

QStringList UpdateActionsMap::usersToRemove() const
{
    return listFromKey(usersToRemoveKey);
}
