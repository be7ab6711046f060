/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PROCESSEXCEPTION_H
#define ORLA_PROCESSEXCEPTION_H

#include "failures/detailsexception.h"

#include <QProcess>

class ORLACOMMON_EXPORT ProcessException : public DetailsException
{
public:
    ProcessException(const QString &command, const QProcess::ExitStatus &exitStatus, int exitCode, const QString &details);

    QString command() const;
    QProcess::ExitStatus exitStatus() const;
    int exitCode() const;
    QString fullDetails() const override;

private:
    QString m_command;
    QProcess::ExitStatus m_exitStatus;
    int m_exitCode;
};

#endif
