/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ORLAKIOSKPROCESS_H
#define ORLA_ORLAKIOSKPROCESS_H

#include <QProcess>
#include <QString>
#include <QStringList>

/**
 * orla-kiosk run as an administrator runs it, a process of its own (the
 * build's, at ORLA_KIOSK_PATH), and what it left behind.
 */
namespace OrlaKioskProcess
{
struct Run {
    /** The exit status; -1 when it crashed or did not end. */
    int status = -1;
    QString out;
    QString err;
};

/** In the language of @p locale (the administrator's LC_ALL) unless it is empty. */
inline Run run(const QStringList &arguments, const QString &locale = QString())
{
    QProcess process;
    if (!locale.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), locale);
        environment.insert(QStringLiteral("LANG"), locale);
        environment.remove(QStringLiteral("LANGUAGE"));
        process.setProcessEnvironment(environment);
    }
    process.start(QStringLiteral(ORLA_KIOSK_PATH), arguments);
    Run run;
    // Two minutes is far beyond any step on the test trees: a run that takes
    // longer hangs, and the test says so rather than waiting for ever.
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("orla-kiosk did not end");
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
}

#endif
