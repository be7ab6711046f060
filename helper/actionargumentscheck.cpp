/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "actionargumentscheck.h"

#include "protocol/helperconstants.h"
#include "protocol/snapshotsactionsmap.h"
#include "store/kiosksnapshots.h"

#include <QRegularExpression>

#include <algorithm>

namespace
{
const QString environmentKey = QStringLiteral("proccessEnvironmentsKey");
const QString localeVariable = QStringLiteral("LANG");
const QString disabledPrefix = HelperConstants::disabledPrefix + QLatin1Char('/');

const QString profilesToRenameKey = QStringLiteral("profilesToRename");
const QString profilesToRemoveKey = QStringLiteral("profilesToRemove");
const QString profilesToUpdateKey = QStringLiteral("profilesToUpdate");
const QString usersToRenameKey = QStringLiteral("usersToRename");
const QString usersToRemoveKey = QStringLiteral("usersToRemove");
const QString usersToUpdateKey = QStringLiteral("usersToUpdate");

const QStringList enableKeys = {
    QStringLiteral("enforce"),
    QStringLiteral("autoEnforce"),
    QStringLiteral("complain"),
    QStringLiteral("autoComplain"),
};

const QStringList traceApplicationKeys = {
    QStringLiteral("usernameKey"),
    QStringLiteral("commandKey"),
    QStringLiteral("displayKey"),
    QStringLiteral("xauthorytyPathKey"),
};

const QStringList globalTraceKeys = {
    QStringLiteral("enable"),
    QStringLiteral("ignoreResult"),
};

// Longest piece of a caller's text that an error sentence quotes.
constexpr int maxQuotedLength = 80;

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

bool ActionArgumentsCheck::isValidSystemProfileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QLatin1Char('/')) && !name.contains(QChar(u'\0'));
}

bool ActionArgumentsCheck::isValidUserProfileName(const QString &name)
{
    // A profile named like the disabled directory would take the directory's
    // place, and every later disable would fail.
    if (name == QLatin1String("disabled")) {
        return false;
    }
    if (name.startsWith(disabledPrefix)) {
        const QString account = name.mid(disabledPrefix.size());
        return account != QLatin1String("disabled") && isValidSystemProfileName(account);
    }
    return isValidSystemProfileName(name);
}

QString ActionArgumentsCheck::updateArgumentsError(const QVariantMap &arguments)
{
    const QStringList known =
        {environmentKey, profilesToRenameKey, profilesToRemoveKey, profilesToUpdateKey, usersToRenameKey, usersToRemoveKey, usersToUpdateKey};
    QString error = unknownKeysError(arguments, known);
    if (error.isEmpty()) {
        error = environmentError(arguments);
    }
    if (error.isEmpty()) {
        error = nameMapError(arguments, usersToRenameKey, true, MapValues::Names);
    }
    if (error.isEmpty()) {
        error = nameMapError(arguments, profilesToRenameKey, false, MapValues::Names);
    }
    if (error.isEmpty()) {
        error = nameMapError(arguments, usersToUpdateKey, true, MapValues::Texts);
    }
    if (error.isEmpty()) {
        error = nameMapError(arguments, profilesToUpdateKey, false, MapValues::Texts);
    }
    if (error.isEmpty()) {
        error = nameListError(arguments, usersToRemoveKey, true);
    }
    if (error.isEmpty()) {
        error = nameListError(arguments, profilesToRemoveKey, false);
    }
    return error;
}

QString ActionArgumentsCheck::enableArgumentsError(const QVariantMap &arguments)
{
    QString error = unknownKeysError(arguments, QStringList(enableKeys) << environmentKey);
    if (error.isEmpty()) {
        error = environmentError(arguments);
    }
    if (error.isEmpty()) {
        error = typedKeysError(arguments, enableKeys, QMetaType::Bool);
    }
    return error;
}

QString ActionArgumentsCheck::snapshotsArgumentsError(const QVariantMap &arguments)
{
    const QStringList keys = SnapshotsActionsMap::keys();
    QString error = unknownKeysError(arguments, QStringList(keys) << environmentKey);
    if (error.isEmpty()) {
        error = environmentError(arguments);
    }
    if (error.isEmpty()) {
        error = typedKeysError(arguments, keys, QMetaType::QString);
    }
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
    QString error = unknownKeysError(arguments, QStringList(traceApplicationKeys) << environmentKey);
    if (error.isEmpty()) {
        error = environmentError(arguments);
    }
    if (error.isEmpty()) {
        error = typedKeysError(arguments, traceApplicationKeys, QMetaType::QString);
    }
    return error;
}

QString ActionArgumentsCheck::globalTraceArgumentsError(const QVariantMap &arguments)
{
    QString error = unknownKeysError(arguments, QStringList(globalTraceKeys) << environmentKey);
    if (error.isEmpty()) {
        error = environmentError(arguments);
    }
    if (error.isEmpty()) {
        error = typedKeysError(arguments, globalTraceKeys, QMetaType::Bool);
    }
    return error;
}

QString ActionArgumentsCheck::typedKeysError(const QVariantMap &arguments, const QStringList &keys, int type)
{
    for (const QString &key : keys) {
        // A string "false" would read as true through a plain conversion.
        if (arguments.contains(key) && arguments.value(key).userType() != type) {
            return wrongTypeError(key);
        }
    }
    return QString();
}

QString ActionArgumentsCheck::environmentError(const QVariantMap &arguments)
{
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
        if (it.key() != localeVariable) {
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
    const auto isValid = users ? isValidUserProfileName : isValidSystemProfileName;
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
    const auto isValid = users ? isValidUserProfileName : isValidSystemProfileName;
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

QString ActionArgumentsCheck::printable(const QString &text)
{
    QString shown;
    for (const QChar c : text.left(maxQuotedLength)) {
        shown += c.isPrint() ? c : QChar(u'?');
    }
    if (text.size() > maxQuotedLength) {
        shown += QChar(0x2026);
    }
    return shown;
}
