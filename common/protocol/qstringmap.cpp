/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "protocol/qstringmap.h"

QStringMap::QStringMap(const QMap<QString, QString> &other)
    : QMap<QString, QString>(other)
{
}

QStringMap::~QStringMap() = default;
