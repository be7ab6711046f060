/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_FILEUTILS_H
#define ORLA_FILEUTILS_H

#include "orlacommon_export.h"

#include <QFileInfoList>
#include <QString>
#include <QStringList>

/**
 * Directory listings and structural file changes used throughout the library.
 *
 * Failures are thrown as members of the DetailsException family, so callers
 * never test return codes.
 */
namespace Utils
{
/**
 * The regular files directly inside @p path, sorted by name ignoring case.
 * Symbolic links, hidden files, subdirectories and special files are left out;
 * a missing or unreadable directory gives an empty list.
 */
ORLACOMMON_EXPORT QFileInfoList dirFiles(const QString &path);

/**
 * Paths of every file in the tree below @p path, in the file system's order.
 * Hidden files and directories are skipped; links to files are included,
 * links to directories are not followed.
 */
ORLACOMMON_EXPORT QStringList directoryFiles(const QString &path);

/**
 * Creates @p path with every missing parent; an existing directory is left alone.
 * @throws CreateDirException
 */
ORLACOMMON_EXPORT void createDirectory(const QString &path);

/**
 * @p compiledPath, one of the build's fixed paths, as it lies below @p root
 * instead of the build's system root; the path itself, cleaned, when @p root
 * is empty.
 */
ORLACOMMON_EXPORT QString pathBelowRoot(const QString &root, const char *compiledPath);

/**
 * Moves @p from to @p to in one system call, replacing an existing target and
 * creating the target's directory first when it is missing.
 * @throws CreateDirException, RenameFileException
 */
ORLACOMMON_EXPORT void renameFile(const QString &from, const QString &to);

/**
 * The whole content of the file at @p path; a file that cannot be read to
 * its end fails, never passes for a shorter one.
 * @throws ReadFileException
 */
ORLACOMMON_EXPORT QByteArray readFile(const QString &path);

/**
 * Removes the file at @p path; nothing there is not an error.
 * @throws DeleteFileException
 */
ORLACOMMON_EXPORT void deleteFile(const QString &path);
}

#endif
