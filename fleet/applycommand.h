/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_APPLYCOMMAND_H
#define ORLA_APPLYCOMMAND_H

#include <QCoreApplication>
#include <QString>

class QTextStream;

/**
 * orla-kiosk apply: makes this machine's kiosk configuration the bundle's.
 *
 * The bundle is checked whole first (its manifest, names and checksums, and
 * the statuses its configuration has on this machine: errors refuse it);
 * then what differs
 * from the tree goes to the helper as one update, all or nothing and kept
 * as an earlier configuration like a save from the program, and the
 * switches after reboot that differ through the enable action. Nothing is
 * sent when nothing differs.
 */
class ApplyCommand
{
    Q_DECLARE_TR_FUNCTIONS(ApplyCommand)

public:
    enum class Mode { Apply, DryRun };
    static int run(const QString &file, Mode mode, QTextStream &out, QTextStream &err);
};

#endif
