/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "protocol/globaltraceactionsmap.h"

namespace
{
const QLatin1String enableKey("enable");
const QLatin1String ignoreResultKey("ignoreResult");
}

GlobalTraceActionsMap::~GlobalTraceActionsMap() = default;

QList<HelperActionsMap::Key> GlobalTraceActionsMap::acceptedKeys()
{
    return {
        {enableKey, ValueType::Bool},
        {ignoreResultKey, ValueType::Bool},
    };
}

void GlobalTraceActionsMap::enableGlobalRecordMode(bool enable)
{
    insert(enableKey, enable);
}

bool GlobalTraceActionsMap::globalRecordModeEnabled() const
{
    return value(enableKey).toBool();
}

void GlobalTraceActionsMap::setIgnoreResult(bool ignore)
{
    insert(ignoreResultKey, ignore);
}

bool GlobalTraceActionsMap::ignoreResult() const
{
    return value(ignoreResultKey).toBool();
}
