/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "desktop/orlaicon.h"

#include "desktop/emblemiconengine.h"

QIcon OrlaIcon::withEmblems(const QIcon &icon, const QPair<Qt::Corner, QString> &emblem)
{
    const QIcon emblemIcon = QIcon::fromTheme(emblem.second);
    if (icon.isNull() || emblemIcon.isNull()) {
        return icon;
    }
    return QIcon(new EmblemIconEngine(icon, emblemIcon, emblem.first));
}
