/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_UNCONFINEDPROCESSES_H
#define ORLA_UNCONFINEDPROCESSES_H

#include "orlacommon_export.h"

#include <QSet>
#include <QStringList>

#include <sys/types.h>

/**
 * Processes of kiosk users that run unconfined while confinement is on:
 * left from trace mode, or started before enforcing went on. Each of them
 * could serve a confined session of its account whatever it asks for (over
 * a unix socket, a pipe, a session bus), so they are ended when enforcing
 * goes on.
 *
 * A confined session is told by what its account cannot copy: the
 * confinement empties the capability bounding set of the session's first
 * process while it is still root (no kiosk account can drop a capability
 * from its bounding set in the first user namespace), together with
 * no_new_privs and its seccomp filter. TAVRIX_SESSION in the environment is
 * the account's to change and counts for nothing. A session the account
 * confined itself (the X session start-up runs as the user) has no such
 * mark and is ended too; so is a process of a confined session that runs
 * in a user namespace of its own, where the bounding set starts full again.
 */
class ORLACOMMON_EXPORT UnconfinedProcesses
{
public:
    UnconfinedProcesses() = delete;

    /** The processes whose real or effective uid is one of @p uids and that are not confined. */
    static QList<pid_t> of(const QSet<uid_t> &uids);

    /**
     * Ends (SIGKILL) every process of @p uids that is not confined, again
     * while new ones appear, and returns those that remain, one text each
     * ("1234 (name) of account"); empty when none does.
     */
    static QStringList end(const QSet<uid_t> &uids);

    /**
     * end() for every enabled kiosk user's account, where enforce mode is
     * the module stand-in's (its confinement program is installed); a
     * machine with the module itself confines every process of a kiosk
     * user at once. Returns the warning to show when any remain.
     */
    static QStringList endOfKioskUsers();
};

#endif
