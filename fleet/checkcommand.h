/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_CHECKCOMMAND_H
#define ORLA_CHECKCOMMAND_H

#include "kioskcheck.h"

#include <QString>

class QTextStream;

/**
 * orla-kiosk check: the statuses of a kiosk tree, read offline, graded in
 * the exit status: clean, warnings only, errors.
 */
class CheckCommand
{
public:
    enum class Format { Text, Json };
    /** An empty @p treeDir is the system's tree. */
    static int run(const QString &treeDir, Format format, KioskCheck::Accounts accounts, QTextStream &out, QTextStream &err);
};

#endif
