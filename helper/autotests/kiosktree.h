/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KIOSKTREE_H
#define ORLA_KIOSKTREE_H

#include "scratchroot.h"
#include "systempaths.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QString>
#include <QVariantMap>

/** The scratch kiosk tree of a test build, as the helper's tests look at it. */
namespace KioskTree
{
/** Relative path below the scratch root to content (the build's tools under usr/ aside); directories read as "<dir>". */
using Snapshot = QMap<QString, QByteArray>;

inline QString systemProfile(const QString &name)
{
    return QString::fromUtf8(SystemPaths::systemProfilesDir) + QLatin1Char('/') + name;
}

inline QString userProfile(const QString &name)
{
    return QString::fromUtf8(SystemPaths::userProfilesDir) + QLatin1Char('/') + name;
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline Snapshot snapshot()
{
    const QString root = ScratchRoot::root();
    Snapshot tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        // The module's tools the build puts below the root are not kiosk
        // data, nor is the helper's own state (its journal, the earlier
        // configurations) and the folders that lead to it.
        const QString stateDir = QString::fromUtf8(SystemPaths::helperStateDir);
        if (path.mid(root.size()).startsWith(QLatin1String("/usr")) || path.startsWith(stateDir) || stateDir.startsWith(path + QLatin1Char('/'))) {
            continue;
        }
        tree.insert(path.mid(root.size()), it.fileInfo().isDir() ? QByteArray("<dir>") : readFile(path));
    }
    return tree;
}

/** An empty tree with both profile directories. */
inline void reset()
{
    if (!ScratchRoot::isScratchBuild()) {
        return;
    }
    ScratchRoot::reset();
    QDir().mkpath(QString::fromUtf8(SystemPaths::systemProfilesDir));
    QDir().mkpath(QString::fromUtf8(SystemPaths::userProfilesDir));
}

/** A string map the way it travels in an argument map. */
inline QVariantMap stringMap(const QMap<QString, QString> &map)
{
    QVariantMap variants;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        variants.insert(it.key(), it.value());
    }
    return variants;
}
}

#endif
