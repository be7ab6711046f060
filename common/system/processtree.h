/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PROCESSTREE_H
#define ORLA_PROCESSTREE_H

#include "orlacommon_export.h"

#include <QList>
#include <QSet>

#include <sys/types.h>

/**
 * The machine's processes as /proc shows them, for ending whatever a command
 * left behind: its session, its orphans, every process of an account.
 *
 * Only pids are handed out; a process that ends between two calls simply
 * drops out of the next answer.
 */
class ORLACOMMON_EXPORT ProcessTree
{
public:
    ProcessTree() = delete;

    /** Every process there is, this one too. */
    static QList<pid_t> all();
    /** Processes whose parent is @p parent. */
    static QList<pid_t> children(pid_t parent);
    /** @p root's children, their children and so on (not @p root itself). */
    static QList<pid_t> descendants(pid_t root);
    /** Members of the session @p session. */
    static QList<pid_t> sessionMembers(pid_t session);
    /** Processes whose real uid is @p uid. */
    static QList<pid_t> ofRealUid(uid_t uid);
    /**
     * The real uid of @p pid, -1 when it is gone. Reads with plain system
     * calls and no allocation, so that a thread answering the kernel can
     * call it.
     */
    static qint64 realUid(pid_t pid);

    /**
     * Sends SIGTERM to every pid, waits up to @p graceMs for them to go and
     * sends SIGKILL to the rest. Those that are children of this process are
     * reaped, except the pids in @p notOurs, which belong to an owner that
     * reaps them itself (a QProcess).
     */
    static void end(const QList<pid_t> &pids, int graceMs = 2000, const QSet<pid_t> &notOurs = {});

    /**
     * Makes this process the reaper of orphans among its descendants, so that
     * daemons a command starts stay within reach of end().
     */
    static bool becomeSubreaper();
};

#endif
