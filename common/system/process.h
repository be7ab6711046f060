/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PROCESS_H
#define ORLA_PROCESS_H

#include "orlacommon_export.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QStringList>

/**
 * Runs one external command and turns its outcome into captured output or a
 * ProcessException.
 *
 * Synchronous by default: run() waits up to waitForFinished() ms and checks the
 * result. In asynchronous mode run() only starts the command; the caller ends it
 * with onStop() (also reached through output()) or by destroying the object.
 * Destroying the object always ends a child that is still running.
 */
class ORLACOMMON_EXPORT Process : public QObject
{
    Q_OBJECT

public:
    explicit Process(QObject *parent = nullptr);
    ~Process() override;

    /** Runs a command line, split into program and arguments the way Qt splits it (no shell). */
    void run(const QString &command, bool check = true, int exitCode = 0);
    /** Runs a program with its arguments, each handed over as one argument (no shell). */
    void run(const QString &program, const QStringList &arguments, bool check = true, int exitCode = 0);

    /** Standard output so far, up to the first NUL byte. In asynchronous mode it stops the process first. */
    QString output();
    /** Standard error so far, up to the first NUL byte. Never stops the process. */
    QString errorsOutput();

    QProcess *process() const;

    /** Waits for the end and checks it (synchronous mode only); shared by both run() forms. */
    void processResult(bool check, int exitCode);

    void setWaitForFinished(int ms);
    int waitForFinished() const;
    void setAsyncFlag(bool async);

Q_SIGNALS:
    void pidChanged(Q_PID pid);

public Q_SLOTS:
    void onStop();

private:
    void collectOutput();

    // mutable: process() is const but hands out the child for signals and queries.
    mutable QProcess m_process;
    int m_waitForFinished = 30000;
    bool m_asyncFlag = false;
    QByteArray m_output;
    QByteArray m_errorsOutput;
};

#endif
