/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_HELPERCONSTANTS_H
#define ORLA_HELPERCONSTANTS_H

#include "protocol/helperid.h"

#include <QLatin1String>
#include <QtGlobal>

#include <cstddef>

/**
 * The strings the program and the helper must agree on: the helper
 * identifier, the action ids and the keys of reply and progress data.
 * Compiled into the library, the program and the helper alike.
 */
namespace HelperConstants
{
namespace Detail
{
template<std::size_t N>
constexpr QLatin1String literal(const char (&text)[N])
{
    return QLatin1String(text, static_cast<int>(N - 1));
}
}

/** The helper's KAuth identifier; data() is the NUL-terminated form for KAuth::HelperSupport::helperMain. */
inline constexpr QLatin1String helperId = Detail::literal(ORLA_HELPER_ID);

inline constexpr QLatin1String updateActionId = Detail::literal(ORLA_HELPER_ID ".update");
inline constexpr QLatin1String enableActionId = Detail::literal(ORLA_HELPER_ID ".enable");
inline constexpr QLatin1String traceApplicationActionId = Detail::literal(ORLA_HELPER_ID ".traceapplication");
inline constexpr QLatin1String globalTraceActionId = Detail::literal(ORLA_HELPER_ID ".globaltrace");
inline constexpr QLatin1String snapshotsActionId = Detail::literal(ORLA_HELPER_ID ".snapshots");

/** Reply data of the recording actions: QStringList of warnings. */
inline constexpr QLatin1String warningsDataKey = Detail::literal("warningsDataKey");
/** Reserved: errors travel in the reply's error description, never under this key. */
inline constexpr QLatin1String errorsDataKey = Detail::literal("errorsDataKey");
/** Progress (true while global recording runs) and reply (false) of the global-trace action: bool. */
inline constexpr QLatin1String globalModeEnableKey = Detail::literal("globalModeEnableKey");
/** Reply of the global-trace action: QVariantMap of account name to recorded rules text. */
inline constexpr QLatin1String globalRecordDataKey = Detail::literal("globalRecordData");
/** Reply of the snapshots action: QVariantList of the earlier configurations kept (SnapshotsActionsMap). */
inline constexpr QLatin1String snapshotsDataKey = Detail::literal("snapshots");
/** Reply of the snapshots action asked for a preview: QVariantMap, the update that restoring would send. */
inline constexpr QLatin1String snapshotPreviewDataKey = Detail::literal("snapshotPreview");
/** Reply of the trace-application action: the recorded rules text. */
inline constexpr QLatin1String traceTextKey = Detail::literal("traceText");
/** Progress of the trace-application action: pid of the traced application, -1 once it has ended. */
inline constexpr QLatin1String traceApplicationPidKey = Detail::literal("TraceApplicationPid");

/**
 * The signal the helper sends on its path "/" with its identifier as the
 * interface once it has finished an action and is ready for the next one.
 */
inline constexpr QLatin1String helperReadySignal = Detail::literal("ready");

/**
 * How often, at the least, the helper reports progress while it works on an
 * update, so that the program can tell a slow helper from a stuck one.
 */
inline constexpr int heartbeatIntervalMs = 1000;
/**
 * How long the program waits on a helper that says nothing during an update
 * or enable, once the helper has said that the action runs (its first
 * progress step, sent as soon as the authorisation is over).
 */
inline constexpr int helperSilenceLimitMs = 60000;
/**
 * The time-out the program and orla-kiosk give an update, enable or
 * snapshots action, the authorisation included, and so how long the helper
 * lets an authorisation check of one of its actions run before it takes
 * itself for stuck and ends: nobody waits longer for it.
 */
inline constexpr int actionTimeoutMs = 600000;

/**
 * The most a reply or an action's arguments may weigh as one QDataStream
 * blob. The system bus refuses a message above 32 MiB and drops the
 * sender's connection, after which KAuth cannot start any further action in
 * that process; the rest of the message (ids, details, the D-Bus header)
 * stays well inside the margin.
 */
inline constexpr qint64 maxBusMessageBytes = 32 * 1024 * 1024 - 64 * 1024;

/**
 * Name of the subdirectory that holds disabled users' profiles. A disabled
 * user's profile name is this word, "/" and the account name.
 */
inline constexpr QLatin1String disabledPrefix = Detail::literal("disabled");
}

#endif
