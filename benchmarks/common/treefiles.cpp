/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "treefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool TreeFiles::write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

qint64 TreeFiles::readAll(const QStringList &dirs)
{
    qint64 bytes = 0;
    for (const QString &dir : dirs) {
        const QFileInfoList files = QDir(dir).entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot);
        for (const QFileInfo &info : files) {
            QFile file(info.absoluteFilePath());
            if (file.open(QIODevice::ReadOnly)) {
                bytes += file.readAll().size();
            }
        }
    }
    return bytes;
}

QStringList TreeFiles::readEveryFile(const QString &dir, const QStringList &tests)
{
    return QStringList{QStringLiteral("find"), dir} + tests
        + QStringList{QStringLiteral("-exec"), QStringLiteral("cat"), QStringLiteral("{}"), QStringLiteral("+")};
}
