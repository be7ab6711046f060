/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_STATUSCOMMAND_H
#define ORLA_STATUSCOMMAND_H

#include <QCoreApplication>

class QTextStream;

/**
 * orla-kiosk status: kiosk mode now and after reboot, and whether the global
 * rule recording runs (the module complains rather than enforces).
 */
class StatusCommand
{
    Q_DECLARE_TR_FUNCTIONS(StatusCommand)

public:
    enum class Format { Text, Json };
    static int run(Format format, QTextStream &out, QTextStream &err);
};

#endif
