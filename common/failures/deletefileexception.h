/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_DELETEFILEEXCEPTION_H
#define ORLA_DELETEFILEEXCEPTION_H

#include "failures/readfileexception.h"

class ORLACOMMON_EXPORT DeleteFileException : public ReadFileException
{
public:
    DeleteFileException(const QString &path, const QString &details);

    QString fullDetails() const override;
};

#endif
