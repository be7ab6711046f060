/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "failures/createdirexception.h"

#include <QCoreApplication>

CreateDirException::CreateDirException(const QString &path, const QString &details)
    : ReadFileException(path, details)
{
}

QString CreateDirException::fullDetails() const
{
    return QCoreApplication::translate("CreateDirException", "Can not create dir '%1': %2").arg(path(), details());
}
