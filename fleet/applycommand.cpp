/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "applycommand.h"

#include "bundlereader.h"
#include "bundleupdate.h"
#include "exitstatus.h"
#include "kioskcheck.h"
#include "kiosktreereader.h"

#include "failures/detailsexception.h"
#include "protocol/helperaction.h"
#include "protocol/helperconstants.h"

#include <QTextStream>

#include <optional>

int ApplyCommand::run(const QString &file, Mode mode, QTextStream &out, QTextStream &err)
{
    std::optional<BundleUpdate> update;
    try {
        const KioskBundle wanted = BundleReader::readFile(file);
        // What the program would not let an administrator save unasked is
        // not rolled out to a fleet either.
        const KioskCheck check(wanted, KioskCheck::Accounts::Check);
        if (check.hasErrors()) {
            err << tr("The configuration in %1 has errors on this machine:").arg(file) << '\n'
                << check.errorLines().join(QLatin1Char('\n')) << '\n'
                << tr("Nothing has been changed.") << Qt::endl;
            return ExitStatus::Failure;
        }
        update.emplace(KioskTreeReader().read(), wanted);
    } catch (const DetailsException &e) {
        err << e.fullDetails() << ' ' << tr("Nothing has been changed.") << Qt::endl;
        return ExitStatus::Failure;
    }
    if (update->isEmpty()) {
        out << tr("Nothing to change: the kiosk configuration is already the one in %1.").arg(file) << Qt::endl;
        return ExitStatus::Unchanged;
    }
    if (mode == Mode::DryRun) {
        out << update->preview() << Qt::endl;
        return ExitStatus::Changed;
    }

    if (update->changesProfiles()) {
        try {
            if (!Utils::runHelperAction(HelperConstants::updateActionId, update->updateMap())) {
                err << tr("The update was not authorised. Nothing has been changed.") << Qt::endl;
                return ExitStatus::Failure;
            }
        } catch (const DetailsException &e) {
            // The helper's own sentence says whether anything has changed.
            err << e.fullDetails() << Qt::endl;
            return ExitStatus::Failure;
        }
    }
    if (update->changesSwitches()) {
        const QString before =
            update->changesProfiles() ? tr("The profiles have been applied, but the switches after reboot have not been changed: ") : QString();
        try {
            if (!Utils::runHelperAction(HelperConstants::enableActionId, update->enableMap())) {
                err << before << tr("Switching was not authorised.") << Qt::endl;
                return ExitStatus::Failure;
            }
        } catch (const DetailsException &e) {
            err << before << e.fullDetails() << Qt::endl;
            return ExitStatus::Failure;
        }
    }
    out << update->preview() << Qt::endl;
    return ExitStatus::Changed;
}
