/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_INCLUDESHAPES_H
#define ORLA_INCLUDESHAPES_H

#include "profile/profilefile.h"

#include <QList>
#include <QSet>

/**
 * Include graphs in memory whose shape, not size, makes include questions
 * hard: a search that walks every path, or recurses once per link, shows
 * there and nowhere else.
 */
class IncludeShapes
{
public:
    IncludeShapes() = delete;

    /**
     * @p levels diamonds stacked on one another: X0 includes Y0a and Y0b,
     * both include X1, and so on; the last X includes @p bottom, which no
     * profile is. Every path through them is a separate include chain,
     * 2^levels of them.
     */
    static QList<ProfileFile> diamonds(int levels, const QString &bottom);
    /** Every middle profile (Y) also includes the top one: every profile but the last X is on a cycle. */
    static void closeDiamonds(QList<ProfileFile> &profiles);
    /** P0 includes P1 and so on to P(length-1); @p closed: which includes P0 again. */
    static QList<ProfileFile> chain(int length, bool closed);

    static QSet<const ProfileFile *> files(const QList<ProfileFile> &profiles);

    /**
     * The baseline: one plain walk over every include of @p profiles, each
     * profile entered once, no chains kept. Returns how many it entered.
     */
    static int walk(const QList<ProfileFile> &profiles);
};

#endif
