/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "system/unconfinedprocesses.h"

#include "store/systemkiosk.h"
#include "system/processtree.h"
#include "systempaths.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <csignal>

#include <pwd.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{
// Rounds of ending: a process that forks while its siblings are ended
// leaves children the next round finds.
constexpr int rounds = 20;

struct Status {
    bool read = false;
    bool zombie = false;
    QList<uid_t> uids;
    bool noNewPrivs = false;
    bool filtered = false;
    bool emptyBoundingSet = false;
    QByteArray name;
};

QByteArray field(const QByteArray &line, const char *key)
{
    return line.startsWith(key) ? line.mid(int(qstrlen(key))).trimmed() : QByteArray();
}

Status statusOf(pid_t pid)
{
    Status status;
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) {
        return status;
    }
    // /proc files report a size of 0, so they are read whole rather than by lines.
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("Name:")) {
            status.name = field(line, "Name:");
        } else if (line.startsWith("State:")) {
            const QByteArray state = field(line, "State:");
            status.zombie = state.startsWith('Z') || state.startsWith('X');
        } else if (line.startsWith("Uid:")) {
            const QList<QByteArray> ids = field(line, "Uid:").simplified().split(' ');
            // Real and effective: a set-user-id program a kiosk user started counts as the user's.
            for (int i = 0; i < ids.size() && i < 2; ++i) {
                status.uids.append(ids.at(i).toUInt());
            }
        } else if (line.startsWith("NoNewPrivs:")) {
            status.noNewPrivs = field(line, "NoNewPrivs:") == "1";
        } else if (line.startsWith("Seccomp:")) {
            status.filtered = field(line, "Seccomp:") == "2";
        } else if (line.startsWith("CapBnd:")) {
            status.emptyBoundingSet = field(line, "CapBnd:").toULongLong(nullptr, 16) == 0;
        }
    }
    status.read = !status.uids.isEmpty();
    return status;
}

// The bounding set is the first user namespace's mark only: in a namespace
// of its own any process may empty it.
QByteArray userNamespaceOf(const QByteArray &process)
{
    char target[64];
    const QByteArray link = QByteArray("/proc/") + process + QByteArray("/ns/user");
    const ssize_t length = readlink(link.constData(), target, sizeof target);
    return length > 0 ? QByteArray(target, int(length)) : QByteArray();
}

bool inOurUserNamespace(pid_t pid)
{
    static const QByteArray ours = userNamespaceOf("self");
    const QByteArray theirs = userNamespaceOf(QByteArray::number(pid));
    return !theirs.isEmpty() && theirs == ours;
}

bool confined(pid_t pid, const Status &status)
{
    return status.noNewPrivs && status.filtered && status.emptyBoundingSet && inOurUserNamespace(pid);
}

bool isCandidate(const Status &status, const QSet<uid_t> &uids)
{
    if (!status.read || status.zombie) {
        return false;
    }
    for (const uid_t uid : status.uids) {
        if (uids.contains(uid)) {
            return true;
        }
    }
    return false;
}

// Through a pidfd taken before the last look, so that a pid used again
// in between is never the one signalled.
void kill(pid_t pid, const QSet<uid_t> &uids)
{
    const int pidfd = int(syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) {
        return;
    }
    const Status status = statusOf(pid);
    if (isCandidate(status, uids) && !confined(pid, status)) {
        syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0);
    }
    close(pidfd);
}

QString describe(pid_t pid, const Status &status)
{
    QString account;
    if (!status.uids.isEmpty()) {
        const passwd *entry = getpwuid(status.uids.first());
        account = entry ? QString::fromUtf8(entry->pw_name) : QString::number(status.uids.first());
    }
    return QCoreApplication::translate("UnconfinedProcesses", "%1 (%2) of %3").arg(pid).arg(QString::fromUtf8(status.name), account);
}
}

QList<pid_t> UnconfinedProcesses::of(const QSet<uid_t> &uids)
{
    QList<pid_t> found;
    if (uids.isEmpty()) {
        return found;
    }
    for (const pid_t pid : ProcessTree::all()) {
        if (pid == 1 || pid == getpid()) {
            continue;
        }
        const Status status = statusOf(pid);
        if (isCandidate(status, uids) && !confined(pid, status)) {
            found.append(pid);
        }
    }
    return found;
}

QStringList UnconfinedProcesses::end(const QSet<uid_t> &uids)
{
    QSet<uid_t> accounts = uids;
    // Root's processes are never a kiosk user's.
    accounts.remove(0);
    for (int round = 0; round < rounds; ++round) {
        const QList<pid_t> pids = of(accounts);
        if (pids.isEmpty()) {
            return {};
        }
        for (const pid_t pid : pids) {
            kill(pid, accounts);
        }
        QThread::msleep(round == 0 ? 20 : 50);
    }
    QStringList left;
    const QList<pid_t> pids = of(accounts);
    for (const pid_t pid : pids) {
        left.append(describe(pid, statusOf(pid)));
    }
    return left;
}

QStringList UnconfinedProcesses::endOfKioskUsers()
{
    if (!QFile::exists(QFile::decodeName(SystemPaths::confineProgram))) {
        return {};
    }
    QSet<uid_t> uids;
    const QSet<QString> users = SystemKiosk().users();
    for (const QString &user : users) {
        if (const passwd *entry = getpwnam(QFile::encodeName(user).constData())) {
            uids.insert(entry->pw_uid);
        }
    }
    const QStringList left = end(uids);
    if (left.isEmpty()) {
        return {};
    }
    return {QCoreApplication::translate("UnconfinedProcesses",
                                        "These processes of kiosk users run unconfined and could not be ended; they keep what they have open: %1")
                .arg(left.join(QLatin1String(", ")))};
}
