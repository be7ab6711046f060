/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_TESTFILES_H
#define ORLA_TESTFILES_H

#include <QByteArray>
#include <QString>

/**
 * Reading and writing the files a test lays out or checks, anywhere (a
 * temporary directory, the scratch root). KioskTree adds the scratch root's
 * guard on top.
 */
namespace TestFiles
{
/**
 * The bytes of @p path, or "<missing>" when it cannot be read: a file that is
 * not there never compares equal to an empty one.
 */
QByteArray read(const QString &path);

/**
 * Replaces @p path whole with @p content, creating missing directories.
 * Throws std::runtime_error naming the path when it cannot: a test whose
 * fixture is not on disk must not go on as if it were.
 */
void write(const QString &path, const QByteArray &content = QByteArray());
}

#endif
