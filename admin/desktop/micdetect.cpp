/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "desktop/micdetect.h"

#include "protocol/helperaction.h"
#include "protocol/helperactionsmap.h"

#include <QDBusConnection>

bool MICDetect::isCurrentProcessHasMaxMIC()
{
    // Without a system bus the authorisation backend would only fail later,
    // possibly after waiting; nothing could be changed anyway.
    if (!QDBusConnection::systemBus().isConnected()) {
        return false;
    }
    // Only the authorisation is asked for; the action never runs.
    const KAuth::Action::AuthStatus status = Utils::helperAction(HelperConstants::updateActionId, HelperActionsMap(QVariantMap())).status();
    return status == KAuth::Action::AuthorizedStatus || status == KAuth::Action::AuthRequiredStatus;
}
