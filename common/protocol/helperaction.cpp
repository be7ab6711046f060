/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "protocol/helperaction.h"

#include "protocol/helperactionsmap.h"

KAuth::Action Utils::helperAction(const QString &actionId, const HelperActionsMap &arguments, QWidget *parent, int timeoutMs, const QString &helperId)
{
    KAuth::Action action(actionId);
    action.setHelperId(helperId);
    action.setArguments(arguments);
    action.setTimeout(timeoutMs);
    action.setParentWidget(parent);
    return action;
}
