/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "protocol/helperaction.h"

#include "protocol/helperactionsmap.h"
#include "protocol/kauthjob.h"

#include <KAuth/ExecuteJob>

#include <memory>

KAuth::Action Utils::helperAction(const QString &actionId, const HelperActionsMap &arguments, QWidget *parent, int timeoutMs, const QString &helperId)
{
    KAuth::Action action(actionId);
    action.setHelperId(helperId);
    action.setArguments(arguments);
    action.setTimeout(timeoutMs);
    action.setParentWidget(parent);
    return action;
}

bool Utils::runHelperAction(const QString &actionId, const HelperActionsMap &arguments, QVariantMap *reply, QWidget *parent)
{
    KAuth::ExecuteJob *job = helperAction(actionId, arguments, parent).execute();
    if (reply) {
        job->setAutoDelete(false);
    }
    // Later, not at once: a wait given up on may leave the job still running.
    const auto release = [](KAuth::ExecuteJob *job) {
        job->deleteLater();
    };
    const std::unique_ptr<KAuth::ExecuteJob, decltype(release)> owned(reply ? job : nullptr, release);
    const bool done = executeKAuthJobWhileAlive(job, HelperConstants::helperSilenceLimitMs);
    if (reply) {
        *reply = job->data();
    }
    return done;
}
