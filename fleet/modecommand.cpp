/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "modecommand.h"

#include "exitstatus.h"

#include "failures/detailsexception.h"
#include "protocol/enableactionsmap.h"
#include "protocol/helperaction.h"
#include "protocol/helperconstants.h"
#include "store/systemkiosk.h"

#include <QTextStream>

int ModeCommand::run(bool on, QTextStream &out, QTextStream &err)
{
    const QString state = on ? tr("on") : tr("off");
    try {
        const SystemKiosk kiosk;
        if (kiosk.enforce() == on && kiosk.autoEnforce() == on) {
            out << tr("Nothing to change: kiosk mode is %1 now and after reboot.").arg(state) << Qt::endl;
            return ExitStatus::Unchanged;
        }
        EnableActionsMap map(HelperActionsMap::programLocale());
        map.enableEnforce(on);
        map.enableAutoEnforce(on);
        QVariantMap reply;
        if (!Utils::runHelperAction(HelperConstants::enableActionId, map, &reply)) {
            err << tr("Switching was not authorised. Nothing has been changed.") << Qt::endl;
            return ExitStatus::Failure;
        }
        // Kiosk users' processes that still run unconfined, by name.
        const QStringList warnings = HelperActionsMap::warningsFromReply(reply);
        for (const QString &warning : warnings) {
            err << tr("warning: %1").arg(warning) << Qt::endl;
        }
    } catch (const DetailsException &e) {
        err << e.fullDetails() << Qt::endl;
        return ExitStatus::Failure;
    }
    out << tr("Kiosk mode is %1 now and after reboot.").arg(state) << Qt::endl;
    return ExitStatus::Changed;
}
