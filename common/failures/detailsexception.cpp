/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "failures/detailsexception.h"

DetailsException::DetailsException(const QString &details)
    : m_details(details)
{
}

DetailsException::~DetailsException() = default;

QString DetailsException::details() const
{
    return m_details;
}
