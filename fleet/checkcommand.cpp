/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "checkcommand.h"

#include "exitstatus.h"
#include "kiosktreereader.h"

#include "failures/detailsexception.h"

#include <QTextStream>

int CheckCommand::run(const QString &treeDir, Format format, KioskCheck::Accounts accounts, QTextStream &out, QTextStream &err)
{
    KioskBundle configuration;
    try {
        configuration = (treeDir.isEmpty() ? KioskTreeReader() : KioskTreeReader(treeDir)).read();
    } catch (const DetailsException &e) {
        err << e.fullDetails() << Qt::endl;
        return ExitStatus::Errors;
    }
    const KioskCheck check(configuration, accounts);
    if (format == Format::Json) {
        out << check.json();
    } else {
        out << check.text() << Qt::endl;
    }
    return check.hasErrors() ? ExitStatus::Errors : check.hasWarnings() ? ExitStatus::Warnings : ExitStatus::Clean;
}
