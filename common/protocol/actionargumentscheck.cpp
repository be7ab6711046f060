/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "protocol/actionargumentscheck.h"

#include "profile/printable.h"
#include "protocol/enableactionsmap.h"
#include "protocol/globaltraceactionsmap.h"
#include "protocol/snapshotsactionsmap.h"
#include "protocol/traceapplicationactionsmap.h"
#include "protocol/updateactionsmap.h"
#include "store/kiosksnapshots.h"
#include "store/systemkiosk.h"

#include <QRegularExpression>

#include <algorithm>

namespace
{
// Longest piece of a caller's text that an error sentence quotes.
constexpr int maxQuotedLength = 80;

// A caller's text as it can be shown: control characters escaped, long texts cut.
QString printable(const QString &text)
{
    return Utils::printable(text, maxQuotedLength);
}

bool isStringList(const QVariant &value)
{
    if (value.userType() == QMetaType::QStringList) {
        return true;
    }
    if (value.userType() != QMetaType::QVariantList) {
        return false;
    }
    const QVariantList list = value.toList();
    return std::all_of(list.cbegin(), list.cend(), [](const QVariant &element) {
        return element.userType() == QMetaType::QString;
    });
}
}

bool ActionArgumentsCheck::isValidLocale(const QString &locale)
{
    // The commands a recording starts inherit the locale, so C.UTF-8 and its
    // kind must pass; the shape still keeps out anything but a name.
    static const QRegularExpression pattern(
        QStringLiteral("\\A(C|POSIX|[A-Za-z]{2,8}([_-][A-Za-z0-9]{2,8})?)(\\.[A-Za-z0-9_-]{1,20})?(@[A-Za-z0-9_-]{1,20})?\\z"));
    return pattern.match(locale).hasMatch();
}

QString ActionArgumentsCheck::updateArgumentsError(const QVariantMap &arguments)
{
    return argumentsError(arguments, UpdateActionsMap::acceptedKeys());
}

QString ActionArgumentsCheck::enableArgumentsError(const QVariantMap &arguments)
{
    return argumentsError(arguments, EnableActionsMap::acceptedKeys());
}

QString ActionArgumentsCheck::snapshotsArgumentsError(const QVariantMap &arguments)
{
    QString error = argumentsError(arguments, SnapshotsActionsMap::acceptedKeys());
    const SnapshotsActionsMap map(arguments);
    for (const QString &id : {map.restore(), map.preview()}) {
        if (error.isEmpty() && !id.isEmpty() && !KioskSnapshots::isValidId(id)) {
            error = tr("'%1' is not the name of an earlier configuration.").arg(printable(id));
        }
    }
    return error;
}

QString ActionArgumentsCheck::traceApplicationArgumentsError(const QVariantMap &arguments)
{
    return argumentsError(arguments, TraceApplicationActionsMap::acceptedKeys());
}

QString ActionArgumentsCheck::globalTraceArgumentsError(const QVariantMap &arguments)
{
    return argumentsError(arguments, GlobalTraceActionsMap::acceptedKeys());
}

QString ActionArgumentsCheck::argumentsError(const QVariantMap &arguments, const QList<HelperActionsMap::Key> &keys)
{
    QStringList known{HelperActionsMap::environmentKey()};
    for (const HelperActionsMap::Key &key : keys) {
        known << key.name;
    }
    QString error = unknownKeysError(arguments, known);
    if (error.isEmpty()) {
        error = environmentError(arguments);
    }
    for (auto key = keys.cbegin(); error.isEmpty() && key != keys.cend(); ++key) {
        error = valueError(arguments, *key);
    }
    return error;
}

QString ActionArgumentsCheck::valueError(const QVariantMap &arguments, const HelperActionsMap::Key &key)
{
    using ValueType = HelperActionsMap::ValueType;
    switch (key.type) {
    case ValueType::Bool:
        return typedKeyError(arguments, key.name, QMetaType::Bool);
    case ValueType::String:
        return typedKeyError(arguments, key.name, QMetaType::QString);
    case ValueType::ProfileRenames:
        return nameMapError(arguments, key.name, key.userProfiles, MapValues::Names);
    case ValueType::ProfileTexts:
        return nameMapError(arguments, key.name, key.userProfiles, MapValues::Texts);
    case ValueType::ProfileNames:
        return nameListError(arguments, key.name, key.userProfiles);
    }
    return QString();
}

QString ActionArgumentsCheck::typedKeyError(const QVariantMap &arguments, const QString &key, int type)
{
    // A string "false" would read as true through a plain conversion.
    if (arguments.contains(key) && arguments.value(key).userType() != type) {
        return wrongTypeError(key);
    }
    return QString();
}

QString ActionArgumentsCheck::environmentError(const QVariantMap &arguments)
{
    const QString environmentKey = HelperActionsMap::environmentKey();
    if (!arguments.contains(environmentKey)) {
        return QString();
    }
    const QVariant value = arguments.value(environmentKey);
    if (value.userType() != QMetaType::QVariantMap) {
        return wrongTypeError(environmentKey);
    }
    const QVariantMap environment = value.toMap();
    for (auto it = environment.cbegin(); it != environment.cend(); ++it) {
        // Whatever lands in the helper's environment reaches every command it runs.
        if (it.key() != HelperActionsMap::localeVariable()) {
            return tr("Unknown environment variable '%1' in the request. Nothing has been changed.").arg(printable(it.key()));
        }
        if (it.value().userType() != QMetaType::QString) {
            return wrongTypeError(environmentKey);
        }
    }
    return QString();
}

QString ActionArgumentsCheck::unknownKeysError(const QVariantMap &arguments, const QStringList &known)
{
    for (auto it = arguments.cbegin(); it != arguments.cend(); ++it) {
        if (!known.contains(it.key())) {
            return tr("Unknown argument '%1' in the request. Nothing has been changed.").arg(printable(it.key()));
        }
    }
    return QString();
}

QString ActionArgumentsCheck::nameMapError(const QVariantMap &arguments, const QString &key, bool users, MapValues values)
{
    if (!arguments.contains(key)) {
        return QString();
    }
    const QVariant value = arguments.value(key);
    if (value.userType() != QMetaType::QVariantMap) {
        return wrongTypeError(key);
    }
    const auto isValid = users ? SystemKiosk::isValidUserProfileName : SystemKiosk::isValidSystemProfileName;
    const QVariantMap map = value.toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (it.value().userType() != QMetaType::QString) {
            return wrongTypeError(key);
        }
        if (!isValid(it.key())) {
            return invalidNameError(it.key());
        }
        if (values == MapValues::Names && !isValid(it.value().toString())) {
            return invalidNameError(it.value().toString());
        }
    }
    return QString();
}

QString ActionArgumentsCheck::nameListError(const QVariantMap &arguments, const QString &key, bool users)
{
    if (!arguments.contains(key)) {
        return QString();
    }
    const QVariant value = arguments.value(key);
    if (!isStringList(value)) {
        return wrongTypeError(key);
    }
    const auto isValid = users ? SystemKiosk::isValidUserProfileName : SystemKiosk::isValidSystemProfileName;
    const QStringList names = value.toStringList();
    for (const QString &name : names) {
        if (!isValid(name)) {
            return invalidNameError(name);
        }
    }
    return QString();
}

QString ActionArgumentsCheck::invalidNameError(const QString &name)
{
    return tr("Invalid profile name '%1'. Nothing has been changed.").arg(printable(name));
}

QString ActionArgumentsCheck::wrongTypeError(const QString &key)
{
    return tr("The value of '%1' in the request has the wrong type. Nothing has been changed.").arg(key);
}
