/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_RENAMEFILEEXCEPTION_H
#define ORLA_RENAMEFILEEXCEPTION_H

#include "failures/readfileexception.h"

class ORLACOMMON_EXPORT RenameFileException : public ReadFileException
{
public:
    RenameFileException(const QString &path, const QString &newPath, const QString &details);

    QString newPath() const;
    QString fullDetails() const override;

private:
    QString m_newPath;
};

#endif
