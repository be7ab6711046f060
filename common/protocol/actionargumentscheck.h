/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ACTIONARGUMENTSCHECK_H
#define ORLA_ACTIONARGUMENTSCHECK_H

#include "protocol/helperactionsmap.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVariantMap>

/**
 * Checks an action's argument map before the helper acts on any of it.
 *
 * The map comes from another process and is trusted for nothing: every key
 * must be one the action knows, every value must have the type the program
 * sends, and every profile name must be one the store takes, so that one
 * bad entry refuses the whole action before any file is touched. The keys
 * and their types are those the map classes publish; the name rules are
 * the store's.
 *
 * The checks return an empty string when the map is fine, otherwise the
 * translated sentence for the administrator.
 */
class ORLACOMMON_EXPORT ActionArgumentsCheck
{
    Q_DECLARE_TR_FUNCTIONS(ActionArgumentsCheck)

public:
    static QString updateArgumentsError(const QVariantMap &arguments);
    static QString enableArgumentsError(const QVariantMap &arguments);
    static QString traceApplicationArgumentsError(const QVariantMap &arguments);
    static QString globalTraceArgumentsError(const QVariantMap &arguments);
    static QString snapshotsArgumentsError(const QVariantMap &arguments);

    /** "C", "POSIX" or language[_territory], each with an optional [.codeset][@modifier]. */
    static bool isValidLocale(const QString &locale);

private:
    // The keys the map class publishes, the environment, and nothing else.
    static QString argumentsError(const QVariantMap &arguments, const QList<HelperActionsMap::Key> &keys);
    static QString valueError(const QVariantMap &arguments, const HelperActionsMap::Key &key);
    static QString environmentError(const QVariantMap &arguments);
    static QString unknownKeysError(const QVariantMap &arguments, const QStringList &known);
    /** When present, @p key must hold a value of @p type. */
    static QString typedKeyError(const QVariantMap &arguments, const QString &key, int type);
    // Renames map names to names; updates map names to profile texts.
    enum class MapValues { Names, Texts };
    static QString nameMapError(const QVariantMap &arguments, const QString &key, bool users, MapValues values);
    static QString nameListError(const QVariantMap &arguments, const QString &key, bool users);
    static QString invalidNameError(const QString &name);
    static QString wrongTypeError(const QString &key);
};

#endif
