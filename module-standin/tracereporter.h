/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_TRACEREPORTER_H
#define ORLA_TRACEREPORTER_H

#include "accesswatcher.h"
#include "execwatch.h"
#include "filestamp.h"
#include "kernellog.h"
#include "kioskwhitelists.h"
#include "reportlimit.h"

#include <QHash>

/**
 * Trace mode of the stand-in module: while the switches say trace (complain
 * on, enforce off), every access of an enabled kiosk user that its profiles
 * do not allow becomes a report in the kernel log.
 */
class TraceReporter
{
public:
    TraceReporter();

    /** False, with the reason in @p error, when no access can be watched. */
    bool start(QString *error, QStringList *notes);

    QVector<int> groups() const;

    /** Reports what @p group has queued. */
    void handle(int group);

    /**
     * How long the reporter may wait for events before counts of held-back
     * reports are due in the log (flushCounts()); -1 when none is.
     */
    int countsDueWithinMs() const;
    /** Writes the held-back counts that are due. */
    void flushCounts();

    /** Accesses dropped because their process was gone before its uid could be read. */
    qint64 missed() const
    {
        return m_missed;
    }

private:
    struct Switch {
        FileStamp stamp;
        bool on = false;
    };

    bool traceMode();
    bool switchOn(const char *path, Switch *known);
    bool readUids(const QVector<pid_t> &pids);
    void forgetOldUids(qint64 now);
    QList<QByteArray> reports(const QVector<Access> &accesses);
    void followPeriod(bool tracing);
    bool withinLimit(uid_t uid, qint64 now);
    QList<QByteArray> limited(const QList<QByteArray> &records, qint64 now);

    AccessWatcher m_watcher;
    ExecWatch m_execs;
    KioskWhitelists m_whitelists;
    KernelLog m_log;
    const pid_t m_self;
    // The real uid of each process of the current batch; -1 when it was gone.
    QHash<pid_t, qint64> m_uids;
    // The uid each process had when last seen, for one that is gone by its
    // next batch: a short-lived one's last accesses come after it has ended.
    struct Seen {
        uid_t uid;
        qint64 at;
    };
    QHash<pid_t, Seen> m_lastSeen;
    qint64 m_lastPrune = 0;
    Switch m_complain;
    Switch m_enforce;
    qint64 m_missed = 0;
    int m_overflowsSeen = 0;
    ReportLimit m_limit;
    bool m_tracing = false;
};

#endif
