/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "tracereporter.h"

#include "failures/detailsexception.h"
#include "store/systemkiosk.h"
#include "system/processtree.h"
#include "systempaths.h"
#include "tracereport.h"

#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace
{
// How long the uid of a process that is gone is kept: long enough for a
// reporter that a flood keeps seconds behind to reach the process's last
// events, far too short for its pid to come round again.
constexpr qint64 lastSeenMs = 30000;

qint64 nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}

TraceReporter::TraceReporter()
    : m_log(QString::fromUtf8(SystemPaths::kernelLog))
    , m_self(getpid())
{
}

bool TraceReporter::start(QString *error, QStringList *notes)
{
    if (!m_watcher.start(error, notes)) {
        return false;
    }
    QString note;
    if (!m_execs.start(&note)) {
        notes->append(note);
    }
    return true;
}

QVector<int> TraceReporter::groups() const
{
    return m_watcher.groups();
}

bool TraceReporter::traceMode()
{
    return switchOn(SystemPaths::complainParameter, &m_complain) && !switchOn(SystemPaths::enforceParameter, &m_enforce);
}

// Read again only when the file changed: reading it would wake every
// fanotify listener, and two reporters would wake each other for ever.
// A switch that cannot be read is off, as the module's own would be.
bool TraceReporter::switchOn(const char *path, Switch *known)
{
    const QString file = QString::fromUtf8(path);
    const FileStamp stamp = FileStamp::of(file);
    if (stamp == known->stamp) {
        return known->on;
    }
    known->stamp = stamp;
    try {
        known->on = stamp.exists && SystemKiosk().fileValue(file);
    } catch (const DetailsException &) {
        known->on = false;
    }
    return known->on;
}

void TraceReporter::handle(int group)
{
    if (!m_watcher.read(group)) {
        return;
    }
    // Every start of a program in this batch came before its accesses did,
    // so its uid is in by now.
    const QHash<pid_t, uid_t> started = m_execs.takeStarted();
    const qint64 startedAt = nowMs();
    for (auto start = started.cbegin(); start != started.cend(); ++start) {
        m_lastSeen.insert(start.key(), Seen{start.value(), startedAt});
    }
    // A short-lived process may be gone, its uid with it, by the time its
    // accesses are looked at; so the uids come first, before the switches,
    // the accounts and the profiles are looked at.
    m_uids.clear();
    const bool anyone = readUids(m_watcher.pids());
    const bool tracing = anyone && traceMode();
    if (anyone) {
        followPeriod(tracing);
    }
    if (!tracing) {
        m_watcher.accesses([](pid_t) {
            return false;
        });
        return;
    }

    // Only a kiosk user's accesses are looked at closer: naming the file
    // costs more than everything before it.
    m_whitelists.newBatch();
    const qint64 now = nowMs();
    const QVector<Access> accesses = m_watcher.accesses([this, now](pid_t pid) {
        const qint64 uid = m_uids.value(pid, 0);
        if (uid < 0) {
            ++m_missed;
            return false;
        }
        return uid > 0 && m_whitelists.of(uid_t(uid)) != nullptr && withinLimit(uid_t(uid), now);
    });
    if (!m_log.write(limited(reports(accesses), now))) {
        std::fprintf(stderr, "tavrix-traced: cannot write to %s: %s\n", SystemPaths::kernelLog, std::strerror(errno));
    }
    if (m_watcher.overflows() != m_overflowsSeen) {
        m_overflowsSeen = m_watcher.overflows();
        std::fprintf(stderr, "tavrix-traced: the kernel's event queue overflowed; accesses were lost\n");
    }
}

