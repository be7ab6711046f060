/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_MOUNTTABLE_H
#define ORLA_MOUNTTABLE_H

#include <QByteArray>
#include <QVector>

/** One line of /proc/self/mountinfo. */
struct Mount {
    quint64 id = 0;
    QByteArray root; // the part of the filesystem mounted there
    QByteArray mountPoint;
    QByteArray type;
};

namespace MountTable
{
/** The mounts of this process's mount namespace, in mount order. */
QVector<Mount> mounts();

/**
 * Whether a kiosk user's file accesses can land on @p mount: false for
 * kernel interfaces (proc, sysfs, cgroups, debugfs and the like) and for
 * anything mounted below /proc or /sys, and for devtmpfs (see README.md).
 */
bool holdsUserFiles(const Mount &mount);
}

#endif
