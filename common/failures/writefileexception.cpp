/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "failures/writefileexception.h"

#include <QCoreApplication>

WriteFileException::WriteFileException(const QString &path, const QString &details)
    : ReadFileException(path, details)
{
}

QString WriteFileException::fullDetails() const
{
    return QCoreApplication::translate("WriteFileException", "Can not write file '%1': %2").arg(path(), details());
}
