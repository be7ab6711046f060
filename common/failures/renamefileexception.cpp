/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "failures/renamefileexception.h"

#include <QCoreApplication>

RenameFileException::RenameFileException(const QString &path, const QString &newPath, const QString &details)
    : ReadFileException(path, details)
    , m_newPath(newPath)
{
}

QString RenameFileException::newPath() const
{
    return m_newPath;
}

QString RenameFileException::fullDetails() const
{
    return QCoreApplication::translate("RenameFileException", "Can not rename file '%1' to '%2': %3").arg(path(), newPath(), details());
}
