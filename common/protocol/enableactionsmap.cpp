/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "protocol/enableactionsmap.h"

namespace
{
const QLatin1String enforceKey("enforce");
const QLatin1String autoEnforceKey("autoEnforce");
const QLatin1String complainKey("complain");
const QLatin1String autoComplainKey("autoComplain");
}

EnableActionsMap::~EnableActionsMap() = default;

QList<HelperActionsMap::Key> EnableActionsMap::acceptedKeys()
{
    return {
        {enforceKey, ValueType::Bool},
        {autoEnforceKey, ValueType::Bool},
        {complainKey, ValueType::Bool},
        {autoComplainKey, ValueType::Bool},
    };
}

void EnableActionsMap::enableEnforce(bool enable)
{
    insert(enforceKey, enable);
}

void EnableActionsMap::enableAutoEnforce(bool enable)
{
    insert(autoEnforceKey, enable);
}

void EnableActionsMap::enableComplain(bool enable)
{
    insert(complainKey, enable);
}

void EnableActionsMap::enableAutoComplain(bool enable)
{
    insert(autoComplainKey, enable);
}

EnableActionsMap::KeyState EnableActionsMap::enforce() const
{
    return keyState(enforceKey);
}

EnableActionsMap::KeyState EnableActionsMap::autoEnforce() const
{
    return keyState(autoEnforceKey);
}

EnableActionsMap::KeyState EnableActionsMap::complain() const
{
    return keyState(complainKey);
}

EnableActionsMap::KeyState EnableActionsMap::autoComplain() const
{
    return keyState(autoComplainKey);
}

EnableActionsMap::KeyState EnableActionsMap::keyState(const QString &key) const
{
    if (!contains(key)) {
        return NotSet;
    }
    return value(key).toBool() ? Enabled : Disabled;
}
