/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_MODECOMMAND_H
#define ORLA_MODECOMMAND_H

#include <QCoreApplication>

class QTextStream;

/**
 * orla-kiosk mode on|off: switches kiosk mode now and after reboot together,
 * as the program's Enable and Disable do, through the helper's enable action;
 * nothing is sent when both already are as asked.
 */
class ModeCommand
{
    Q_DECLARE_TR_FUNCTIONS(ModeCommand)

public:
    static int run(bool on, QTextStream &out, QTextStream &err);
};

#endif
