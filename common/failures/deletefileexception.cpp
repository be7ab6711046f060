/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "failures/deletefileexception.h"

#include <QCoreApplication>

DeleteFileException::DeleteFileException(const QString &path, const QString &details)
    : ReadFileException(path, details)
{
}

QString DeleteFileException::fullDetails() const
{
    return QCoreApplication::translate("DeleteFileException", "Can not delete file '%1': %2").arg(path(), details());
}
