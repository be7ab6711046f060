/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_EXECWATCH_H
#define ORLA_EXECWATCH_H

#include <QHash>
#include <QStringList>

#include <mutex>
#include <thread>

#include <sys/types.h>

/**
 * The uid of every process at the moment it starts a program, read while the
 * kernel holds the start for us.
 *
 * The reporter hears of accesses after the fact, and a process that opened a
 * file and ended is gone, its uid with it, by the time a busy reporter looks:
 * `cat` in a script, a helper a daemon starts. A program's start is the one
 * moment such a process can be made to wait, and it is rare enough that
 * waiting costs nothing anyone notices; opens are never held up.
 *
 * The answering runs on a thread of its own that does nothing else, so a
 * reporter busy with a flood of accesses never keeps a program from starting.
 * A dead reporter holds nothing: the kernel lets every held start go when the
 * group's descriptor closes.
 */
class ExecWatch
{
public:
    ExecWatch() = default;
    ~ExecWatch();
    ExecWatch(const ExecWatch &) = delete;
    ExecWatch &operator=(const ExecWatch &) = delete;

    /**
     * Watches every filesystem that holds users' files. False, with the
     * reason in @p note, when this kernel holds no starts for a listener:
     * the reporter then knows only the uids of processes it finds alive.
     */
    bool start(QString *note);

    /** The uids read since the last call, by pid. */
    QHash<pid_t, uid_t> takeStarted();

private:
    void answer();

    int m_group = -1;
    int m_stop = -1;
    std::thread m_thread;
    std::mutex m_lock;
    QHash<pid_t, uid_t> m_started;
};

#endif
