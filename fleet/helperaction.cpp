/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "helperaction.h"

#include "protocol/helperconstants.h"
#include "protocol/kauthjob.h"

#include <KAuth/Action>
#include <KAuth/ExecuteJob>

bool HelperAction::execute(const QString &actionId, const QVariantMap &arguments)
{
    KAuth::Action action(actionId);
    action.setHelperId(HelperConstants::helperId);
    action.setArguments(arguments);
    action.setTimeout(HelperConstants::actionTimeoutMs);
    // A stuck helper says so by saying nothing; a long save keeps reporting progress.
    return Utils::executeKAuthJobWhileAlive(action.execute(), HelperConstants::helperSilenceLimitMs);
}
