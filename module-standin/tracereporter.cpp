#include "tracereporter.h"

#include "failures/detailsexception.h"
#include "store/systemkiosk.h"
#include "systempaths.h"
#include "tracereport.h"

#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace
{
// The real uid from /proc/PID/status: "Uid:" real effective saved filesystem.
qint64 realUid(pid_t pid)
{
    char path[48];
    std::snprintf(path, sizeof path, "/proc/%d/status", int(pid));
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    char text[4096];
    const ssize_t length = read(fd, text, sizeof text - 1);
    close(fd);
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

// A switch that cannot be read is off, as the module's own would be.
bool switchOn(const char *path)
{
    try {
        return SystemKiosk().fileValue(QString::fromUtf8(path));
    } catch (const DetailsException &) {
        return false;
    }
}
}

TraceReporter::TraceReporter()
    : m_log(QString::fromUtf8(SystemPaths::kernelLog))
    , m_self(getpid())
{
}

bool TraceReporter::start(QString *error, QStringList *notes)
{
    return m_watcher.start(error, notes);
}

QVector<int> TraceReporter::groups() const
{
    return m_watcher.groups();
}

bool TraceReporter::traceMode()
{
    return switchOn(SystemPaths::complainParameter) && !switchOn(SystemPaths::enforceParameter);
}

void TraceReporter::handle(int group)
{
    if (!m_watcher.read(group)) {
        return;
    }
    // A short-lived process may be gone, its uid with it, by the time its
    // accesses are looked at; so while tracing, the uids come first, before
    // the switches, the accounts and the profiles are read.
    m_uids.clear();
    if (m_tracing) {
        readUids(m_watcher.pids());
    }
    m_tracing = traceMode();
    if (!m_tracing) {
        m_watcher.accesses([](pid_t) {
            return false;
        });
        return;
    }
    readUids(m_watcher.pids());

    const QVector<Access> accesses = m_watcher.accesses([this](pid_t pid) {
        if (pid <= 0 || pid == m_self) {
            return false;
        }
        if (m_uids.value(pid) < 0) {
            ++m_missed;
            return false;
        }
        return true;
    });
    m_whitelists.newBatch();
    if (!m_log.write(reports(accesses))) {
        std::fprintf(stderr, "tavrix-traced: cannot write to %s: %s\n", SystemPaths::kernelLog, std::strerror(errno));
    }
    if (m_watcher.overflows() != m_overflowsSeen) {
        m_overflowsSeen = m_watcher.overflows();
        std::fprintf(stderr, "tavrix-traced: the kernel's event queue overflowed; accesses were lost\n");
    }
}

void TraceReporter::readUids(const QVector<pid_t> &pids)
{
    for (const pid_t pid : pids) {
        if (pid > 0 && pid != m_self && !m_uids.contains(pid)) {
            m_uids.insert(pid, realUid(pid));
        }
    }
}

QList<QByteArray> TraceReporter::reports(const QVector<Access> &accesses)
{
    QList<QByteArray> records;
    QSet<QByteArray> seen;
    for (const Access &access : accesses) {
        const auto uid = uid_t(m_uids.value(access.pid));
        const KioskWhitelists::Whitelist *whitelist = m_whitelists.of(uid);
        if (!whitelist) {
            continue;
        }
        TraceReport report;
        report.uid = uid;
        report.type = access.type;
        report.path = access.path;
        report.target = !access.ownerKnown || access.owner == uid ? ObjectRule::TargetUser : ObjectRule::TargetOther;
        for (const ObjectRule::Mode mode : {ObjectRule::Read, ObjectRule::Write, ObjectRule::Create}) {
            if (!(access.modes & (1u << mode)) || whitelist->allows(access.path, mode, report.target)) {
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
