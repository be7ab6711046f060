/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_READFILEEXCEPTION_H
#define ORLA_READFILEEXCEPTION_H

#include "failures/detailsexception.h"

class ORLACOMMON_EXPORT ReadFileException : public DetailsException
{
public:
    ReadFileException(const QString &path, const QString &details);

    QString path() const;
    QString fullDetails() const override;

private:
    QString m_path;
};

#endif
