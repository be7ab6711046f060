/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_KAUTHJOB_H
#define ORLA_KAUTHJOB_H

#include "orlacommon_export.h"

#include <QString>

namespace KAuth
{
class ExecuteJob;
}

namespace Utils
{
/**
 * Runs a privileged action job to its end in a nested event loop.
 *
 * Returns true on success and false when the authorisation was refused (the
 * administrator has been told by the authorisation dialog already). Any other
 * failure, an error reply of the helper included, throws KAuthException with
 * the job's error code and text. Codes outside KAuth::ActionReply::Error (the
 * helper's own error replies carry -1) come as KAuth::ActionReply::BackendError.
 *
 * The wait is bounded by kauthJobWatchdog() of the action's time-out: a helper
 * that never answers ends the wait with a KAuthException
 * (KAuth::ActionReply::DBusError) and a stop request to the helper.
 *
 * The job is deleted afterwards if it deletes itself when done (the default).
 */
ORLACOMMON_EXPORT bool executeKAuthJob(KAuth::ExecuteJob *job);

/** As above, with the wait bounded by watchdogMs milliseconds instead. */
ORLACOMMON_EXPORT bool executeKAuthJob(KAuth::ExecuteJob *job, int watchdogMs);

/**
 * As above, with the wait ended when the helper has said nothing, neither
 * its reply nor a progress step, for quietMs milliseconds: a long action that
 * reports progress runs to its end, a stuck helper is given up on soon.
 *
 * The silence only counts from the helper's first word: the first progress
 * step of our helper's actions says that the authorisation is over and the
 * action's own work has begun. Until then the administrator may still be at
 * the password prompt, and the wait is bounded as in executeKAuthJob(), by
 * the action's time-out.
 */
ORLACOMMON_EXPORT bool executeKAuthJobWhileAlive(KAuth::ExecuteJob *job, int quietMs);

/**
 * Starts a job whose action goes on running in the helper after it has
 * reported, with progress data holding @p progressKey true, that its work
 * runs. Returns true as soon as that report comes and leaves the job running;
 * it deletes itself when it finishes some day, if it deletes itself when done.
 *
 * A job that finishes without that report (a refusal, an error reply, a
 * helper that never answers) ends as in executeKAuthJob(), with the same
 * result or exception.
 */
ORLACOMMON_EXPORT bool startKAuthJob(KAuth::ExecuteJob *job, const QString &progressKey);

/**
 * Stops the helper's running action of the same id as @p job, one that
 * startKAuthJob() left running, here or in another process, and waits for
 * its reply, which the job's data then hold. Results and exceptions as in
 * executeKAuthJob(); the job is not deleted.
 *
 * The job is started and then killed, which makes KAuth ask the helper to
 * stop. Started, it makes this process hear the helper's reply (KAuth hands
 * it to every job of that action waiting here), and the helper, busy with
 * the running action, answers the job itself only as busy, which KAuth's
 * client drops. A helper running no such action any more begins one for the
 * job and stops it at once.
 */
ORLACOMMON_EXPORT bool stopKAuthAction(KAuth::ExecuteJob *job);

/**
 * How long executeKAuthJob() waits for an action with the given time-out (ms;
 * zero or negative for KAuth's default): the time-out, or D-Bus's default
 * reply time-out, plus a margin for KAuth to report the time-out itself.
 */
ORLACOMMON_EXPORT int kauthJobWatchdog(int actionTimeout);
}

#endif
