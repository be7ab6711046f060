/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "system/process.h"

#include "failures/processexception.h"

namespace
{
// Tools print C strings; whatever follows a NUL byte is not text meant for us.
QString decodeUpToNul(const QByteArray &bytes)
{
    const int nul = bytes.indexOf('\0');
    return QString::fromUtf8(nul < 0 ? bytes : bytes.left(nul));
}

// Bound on the wait for a child that was sent SIGKILL; it cannot refuse to die,
// but a child stuck in the kernel must not block the caller forever.
constexpr int killWaitMs = 5000;
}

Process::Process(QObject *parent)
    : QObject(parent)
{
    // Queued connections and signal spies look the parameter type up by this name.
    qRegisterMetaType<Q_PID>("Q_PID");
}

Process::~Process()
{
    // QProcess would kill the child too, but with a console warning; a child
    // left behind after a time-out is expected here, not a programming error.
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(killWaitMs);
    }
}

void Process::run(const QString &command, bool check, int exitCode)
{
    QStringList arguments = QProcess::splitCommand(command);
    const QString program = arguments.isEmpty() ? QString() : arguments.takeFirst();
    run(program, arguments, check, exitCode);
}

void Process::run(const QString &program, const QStringList &arguments, bool check, int exitCode)
{
    m_output.clear();
    m_errorsOutput.clear();
    m_process.start(program, arguments, QIODevice::ReadWrite);
    Q_EMIT pidChanged(m_process.processId());
    processResult(check, exitCode);
}

void Process::processResult(bool check, int exitCode)
{
    const QString command = (QStringList(m_process.program()) << m_process.arguments()).join(QLatin1Char(' '));

    if (m_asyncFlag) {
        // Nothing is waited for, but a program that never started would
        // otherwise look like one that is running and has nothing to say yet.
        if (!m_process.waitForStarted(m_waitForFinished)) {
            throw ProcessException(command, m_process.exitStatus(), m_process.exitCode(), m_process.errorString());
        }
        return;
    }

    if (!m_process.waitForFinished(m_waitForFinished) || m_process.exitStatus() == QProcess::CrashExit) {
        throw ProcessException(command, m_process.exitStatus(), m_process.exitCode(), m_process.errorString());
    }
    collectOutput();
    if (check && m_process.exitCode() != exitCode) {
        throw ProcessException(command, m_process.exitStatus(), m_process.exitCode(), decodeUpToNul(m_errorsOutput));
    }
}

QString Process::output()
{
    if (m_asyncFlag) {
        onStop();
    }
    collectOutput();
    return decodeUpToNul(m_output);
}

QString Process::errorsOutput()
{
    collectOutput();
    return decodeUpToNul(m_errorsOutput);
}

QProcess *Process::process() const
{
    return &m_process;
}

void Process::setWaitForFinished(int ms)
{
    m_waitForFinished = ms;
}

int Process::waitForFinished() const
{
    return m_waitForFinished;
}

void Process::setAsyncFlag(bool async)
{
    m_asyncFlag = async;
}

void Process::onStop()
{
    if (m_process.state() == QProcess::NotRunning) {
        return;
    }
    m_process.terminate();
    m_process.waitForFinished(m_waitForFinished);
}

// QProcess hands out what it has read only once; keeping it here lets the
// output be asked for again and still hold everything written so far.
void Process::collectOutput()
{
    m_output += m_process.readAllStandardOutput();
    m_errorsOutput += m_process.readAllStandardError();
}
