#ifndef ORLA_TRACEREPORTER_H
#define ORLA_TRACEREPORTER_H

#include "accesswatcher.h"
#include "kernellog.h"
#include "kioskwhitelists.h"

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

    /** Accesses dropped because their process was gone before its uid could be read. */
    qint64 missed() const
    {
        return m_missed;
    }

private:
    static bool traceMode();
    void readUids(const QVector<pid_t> &pids);
    QList<QByteArray> reports(const QVector<Access> &accesses);

    AccessWatcher m_watcher;
    KioskWhitelists m_whitelists;
    KernelLog m_log;
    const pid_t m_self;
    // The real uid of each process of the current batch; -1 when it was gone.
    QHash<pid_t, qint64> m_uids;
    bool m_tracing = false;
    qint64 m_missed = 0;
    int m_overflowsSeen = 0;
};

#endif
