/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_QSTRINGMAP_H
#define ORLA_QSTRINGMAP_H

#include "orlacommon_export.h"

#include <QMap>
#include <QString>

/** A map of strings to strings, as the action maps hand it out. */
class ORLACOMMON_EXPORT QStringMap : public QMap<QString, QString>
{
public:
    using QMap<QString, QString>::QMap;
    QStringMap() = default;
    QStringMap(const QMap<QString, QString> &other);
    QStringMap(const QStringMap &) = default;
    QStringMap(QStringMap &&) = default;
    QStringMap &operator=(const QStringMap &) = default;
    QStringMap &operator=(QStringMap &&) = default;
    virtual ~QStringMap();
};

#endif
