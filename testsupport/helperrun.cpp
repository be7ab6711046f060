/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "helperrun.h"

#include "failures/kauthexception.h"
#include "protocol/helperaction.h"
#include "protocol/helperactionsmap.h"
#include "protocol/kauthjob.h"

#include <KAuth/ActionReply>
#include <KAuth/ExecuteJob>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace HelperRun
{
namespace
{
KAuth::ExecuteJob *makeJob(const QString &id, const QVariantMap &arguments, int timeoutMs, Outcome *outcome, bool *finished)
{
    KAuth::ExecuteJob *job = Utils::helperAction(id, HelperActionsMap(arguments), nullptr, timeoutMs).execute();
    job->setAutoDelete(false);
    QObject::connect(job, &KAuth::ExecuteJob::newData, job, [outcome, finished](const QVariantMap &data) {
        if (!data.isEmpty()) {
            outcome->progress.append(data);
        } else if (outcome->progress.isEmpty() && !*finished) {
            outcome->begun = true;
        }
    });
    QObject::connect(job, &KJob::finished, job, [finished] {
        *finished = true;
    });
    return job;
}
}

Outcome execute(const QString &id, const QVariantMap &arguments, int watchdogMs, Wait wait)
{
    Outcome outcome;
    bool finished = false;
    const std::unique_ptr<KAuth::ExecuteJob> job(makeJob(id, arguments, HelperConstants::actionTimeoutMs, &outcome, &finished));
    try {
        const bool done = wait == Wait::WhileAlive ? Utils::executeKAuthJobWhileAlive(job.get(), watchdogMs)
            : watchdogMs < 0                       ? Utils::executeKAuthJob(job.get())
                                                   : Utils::executeKAuthJob(job.get(), watchdogMs);
        outcome.kind = done ? Outcome::Success : Outcome::Refused;
        outcome.data = job->data();
    } catch (const KAuthException &e) {
        outcome.kind = Outcome::Failure;
        outcome.code = e.id();
        outcome.text = e.fullDetails();
    }
    return outcome;
}

void printProcesses(const QString &why)
{
    QProcess ps;
    ps.start(QStringLiteral("ps"), {QStringLiteral("-eLo"), QStringLiteral("pid,ppid,ruid,stat,wchan:32,args")});
    ps.waitForFinished();
    std::fprintf(stderr, "%s; the processes then, a line per thread:\n%s", qPrintable(why), ps.readAllStandardOutput().constData());
}

qint64 helperPid()
{
    const QDBusReply<uint> pid = QDBusConnection::systemBus().interface()->servicePid(HelperConstants::helperId);
    return pid.isValid() ? pid.value() : 0;
}

bool endHelper(int boundMs)
{
    const qint64 pid = helperPid();
    if (pid > 0) {
        ::kill(static_cast<pid_t>(pid), SIGCONT);
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
    return QTest::qWaitFor(
        [] {
            return !QDBusConnection::systemBus().interface()->isServiceRegistered(HelperConstants::helperId);
        },
        boundMs);
}

Running::Running(const QString &id, const QVariantMap &arguments, int timeoutMs)
    : job(makeJob(id, arguments, timeoutMs, &outcome, &finished))
{
    job->start();
}

Running::~Running() = default;

Outcome Running::finish(int boundMs)
{
    QEventLoop loop;
    QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
    QObject::connect(job.get(), &KJob::finished, &loop, &QEventLoop::quit);
    if (!finished) {
        loop.exec();
    }
    if (!finished) {
        outcome.text = QStringLiteral("the helper did not answer within %1 ms").arg(boundMs);
        printProcesses(outcome.text);
        return outcome;
    }
    const int error = job->error();
    outcome.kind = error == 0 ? Outcome::Success : error == KAuth::ActionReply::AuthorizationDeniedError ? Outcome::Refused : Outcome::Failure;
    outcome.code = error;
    outcome.text = job->errorString();
    outcome.data = job->data();
    return outcome;
}
}
