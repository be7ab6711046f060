/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "failures/processexception.h"

#include <QCoreApplication>

ProcessException::ProcessException(const QString &command, const QProcess::ExitStatus &exitStatus, int exitCode, const QString &details)
    : DetailsException(details)
    , m_command(command)
    , m_exitStatus(exitStatus)
    , m_exitCode(exitCode)
{
}

QString ProcessException::command() const
{
    return m_command;
}

QProcess::ExitStatus ProcessException::exitStatus() const
{
    return m_exitStatus;
}

int ProcessException::exitCode() const
{
    return m_exitCode;
}

QString ProcessException::fullDetails() const
{
    QString text = QStringLiteral("%1 '%2'").arg(QCoreApplication::translate("ProcessException", "Process"), m_command);
    // A process that has not ended yet reports the normal status too, so only a crash says "not complited".
    if (m_exitStatus == QProcess::CrashExit) {
        text += QStringLiteral(" %1.").arg(QCoreApplication::translate("ProcessException", "not complited"));
    } else {
        text += QStringLiteral(" %1.").arg(QCoreApplication::translate("ProcessException", "complited with exit code %1").arg(m_exitCode));
    }
    text += QStringLiteral(" %1").arg(details());
    return text;
}
