/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_TREEFILES_H
#define ORLA_TREEFILES_H

#include <QByteArray>
#include <QString>
#include <QStringList>

/** Writing a generated tree to disk, and the baseline of reading it back. */
class TreeFiles
{
public:
    TreeFiles() = delete;

    /** Replaces @p path whole, creating missing directories; false when it cannot. */
    static bool write(const QString &path, const QByteArray &bytes);

    /**
     * Reads every regular file directly in @p dirs and returns how many bytes
     * it read: the floor under any reading of a profile tree.
     */
    static qint64 readAll(const QStringList &dirs);

    /** The command that reads every file below @p dir that find's @p tests pick. */
    static QStringList readEveryFile(const QString &dir, const QStringList &tests);
};

#endif
