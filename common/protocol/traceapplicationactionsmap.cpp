/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "protocol/traceapplicationactionsmap.h"

#include "protocol/helperconstants.h"

namespace
{
const QLatin1String usernameKey("usernameKey");
const QLatin1String commandKey("commandKey");
const QLatin1String displayKey("displayKey");
const QLatin1String xauthorytyPathKey("xauthorytyPathKey");
}

TraceApplicationActionsMap::~TraceApplicationActionsMap() = default;

QList<HelperActionsMap::Key> TraceApplicationActionsMap::acceptedKeys()
{
    return {
        {usernameKey, ValueType::String},
        {commandKey, ValueType::String},
        {displayKey, ValueType::String},
        {xauthorytyPathKey, ValueType::String},
    };
}

void TraceApplicationActionsMap::setUsername(const QString &username)
{
    insert(usernameKey, username);
}

void TraceApplicationActionsMap::setCommand(const QString &command)
{
    insert(commandKey, command);
}

void TraceApplicationActionsMap::setDisplay(const QString &display)
{
    insert(displayKey, display);
}

void TraceApplicationActionsMap::setXauthorytyPath(const QString &path)
{
    insert(xauthorytyPathKey, path);
}

QString TraceApplicationActionsMap::username() const
{
    return value(usernameKey).toString();
}

QString TraceApplicationActionsMap::command() const
{
    return value(commandKey).toString();
}

QString TraceApplicationActionsMap::display() const
{
    return value(displayKey).toString();
}

QString TraceApplicationActionsMap::xauthorytyPath() const
{
    return value(xauthorytyPathKey).toString();
}

QVariantMap TraceApplicationActionsMap::replyData(const QStringList &warnings, const std::optional<QString> &text)
{
    QVariantMap data{{HelperConstants::warningsDataKey, warnings}};
    if (text) {
        data.insert(HelperConstants::traceTextKey, *text);
    }
    return data;
}

QByteArray TraceApplicationActionsMap::textFromReply(const QVariantMap &data)
{
    return data.value(HelperConstants::traceTextKey).toByteArray();
}
