/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_HELPERACTIONSMAP_H
#define ORLA_HELPERACTIONSMAP_H

#include "orlacommon_export.h"
#include "protocol/qstringmap.h"

#include <QStringList>
#include <QVariantMap>

/**
 * The argument map of a privileged action, written by the program and read by
 * the helper through the same class, so that both sides agree on every key.
 *
 * The object is itself the map handed to KAuth::Action::setArguments(), and
 * the helper rebuilds it from the map that arrives. Readers never fail: a
 * missing key or a value of the wrong type reads as the key's default.
 */
class ORLACOMMON_EXPORT HelperActionsMap : public QVariantMap
{
public:
    /** An empty map carrying the locale, even an empty one, as the helper's LANG. */
    explicit HelperActionsMap(const QString &locale);
    /** A copy of a received map. */
    explicit HelperActionsMap(const QVariantMap &map);
    HelperActionsMap(const HelperActionsMap &) = default;
    HelperActionsMap(HelperActionsMap &&) = default;
    HelperActionsMap &operator=(const HelperActionsMap &) = default;
    HelperActionsMap &operator=(HelperActionsMap &&) = default;
    virtual ~HelperActionsMap();

    /** What the value under one key of an action's map is. */
    enum class ValueType {
        Bool,
        String,
        /** Profile names, each mapped to a new name. */
        ProfileRenames,
        /** Profile names, each mapped to a whole profile text. */
        ProfileTexts,
        /** A list of profile names. */
        ProfileNames,
    };
    /**
     * One key an action's map may hold besides the environment. Each map
     * class lists its own (acceptedKeys()), so that the helper accepts exactly
     * what the program sends.
     */
    struct Key {
        QString name;
        ValueType type;
        /** For profile names: whether they name user profiles rather than system profiles. */
        bool userProfiles = false;
    };

    /** The key of the environment every map carries, a map of strings. */
    static QString environmentKey();
    /** The one variable that environment holds: the locale. */
    static QString localeVariable();
    /** The locale of the running program, which it hands the helper. */
    static QString programLocale();

    QStringMap proccessEnvironments() const;
    void setProccessEnvironments(const QStringMap &env);

    QString locale() const;
    void setLocale(const QString &locale);

    /**
     * A string map as it travels: a QVariantMap with the same keys whose
     * values hold the strings.
     */
    static QVariantMap variantMapFromStringMap(const QMap<QString, QString> &map);

    /**
     * What @p data weighs as the one QDataStream blob that KAuth sends, to
     * compare with HelperConstants::maxBusMessageBytes.
     */
    static qint64 busSize(const QVariantMap &data);

    /** The warnings of a reply that carries them, without empty ones. */
    static QStringList warningsFromReply(const QVariantMap &data);

    /** The value under key as a string list; a single string is a one-element list, anything else an empty one. */
    QStringList listFromKey(const QString &key) const;
    /** The value under key read as a string map; empty when absent or not a map. */
    QMap<QString, QString> mapFromKey(const QString &key) const;
};

#endif
