/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "protocol/helperactionsmap.h"

#include "protocol/helperconstants.h"

#include <QDataStream>

namespace
{
const QLatin1String environmentMapKey("proccessEnvironmentsKey");
const QLatin1String languageVariable("LANG");
}

HelperActionsMap::HelperActionsMap(const QString &locale)
{
    setLocale(locale);
}

HelperActionsMap::HelperActionsMap(const QVariantMap &map)
    : QVariantMap(map)
{
}

HelperActionsMap::~HelperActionsMap() = default;

QString HelperActionsMap::environmentKey()
{
    return environmentMapKey;
}

QString HelperActionsMap::localeVariable()
{
    return languageVariable;
}

QString HelperActionsMap::programLocale()
{
    return qEnvironmentVariable(languageVariable.data());
}

QStringMap HelperActionsMap::proccessEnvironments() const
{
    return QStringMap(mapFromKey(environmentMapKey));
}

void HelperActionsMap::setProccessEnvironments(const QStringMap &env)
{
    insert(environmentMapKey, variantMapFromStringMap(env));
}

QString HelperActionsMap::locale() const
{
    return proccessEnvironments().value(languageVariable);
}

void HelperActionsMap::setLocale(const QString &locale)
{
    QStringMap env = proccessEnvironments();
    env.insert(languageVariable, locale);
    setProccessEnvironments(env);
}

qint64 HelperActionsMap::busSize(const QVariantMap &data)
{
    QByteArray blob;
    QDataStream stream(&blob, QIODevice::WriteOnly);
    stream << data;
    return blob.size();
}

QStringList HelperActionsMap::warningsFromReply(const QVariantMap &data)
{
    QStringList warnings = data.value(HelperConstants::warningsDataKey).toStringList();
    warnings.removeAll(QString());
    return warnings;
}

QVariantMap HelperActionsMap::variantMapFromStringMap(const QMap<QString, QString> &map)
{
    QVariantMap result;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        result.insert(it.key(), it.value());
    }
    return result;
}

QStringList HelperActionsMap::listFromKey(const QString &key) const
{
    const QVariant stored = value(key);
    return stored.canConvert<QStringList>() ? stored.toStringList() : QStringList();
}

QMap<QString, QString> HelperActionsMap::mapFromKey(const QString &key) const
{
    const QVariantMap stored = value(key).toMap();
    QMap<QString, QString> result;
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        result.insert(it.key(), it.value().toString());
    }
    return result;
}
