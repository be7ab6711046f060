/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "failures/readfileexception.h"

#include <QCoreApplication>

ReadFileException::ReadFileException(const QString &path, const QString &details)
    : DetailsException(details)
    , m_path(path)
{
}

QString ReadFileException::path() const
{
    return m_path;
}

QString ReadFileException::fullDetails() const
{
    return QCoreApplication::translate("ReadFileException", "Can not read file '%1': %2").arg(path(), details());
}
