/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ACCOUNTCOMMAND_H
#define ORLA_ACCOUNTCOMMAND_H

#include <QByteArray>
#include <QString>
#include <QStringList>

/**
 * Commands the bus tests run as root or as a test account, the way a user
 * at a login prompt would: through `su -`, with a login's environment and
 * the account's own session.
 */
namespace AccountCommand
{
struct Run {
    /** -1 when the command did not finish within two minutes or crashed. */
    int code = -1;
    /** Standard output and error together. */
    QString output;
};

Run run(const QString &program, const QStringList &arguments, const QByteArray &input = {});
/** @p command run by a login shell of @p account. */
Run su(const QString &account, const QString &command);
/** Whether the command failed for want of permission, not for any other reason. */
bool denied(const Run &result);
}

#endif
