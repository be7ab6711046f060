/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "system/processtree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
struct Entry {
    pid_t pid = 0;
    pid_t parent = 0;
    pid_t session = 0;
    char state = '?';
};

// /proc/PID/stat: "pid (comm) state ppid pgrp session ..."; the command name
// may hold blanks and parentheses, so the fields are read after the last ')'.
bool readStat(pid_t pid, Entry *entry)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray line = file.readAll();
    const int close = line.lastIndexOf(')');
    if (close < 0) {
        return false;
    }
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() < 4 || fields.at(0).isEmpty()) {
        return false;
    }
    entry->pid = pid;
    entry->state = fields.at(0).at(0);
    entry->parent = fields.at(1).toInt();
    entry->session = fields.at(3).toInt();
    return true;
}

QList<Entry> allProcesses()
{
    QList<Entry> entries;
    for (const pid_t pid : ProcessTree::all()) {
        Entry entry;
        if (readStat(pid, &entry)) {
            entries.append(entry);
        }
    }
    return entries;
}

// A zombie that is not ours to reap still has a /proc entry, but it is gone
// for every purpose here.
bool isGone(pid_t pid)
{
    Entry entry;
    return !readStat(pid, &entry) || entry.state == 'Z' || entry.state == 'X';
}

void reapIfOurs(pid_t pid, const QSet<pid_t> &notOurs)
{
    Entry entry;
    if (!notOurs.contains(pid) && readStat(pid, &entry) && entry.parent == ::getpid()) {
        ::waitpid(pid, nullptr, WNOHANG);
    }
}

template<typename Predicate>
QList<pid_t> matching(Predicate predicate)
{
    QList<pid_t> pids;
    const QList<Entry> entries = allProcesses();
    for (const Entry &entry : entries) {
        if (predicate(entry)) {
            pids.append(entry.pid);
        }
    }
    return pids;
}
}

QList<pid_t> ProcessTree::all()
{
    QList<pid_t> pids;
    for (const QString &name : QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[1-9]*")}, QDir::Dirs)) {
        pids.append(name.toInt());
    }
    return pids;
}

QList<pid_t> ProcessTree::children(pid_t parent)
{
    return matching([parent](const Entry &entry) {
        return entry.parent == parent;
    });
}

QList<pid_t> ProcessTree::descendants(pid_t root)
{
    const QList<Entry> entries = allProcesses();
    QList<pid_t> found;
    QList<pid_t> parents{root};
    while (!parents.isEmpty()) {
        const pid_t parent = parents.takeFirst();
        for (const Entry &entry : entries) {
            if (entry.parent == parent && entry.pid != root && !found.contains(entry.pid)) {
                found.append(entry.pid);
                parents.append(entry.pid);
            }
        }
    }
    return found;
}

QList<pid_t> ProcessTree::sessionMembers(pid_t session)
{
    return matching([session](const Entry &entry) {
        return entry.session == session;
    });
}

// "Uid:" real effective saved filesystem.
qint64 ProcessTree::realUid(pid_t pid)
{
    char path[48];
    std::snprintf(path, sizeof path, "/proc/%d/status", int(pid));
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    char text[4096];
    const ssize_t length = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (length <= 0) {
        return -1;
    }
    text[length] = '\0';
    const char *line = std::strstr(text, "\nUid:");
    if (!line) {
        return -1;
    }
    char *end = nullptr;
    const unsigned long uid = std::strtoul(line + 5, &end, 10);
    return end == line + 5 ? -1 : qint64(uid);
}

QList<pid_t> ProcessTree::ofRealUid(uid_t uid)
{
    return matching([uid](const Entry &entry) {
        return realUid(entry.pid) == qint64(uid);
    });
}

void ProcessTree::end(const QList<pid_t> &pids, int graceMs, const QSet<pid_t> &notOurs)
{
    const pid_t self = ::getpid();
    QList<pid_t> left;
    for (const pid_t pid : pids) {
        if (pid > 1 && pid != self && ::kill(pid, SIGTERM) == 0) {
            left.append(pid);
        }
    }
    QElapsedTimer timer;
    timer.start();
    while (!left.isEmpty()) {
        for (const pid_t pid : qAsConst(left)) {
            reapIfOurs(pid, notOurs);
        }
        left.erase(std::remove_if(left.begin(), left.end(), isGone), left.end());
        if (left.isEmpty() || timer.elapsed() >= graceMs) {
            break;
        }
        QThread::msleep(20);
    }
    for (const pid_t pid : qAsConst(left)) {
        ::kill(pid, SIGKILL);
    }
    for (const pid_t pid : qAsConst(left)) {
        Entry entry;
        if (!notOurs.contains(pid) && readStat(pid, &entry) && entry.parent == self) {
            ::waitpid(pid, nullptr, 0);
        }
    }
}

bool ProcessTree::becomeSubreaper()
{
    return ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) == 0;
}
