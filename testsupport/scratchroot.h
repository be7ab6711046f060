/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_SCRATCHROOT_H
#define ORLA_SCRATCHROOT_H

#include <QByteArray>
#include <QString>

/**
 * The directory that stands in for / in a test build: the kiosk tree and the
 * module switches of such a build live below it.
 *
 * Tests that touch the kiosk tree skip themselves unless isScratchBuild(),
 * so a build against the real system never has its /etc/tavrix changed by a
 * test. Every helper does nothing outside the scratch root.
 */
class ScratchRoot
{
public:
    ScratchRoot() = delete;

    /** True when the build moved the system's fixed paths below a scratch directory. */
    static bool isScratchBuild();

    /** The scratch directory; empty for a build against the real system. */
    static QString root();

    /**
     * Wipes the scratch directory (all but usr/, where the build puts the
     * module's tools) and creates it again. A password file that is a link
     * (the test bus's view of its accounts) is linked again.
     */
    static void reset();

    /**
     * Writes @p content to @p path, creating missing directories. Refuses
     * (returns false) any path that is not below the scratch root, and a link
     * that leads out of it.
     */
    static bool writeFile(const QString &path, const QByteArray &content);

    /** True when @p path lies strictly below the scratch root. */
    static bool contains(const QString &path);
};

#endif
