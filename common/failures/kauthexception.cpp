/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "failures/kauthexception.h"

KAuthException::KAuthException(KAuth::ActionReply::Error id, const QString &details)
    : DetailsException(details)
    , m_id(id)
{
}

KAuth::ActionReply::Error KAuthException::id() const
{
    return m_id;
}

// The helper already sends a finished sentence as its error description.
QString KAuthException::fullDetails() const
{
    return details();
}
