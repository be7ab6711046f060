/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "execwatch.h"

#include "mounttable.h"
#include "system/processtree.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/fanotify.h>
#include <unistd.h>

ExecWatch::~ExecWatch()
{
    if (m_thread.joinable()) {
        const quint64 one = 1;
        if (write(m_stop, &one, sizeof one) == sizeof one) {
            m_thread.join();
        } else {
            m_thread.detach();
        }
    }
    for (const int fd : {m_group, m_stop}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

bool ExecWatch::start(QString *note)
{
    // Only the permission classes may hold an access; the descriptor of the
    // program is not looked at, so it is opened with as little as can be.
    m_group = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_NONBLOCK, O_RDONLY | O_CLOEXEC | O_LARGEFILE);
    if (m_group < 0) {
        *note = QStringLiteral("uids of processes gone before they are looked at are lost: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    bool marked = false;
    for (const Mount &mount : MountTable::mounts()) {
        if (!MountTable::holdsUserFiles(mount)) {
            continue;
        }
        const char *point = mount.mountPoint.constData();
        marked = fanotify_mark(m_group, FAN_MARK_ADD | FAN_MARK_FILESYSTEM, FAN_OPEN_EXEC_PERM, AT_FDCWD, point) == 0
            || fanotify_mark(m_group, FAN_MARK_ADD | FAN_MARK_MOUNT, FAN_OPEN_EXEC_PERM, AT_FDCWD, point) == 0 || marked;
    }
    m_stop = eventfd(0, EFD_CLOEXEC);
    if (!marked || m_stop < 0) {
        *note = QStringLiteral("uids of processes gone before they are looked at are lost: program starts cannot be held");
        return false;
    }
    m_thread = std::thread(&ExecWatch::answer, this);
    return true;
}

QHash<pid_t, uid_t> ExecWatch::takeStarted()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    QHash<pid_t, uid_t> started;
    started.swap(m_started);
    return started;
}

void ExecWatch::answer()
{
    alignas(fanotify_event_metadata) char buffer[64 * sizeof(fanotify_event_metadata)];
    pollfd fds[] = {{m_group, POLLIN, 0}, {m_stop, POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents) {
            return;
        }
        const ssize_t length = read(m_group, buffer, sizeof buffer);
        if (length <= 0) {
            continue;
        }
        const auto *event = reinterpret_cast<const fanotify_event_metadata *>(buffer);
        for (ssize_t left = length; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
            if (event->fd < 0) {
                continue;
            }
            // The process waits for the answer, so its uid is there to read.
            const qint64 uid = ProcessTree::realUid(event->pid);
            if (uid >= 0) {
                const std::lock_guard<std::mutex> hold(m_lock);
                m_started.insert(event->pid, uid_t(uid));
            }
            const fanotify_response allow{event->fd, FAN_ALLOW};
            if (write(m_group, &allow, sizeof allow) != sizeof allow) {
                std::fprintf(stderr, "tavrix-traced: cannot let a program start: %s\n", std::strerror(errno));
            }
            close(event->fd);
        }
    }
}
