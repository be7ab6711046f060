/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "accountcommand.h"

#include <QProcess>

namespace AccountCommand
{
Run run(const QString &program, const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    Run result;
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit) {
        result.code = process.exitCode();
    }
    result.output = QString::fromUtf8(process.readAll());
    return result;
}

Run su(const QString &account, const QString &command)
{
    return run(QStringLiteral("su"), {QStringLiteral("-"), account, QStringLiteral("-c"), command});
}

bool denied(const Run &result)
{
    return result.code != 0 && result.output.contains(QLatin1String("Permission denied"));
}
}
