/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_WRITEFILEEXCEPTION_H
#define ORLA_WRITEFILEEXCEPTION_H

#include "failures/readfileexception.h"

class ORLACOMMON_EXPORT WriteFileException : public ReadFileException
{
public:
    WriteFileException(const QString &path, const QString &details);

    QString fullDetails() const override;
};

#endif
