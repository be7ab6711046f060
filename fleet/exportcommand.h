/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_EXPORTCOMMAND_H
#define ORLA_EXPORTCOMMAND_H

#include <QCoreApplication>
#include <QString>

class QTextStream;

/** orla-kiosk export: the kiosk tree and the switches after reboot as one bundle file. */
class ExportCommand
{
    Q_DECLARE_TR_FUNCTIONS(ExportCommand)

public:
    /** An empty @p treeDir is the system's tree. */
    static int run(const QString &file, const QString &treeDir, QTextStream &out, QTextStream &err);
};

#endif
