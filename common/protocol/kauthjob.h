#ifndef ORLA_KAUTHJOB_H
#define ORLA_KAUTHJOB_H

#include "orlacommon_export.h"

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
 */
ORLACOMMON_EXPORT bool executeKAuthJobWhileAlive(KAuth::ExecuteJob *job, int quietMs);

/**
 * How long executeKAuthJob() waits for an action with the given time-out (ms;
 * zero or negative for KAuth's default): the time-out, or D-Bus's default
 * reply time-out, plus a margin for KAuth to report the time-out itself.
 */
ORLACOMMON_EXPORT int kauthJobWatchdog(int actionTimeout);
}

#endif
