/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PROTOCOL_HELPERACTION_H
#define ORLA_PROTOCOL_HELPERACTION_H

#include "orlacommon_export.h"
#include "protocol/helperconstants.h"

#include <KAuth/Action>

#include <QVariantMap>

class HelperActionsMap;
class QWidget;

namespace Utils
{
/**
 * One of the helper's actions, ready to execute: @p arguments, with the
 * locale they carry as the helper's LANG, go to the helper under
 * @p helperId, bounded by @p timeoutMs. The authorisation dialog, when
 * there is one, belongs to @p parent.
 */
ORLACOMMON_EXPORT KAuth::Action helperAction(const QString &actionId,
                                             const HelperActionsMap &arguments,
                                             QWidget *parent = nullptr,
                                             int timeoutMs = HelperConstants::actionTimeoutMs,
                                             const QString &helperId = HelperConstants::helperId);

/**
 * Runs helperAction(@p actionId, @p arguments, @p parent) to its end, as
 * long as the helper keeps reporting progress: a helper silent for
 * HelperConstants::helperSilenceLimitMs is given up on, while a long save
 * goes on. The time at the password prompt is not counted.
 *
 * True on success, false when the authorisation was refused. @p reply,
 * when given, receives the reply's data.
 * @throws KAuthException with the helper's sentence on any other failure
 */
ORLACOMMON_EXPORT bool runHelperAction(const QString &actionId, const HelperActionsMap &arguments, QVariantMap *reply = nullptr, QWidget *parent = nullptr);
}

#endif
