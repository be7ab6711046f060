/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "failures/userexception.h"

UserException::UserException(const QString &username, const QString &details)
    : DetailsException(details)
    , m_username(username)
{
}

QString UserException::username() const
{
    return m_username;
}

QString UserException::fullDetails() const
{
    return QStringLiteral("%1: %2").arg(m_username, details());
}
