/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_CREATEDIREXCEPTION_H
#define ORLA_CREATEDIREXCEPTION_H

#include "failures/readfileexception.h"

class ORLACOMMON_EXPORT CreateDirException : public ReadFileException
{
public:
    CreateDirException(const QString &path, const QString &details);

    QString fullDetails() const override;
};

#endif
