/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_USEREXCEPTION_H
#define ORLA_USEREXCEPTION_H

#include "failures/detailsexception.h"

class ORLACOMMON_EXPORT UserException : public DetailsException
{
public:
    UserException(const QString &username, const QString &details);

    QString username() const;
    QString fullDetails() const override;

private:
    QString m_username;
};

#endif
