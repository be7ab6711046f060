/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "protocol/kauthjob.h"

#include "failures/kauthexception.h"
#include "protocol/helperactionsmap.h"
#include "protocol/helperconstants.h"
#include "protocol/helperstart.h"

#include <KAuth/ExecuteJob>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDataStream>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace
{
// An action without a time-out of its own gets D-Bus's default reply time-out.
constexpr qint64 dbusDefaultTimeoutMs = 25000;
// Time for KAuth to notice its own time-out and report it before we give up on it.
constexpr qint64 watchdogMarginMs = 30000;

// Longer than the helper ever takes to leave an action it has reported done.
constexpr int readyWaitLimitMs = 5000;

enum class Stop {
    No,
    RunningAction,
};

/*
 * Whether our helper is ready for this process's next action.
 *
 * KAuth's helper reports an action done before it has left it, and answers a
 * call that reaches it in between as busy, an answer KAuth's client never
 * reads: a job sent right after another would wait until its watchdog. The
 * helper says when it is ready again (HelperConstants::helperReadySignal);
 * after an answer from it, the next action waits for that, or for the helper
 * to be gone, which a new one started for the call replaces.
 */
class HelperReadiness : public QObject
{
    Q_OBJECT
public:
    static HelperReadiness &instance()
    {
        // Goes with the application, before its bus connection.
        static QPointer<HelperReadiness> readiness;
        if (!readiness) {
            readiness = new HelperReadiness(QCoreApplication::instance());
        }
        return *readiness;
    }

    // Waits, if need be, until the helper is ready for @p job, which is sent
    // next; a request to stop a running action goes out at once.
    void beforeStart(const KAuth::ExecuteJob *job, Stop stop)
    {
        if (job->action().helperId() != HelperConstants::helperId || stop == Stop::RunningAction) {
            return;
        }
        if (m_pending) {
            waitForReady();
        }
        // Set before the call goes out: the ready signal that follows it may
        // be handled before the job is seen to have finished.
        m_pending = true;
    }

Q_SIGNALS:
    void becameReady();

private Q_SLOTS:
    void ready()
    {
        m_pending = false;
        Q_EMIT becameReady();
    }

private:
    void waitForReady()
    {
        QDBusConnectionInterface *bus = QDBusConnection::systemBus().interface();
        if (!bus || !bus->isServiceRegistered(HelperConstants::helperId)) {
            return;
        }
        QEventLoop loop;
        const QMetaObject::Connection ready = connect(this, &HelperReadiness::becameReady, &loop, &QEventLoop::quit);
        const QMetaObject::Connection gone = connect(bus, &QDBusConnectionInterface::serviceUnregistered, &loop, [&loop](const QString &name) {
            if (name == HelperConstants::helperId) {
                loop.quit();
            }
        });
        QTimer::singleShot(readyWaitLimitMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        disconnect(ready);
        disconnect(gone);
    }

    explicit HelperReadiness(QObject *parent)
        : QObject(parent)
    {
        // Subscribed before the first action, so that its ready signal is never missed.
        QDBusConnection::systemBus()
            .connect(HelperConstants::helperId, QStringLiteral("/"), HelperConstants::helperId, HelperConstants::helperReadySignal, this, SLOT(ready()));
    }

    bool m_pending = false;
};

// A helper that died in the middle of an action may have left a save half
// done; a new one puts the tree back as it starts. Started now rather than by
// whichever action comes next, the tree is whole before anyone reads it.
void restartVanishedHelper(const KAuth::ExecuteJob *job)
{
    if (job->action().helperId() == HelperConstants::helperId) {
        Utils::startHelper();
    }
}

// KAuthException keeps KAuth's enumeration, which cannot hold the codes a
// helper picks for its own error replies (HelperErrorReply() sends -1), nor
// KJob's; turning those into the enumeration would be undefined behaviour.
// They are reported as a backend error; the helper's sentence goes on unchanged.
KAuth::ActionReply::Error replyError(int code)
{
    if (code >= KAuth::ActionReply::NoError && code <= KAuth::ActionReply::BackendError) {
        return static_cast<KAuth::ActionReply::Error>(code);
    }
    return KAuth::ActionReply::BackendError;
}
}

int Utils::kauthJobWatchdog(int actionTimeout)
{
    const qint64 timeout = actionTimeout > 0 ? actionTimeout : dbusDefaultTimeoutMs;
    return static_cast<int>(std::min<qint64>(timeout + watchdogMarginMs, std::numeric_limits<int>::max()));
}

bool Utils::executeKAuthJob(KAuth::ExecuteJob *job)
{
    return executeKAuthJob(job, job ? kauthJobWatchdog(job->action().timeout()) : 0);
}

namespace
{
enum class JobEnd {
    Finished,
    Reported, // still running in the helper
};

enum class Watchdog {
    Fixed,
    RestartedByProgress, // a bound on the helper's silence
};

// Runs the job until it finishes or, with a progress key, until the helper
// reports under that key that the action's work runs.
// With Watchdog::RestartedByProgress, @p watchdogMs bounds the helper's
// silence once it has said its first word, and @p firstWordMs the wait for
// that word (the authorisation, which may wait for the administrator).
JobEnd runJob(KAuth::ExecuteJob *job, int watchdogMs, const QString &progressKey, Stop stop = Stop::No, Watchdog kind = Watchdog::Fixed, int firstWordMs = 0)
{
    if (!job) {
        throw KAuthException(KAuth::ActionReply::InvalidActionError, QCoreApplication::translate("Utils", "No privileged action to run."));
    }

    const qint64 size = HelperActionsMap::busSize(job->action().arguments());
    if (size > HelperConstants::maxBusMessageBytes) {
        if (job->isAutoDelete()) {
            job->deleteLater();
        }
        const auto mebibytes = [](qint64 bytes) {
            return QString::number(double(bytes) / (1024 * 1024), 'f', 1);
        };
        throw KAuthException(KAuth::ActionReply::BackendError,
                             QCoreApplication::translate("Utils",
                                                         "The changes are too large to send to the privileged helper at once (%1 MiB, at most %2 MiB). "
                                                         "Save them in smaller parts.")
                                 .arg(mebibytes(size), mebibytes(HelperConstants::maxBusMessageBytes)));
    }

    // The job would delete itself inside the loop below, before its result is
    // read; it is deleted here afterwards instead, as KJob::exec() does.
    const bool wasAutoDelete = job->isAutoDelete();
    job->setAutoDelete(false);

    // KJob::exec() could wait forever for a helper that is busy or gone; this
    // loop also ends when the watchdog fires.
    QEventLoop loop;
    bool finished = false;
    bool reported = false;
    QObject::connect(job, &KJob::finished, &loop, [&finished, &loop]() {
        finished = true;
        loop.quit();
    });
    QMetaObject::Connection progress;
    if (!progressKey.isEmpty()) {
        progress = QObject::connect(job, &KAuth::ExecuteJob::newData, &loop, [&reported, &loop, &progressKey](const QVariantMap &data) {
            if (data.value(progressKey).toBool()) {
                reported = true;
                loop.quit();
            }
        });
    }
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (kind == Watchdog::RestartedByProgress) {
        QObject::connect(job, &KAuth::ExecuteJob::newData, &watchdog, [&watchdog, watchdogMs]() {
            watchdog.start(std::max(watchdogMs, 0));
        });
    }

    HelperReadiness::instance().beforeStart(job, stop);
    job->start();
    if (stop == Stop::RunningAction) {
        // Posted after the job's own start, so that its call reaches the
        // helper, and is answered as busy, before the stop request: the
        // other way round, a helper just done with its action would take
        // the call for a new one.
        QMetaObject::invokeMethod(
            &loop,
            [job, &finished]() {
                // A stop request with no action of ours running would stop the helper's next one.
                if (!finished) {
                    job->kill(KJob::EmitResult);
                }
            },
            Qt::QueuedConnection);
    }
    if (!finished) {
        watchdog.start(std::max(kind == Watchdog::RestartedByProgress ? firstWordMs : watchdogMs, 0));
        // No user input: a click meanwhile could send a second action, which
        // the busy helper would never answer.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    QObject::disconnect(progress);

    if (reported && !finished) {
        job->setAutoDelete(wasAutoDelete);
        return JobEnd::Reported;
    }
    if (!finished) {
        restartVanishedHelper(job);
        // Called through ExecuteJob, kill() also asks the helper to stop.
        job->kill(KJob::Quietly);
        if (wasAutoDelete) {
            job->deleteLater();
        }
        // Reported like KAuth reports a D-Bus reply that never came.
        throw KAuthException(KAuth::ActionReply::DBusError, QCoreApplication::translate("Utils", "The privileged helper did not answer."));
    }
    return JobEnd::Finished;
}

// The result of a finished job, which is deleted here if it deletes itself when done.
bool jobResult(KAuth::ExecuteJob *job, bool deleteJob)
{
    const int error = job->error();
    const QString errorText = job->errorText();
    if (error == KAuth::ActionReply::DBusError) {
        restartVanishedHelper(job);
    }
    if (deleteJob) {
        job->deleteLater();
    }

    if (error == KJob::NoError) {
        return true;
    }
    if (error == KAuth::ActionReply::AuthorizationDeniedError) {
        return false;
    }
    throw KAuthException(replyError(error), errorText);
}
}

bool Utils::executeKAuthJob(KAuth::ExecuteJob *job, int watchdogMs)
{
    const bool autoDelete = job && job->isAutoDelete();
    runJob(job, watchdogMs, QString());
    return jobResult(job, autoDelete);
}

bool Utils::executeKAuthJobWhileAlive(KAuth::ExecuteJob *job, int quietMs)
{
    const bool autoDelete = job && job->isAutoDelete();
    runJob(job, quietMs, QString(), Stop::No, Watchdog::RestartedByProgress, job ? kauthJobWatchdog(job->action().timeout()) : 0);
    return jobResult(job, autoDelete);
}

bool Utils::stopKAuthAction(KAuth::ExecuteJob *job)
{
    runJob(job, job ? kauthJobWatchdog(job->action().timeout()) : 0, QString(), Stop::RunningAction);
    return jobResult(job, false);
}

bool Utils::startKAuthJob(KAuth::ExecuteJob *job, const QString &progressKey)
{
    const bool autoDelete = job && job->isAutoDelete();
    const int watchdogMs = job ? kauthJobWatchdog(job->action().timeout()) : 0;
    if (runJob(job, watchdogMs, progressKey) == JobEnd::Reported) {
        return true;
    }
    return jobResult(job, autoDelete);
}

#include "kauthjob.moc"
