/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_SCRATCHKIOSKTREE_H
#define ORLA_SCRATCHKIOSKTREE_H

#include "layeredtree.h"

#include <QString>
#include <QStringList>

class BenchmarkOptions;

/**
 * A generated kiosk tree below the scratch root of the build
 * (ORLA_SYSTEM_ROOT), where the program and orla-kiosk read: the layers of a
 * LayeredTree as system profiles, kiosk users each including a few of the
 * top layer, and the module's switches. A build against the real system has
 * no scratch root; the benchmarks that need one refuse to run there, so they
 * never touch a real kiosk tree.
 */
class ScratchKioskTree
{
public:
    struct Layout {
        LayeredTree::Size size;
        /** Every tenth is disabled. */
        int users = 2000;
        /** Rules of each system profile, each on a file of its own. */
        int rules = 8;
        quint32 seed = 0;
        /**
         * A few profiles of the bottom layer also include a profile that
         * does not exist, so errors reach far up.
         */
        bool missingIncludes = true;
        /** Kiosk mode now; after a reboot it is on either way. */
        bool enforcing = false;
        /** A comment that ends every system profile; none when empty. */
        QString closingComment;

        /** Offers --users and the size of the layers on the command line. */
        void addOptions(BenchmarkOptions &options);
    };

    ScratchKioskTree() = delete;

    /**
     * False, with the reason on standard error, for a build against the real
     * system: the benchmark then ends without touching anything.
     */
    static bool isScratchBuild();
    static QString root();

    /**
     * The program's integrity check asks the authorisation service over the
     * system bus; on a machine without one, a reload must not wait for it,
     * so the bus is looked for at an address where none can be.
     */
    static void withoutSystemBus();

    /**
     * Replaces the kiosk tree and the switches with those of @p layout, for
     * the kiosk users kiosk00000, kiosk00001 and so on. The same seed gives
     * the same tree. False when a file cannot be written.
     */
    static bool write(const Layout &layout);
    /** The same for @p users, such as accounts the machine has. */
    static bool write(const Layout &layout, const QStringList &users);

    /**
     * Removes the kiosk tree and the switches; the rest of the scratch root
     * (the module's tools the build puts there) stays.
     */
    static void remove();

    /** The directories of system, user and disabled profiles. */
    static QStringList profileDirs();

    /**
     * The arguments of setpriv that run @p command as the system's "nobody",
     * the account the benchmarks that need root make a kiosk user for a run.
     */
    static QStringList asKioskAccount(const QStringList &command);
};

#endif
