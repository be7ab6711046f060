/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "mounttable.h"

#include <QFile>
#include <QList>

namespace
{
// mountinfo writes blanks, tabs, line feeds and backslashes as \ooo.
QByteArray unescapeOctal(const QByteArray &field)
{
    QByteArray text;
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int value = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && value < 256) {
                text += char(value);
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}
}

QVector<Mount> MountTable::mounts()
{
    QVector<Mount> result;
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly)) {
        return result;
    }
    // id parent major:minor root mount-point options [optional...] - type source super-options
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const int separator = fields.indexOf("-");
        if (fields.size() < 5 || separator < 5 || separator + 1 >= fields.size()) {
            continue;
        }
        result.append(Mount{fields[0].toULongLong(), unescapeOctal(fields[3]), unescapeOctal(fields[4]), fields[separator + 1]});
    }
    return result;
}

bool MountTable::holdsUserFiles(const Mount &mount)
{
    static const QList<QByteArray> kernelInterfaces = {
        "proc",     "sysfs",   "cgroup",      "cgroup2", "devpts", "mqueue",   "debugfs",   "tracefs",   "securityfs", "bpf",      "pstore",
        "configfs", "fusectl", "binfmt_misc", "autofs",  "nsfs",   "efivarfs", "selinuxfs", "hugetlbfs", "rpc_pipefs", "devtmpfs",
    };
    if (kernelInterfaces.contains(mount.type)) {
        return false;
    }
    const QByteArray &point = mount.mountPoint;
    return !(point == "/proc" || point.startsWith("/proc/") || point == "/sys" || point.startsWith("/sys/"));
}
