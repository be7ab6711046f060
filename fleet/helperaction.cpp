/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "helperaction.h"

#include "protocol/helperaction.h"
#include "protocol/helperactionsmap.h"
#include "protocol/helperconstants.h"
#include "protocol/kauthjob.h"

#include <KAuth/ExecuteJob>

#include <memory>

bool HelperAction::execute(const QString &actionId, const QVariantMap &arguments, QVariantMap *reply)
{
    KAuth::ExecuteJob *job = Utils::helperAction(actionId, HelperActionsMap(arguments)).execute();
    if (reply) {
        job->setAutoDelete(false);
    }
    const std::unique_ptr<KAuth::ExecuteJob> owned(reply ? job : nullptr);
    // A stuck helper says so by saying nothing; a long save keeps reporting progress.
    const bool done = Utils::executeKAuthJobWhileAlive(job, HelperConstants::helperSilenceLimitMs);
    if (reply) {
        *reply = job->data();
    }
    return done;
}
