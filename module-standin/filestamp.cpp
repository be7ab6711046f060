/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "filestamp.h"

#include <QFile>

#include <sys/stat.h>

FileStamp FileStamp::of(const QString &path)
{
    FileStamp stamp;
    struct stat info {
    };
    if (lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode)) {
        stamp.exists = true;
        stamp.dev = info.st_dev;
        stamp.ino = info.st_ino;
        stamp.size = info.st_size;
        stamp.mtimeNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    }
    return stamp;
}

bool FileStamp::operator==(const FileStamp &other) const
{
    return exists == other.exists && dev == other.dev && ino == other.ino && size == other.size && mtimeNs == other.mtimeNs;
}