// Whether any process of the batch may be a kiosk user's: root never is,
// and a batch of only root's and the reporter's own accesses (its own
// reads of profiles and switches among them) is passed over without a file
// being read, which would make more events.
bool TraceReporter::readUids(const QVector<pid_t> &pids)
{
    const qint64 now = nowMs();
    bool anyone = false;
    for (const pid_t pid : pids) {
        if (pid <= 0 || pid == m_self || m_uids.contains(pid)) {
            continue;
        }
        qint64 uid = ProcessTree::realUid(pid);
        if (uid >= 0) {
            m_lastSeen.insert(pid, Seen{uid_t(uid), now});
        } else if (m_lastSeen.contains(pid)) {
            uid = m_lastSeen.value(pid).uid;
        }
        m_uids.insert(pid, uid);
        anyone = anyone || uid != 0;
    }
    forgetOldUids(now);
    return anyone;
}

void TraceReporter::forgetOldUids(qint64 now)
{
    if (now - m_lastPrune < lastSeenMs) {
        return;
    }
    m_lastPrune = now;
    // A process alive now keeps its uid, however long it has been quiet:
    // its last events may come after it has ended.
    for (auto seen = m_lastSeen.begin(); seen != m_lastSeen.end();) {
        if (now - seen->at <= lastSeenMs) {
            ++seen;
        } else if (kill(seen.key(), 0) == 0) {
            seen->at = now;
            ++seen;
        } else {
            seen = m_lastSeen.erase(seen);
        }
    }
}

QList<QByteArray> TraceReporter::reports(const QVector<Access> &accesses)
{
    QList<QByteArray> records;
    QSet<QByteArray> seen;
    for (const Access &access : accesses) {
        const auto uid = uid_t(m_uids.value(access.pid));
        const UserWhitelist *whitelist = m_whitelists.of(uid);
        if (!whitelist) {
            continue;
        }
        TraceReport report;
        report.uid = uid;
        report.type = access.type;
        report.path = access.path;
        report.target = !access.ownerKnown || access.owner == uid ? ObjectRule::TargetUser : ObjectRule::TargetOther;
        for (const ObjectRule::Mode mode : {ObjectRule::Read, ObjectRule::Write, ObjectRule::Create}) {
            if (!(access.modes & (1u << mode)) || whitelist->allows(access.path, mode)) {
                continue;
            }
            report.mode = mode;
            const QByteArray record = report.record();
            if (!seen.contains(record)) {
                seen.insert(record);
                records.append(record);
            }
        }
    }
    return records;
}

// What one uid may write is counted from the moment trace mode goes on; what
// the log held is written again once the log was emptied, as the recorder
// does right after switching trace mode on.
void TraceReporter::followPeriod(bool tracing)
{
    if (tracing && !m_tracing) {
        m_limit.startPeriod();
        m_log.cleared();
    } else if (tracing && m_log.cleared()) {
        m_limit.logCleared();
    }
    m_tracing = tracing;
}

// A uid that may write nothing now is not looked at closer: naming its
// files is what a flood would cost everyone else.
bool TraceReporter::withinLimit(uid_t uid, qint64 now)
{
    if (!m_limit.saturated(uid, now)) {
        return true;
    }
    m_limit.skipped(uid);
    return false;
}

QList<QByteArray> TraceReporter::limited(const QList<QByteArray> &records, qint64 now)
{
    QList<QByteArray> admitted;
    for (const QByteArray &record : records) {
        TraceReport report;
        if (TraceReport::parse(record, &report) == TraceReport::Parse::Report && m_limit.admit(report.uid, record, now)) {
            admitted.append(record);
        }
    }
    return admitted + m_limit.counts(now, false);
}

int TraceReporter::countsDueWithinMs() const
{
    return m_tracing && m_limit.countPending() ? int(ReportLimit::sayEveryMs) : -1;
}

void TraceReporter::flushCounts()
{
    if (!m_tracing) {
        return;
    }
    if (!m_log.write(m_limit.counts(nowMs(), true))) {
        std::fprintf(stderr, "tavrix-traced: cannot write to %s: %s\n", SystemPaths::kernelLog, std::strerror(errno));
    }
}
