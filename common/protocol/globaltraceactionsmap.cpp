/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "protocol/globaltraceactionsmap.h"

#include "protocol/helperconstants.h"

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

QVariantMap GlobalTraceActionsMap::replyData(const QStringList &warnings, const std::optional<QMap<QString, QString>> &texts)
{
    QVariantMap data{{HelperConstants::globalModeEnableKey, false}, {HelperConstants::warningsDataKey, warnings}};
    if (texts) {
        data.insert(HelperConstants::globalRecordDataKey, variantMapFromStringMap(*texts));
    }
    return data;
}

QVariantMap GlobalTraceActionsMap::textsFromReply(const QVariantMap &data)
{
    return data.value(HelperConstants::globalRecordDataKey).toMap();
}
