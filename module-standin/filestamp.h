/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_FILESTAMP_H
#define ORLA_FILESTAMP_H

#include <QString>

#include <sys/types.h>

/**
 * What a file is now, as far as lstat() tells without opening it: enough to
 * know that a file read before is still the same, at no cost in fanotify
 * events (a stat makes none; a read would wake every listener).
 * Only regular files count as existing; a link or a directory does not.
 */
struct FileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    qint64 mtimeNs = 0;

    static FileStamp of(const QString &path);

    bool operator==(const FileStamp &other) const;
    bool operator!=(const FileStamp &other) const
    {
        return !(*this == other);
    }
};

#endif
