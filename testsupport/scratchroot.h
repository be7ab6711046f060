/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_SCRATCHROOT_H
#define ORLA_SCRATCHROOT_H

#include <QString>

/**
 * The directory that stands in for / in a test build: the kiosk tree and the
 * module switches of such a build live below it.
 *
 * Tests that touch the kiosk tree skip themselves unless isScratchBuild(),
 * so a build against the real system never has its /etc/tavrix changed by a
 * test. Nothing here touches anything outside the scratch root; KioskTree
 * lays out the kiosk tree below it.
 */
class ScratchRoot
{
public:
    ScratchRoot() = delete;

    /**
     * True when the build moved the system's fixed paths below a scratch
     * directory; otherwise false, with the reason and the cure in @p why.
     */
    static bool isScratchBuild(QString *why = nullptr);

    /**
     * isScratchBuild(), and the password file the build reads lies below the
     * scratch root as well, so that a test may write and remove it.
     */
    static bool ownsPasswdFile(QString *why = nullptr);

    /** The scratch directory; empty for a build against the real system. */
    static QString root();

    /**
     * Wipes the scratch directory (all but usr/, where the build puts the
     * module's tools) and creates it again. A password file that is a link
     * (the test bus's view of its accounts) is linked again.
     */
    static void reset();

    /** True when @p path lies strictly below the scratch root. */
    static bool contains(const QString &path);
};

#endif
