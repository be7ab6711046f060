/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PROTOCOL_HELPERACTION_H
#define ORLA_PROTOCOL_HELPERACTION_H

#include "orlacommon_export.h"
#include "protocol/helperconstants.h"

#include <KAuth/Action>

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
}

#endif
