/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ORLAICON_H
#define ORLA_ORLAICON_H

#include <QIcon>
#include <QPair>
#include <QString>

/** Icon compositions of the desktop. */
class OrlaIcon
{
public:
    OrlaIcon() = delete;

    /**
     * @p icon with the theme icon named by the pair's second member drawn
     * over the pair's corner, at every size. When the theme lacks the emblem
     * the icon comes back as it is.
     */
    static QIcon withEmblems(const QIcon &icon, const QPair<Qt::Corner, QString> &emblem);
};

#endif
