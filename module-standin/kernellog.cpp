/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "kernellog.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += written;
    }
    return true;
}

// The stamp dmesg prints: seconds since boot.
QByteArray stamp()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    char text[40];
    std::snprintf(text, sizeof text, "[%5lld.%06ld] ", static_cast<long long>(now.tv_sec), now.tv_nsec / 1000);
    return QByteArray(text);
}
}

KernelLog::KernelLog(const QString &path)
    : m_path(QFile::encodeName(path))
    , m_device(path.startsWith(QLatin1String("/dev/")))
{
}

KernelLog::~KernelLog()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool KernelLog::write(const QList<QByteArray> &records)
{
    if (records.isEmpty()) {
        return true;
    }
    return m_device ? writeDevice(records) : writeFile(records);
}

// The kernel lets each open of /dev/kmsg write ten records per five seconds
// unless kernel.printk_devkmsg is "on", and drops the rest without an error;
// a fresh open per record gets a fresh allowance.
bool KernelLog::writeDevice(const QList<QByteArray> &records)
{
    for (const QByteArray &record : records) {
        const int fd = ::open(m_path.constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        // One write is one record: the line end must not make a second, empty one.
        const bool ok = writeAll(fd, record);
        ::close(fd);
        if (!ok) {
            return false;
        }
    }
    return true;
}

// O_APPEND puts every line at the current end, so a log truncated by
// "dmesg -C" goes on from its new start; a log removed (or replaced) is
// opened afresh, or the lines would go to a file nobody can read.
bool KernelLog::writeFile(const QList<QByteArray> &records)
{
    struct stat onDisk {
    };
    if (m_fd >= 0 && (::stat(m_path.constData(), &onDisk) != 0 || onDisk.st_dev != m_dev || onDisk.st_ino != m_ino)) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_fd < 0 && !openFile()) {
        return false;
    }
    QByteArray text;
    const QByteArray prefix = stamp();
    for (const QByteArray &record : records) {
        text += prefix + record + '\n';
    }
    const bool ok = writeAll(m_fd, text);
    struct stat written {
    };
    if (fstat(m_fd, &written) == 0) {
        m_end = written.st_size;
    }
    return ok;
}

bool KernelLog::cleared()
{
    return m_device ? deviceCleared() : fileCleared();
}

bool KernelLog::fileCleared()
{
    if (m_fd < 0) {
        return false;
    }
    struct stat onDisk {
    };
    if (::stat(m_path.constData(), &onDisk) != 0 || onDisk.st_dev != m_dev || onDisk.st_ino != m_ino) {
        return true;
    }
    const bool shrunk = onDisk.st_size < m_end;
    m_end = onDisk.st_size;
    return shrunk;
}

// dmesg -C moves the point where a new reader of /dev/kmsg starts (SEEK_DATA)
// past everything logged so far; so does the ring buffer wrapping round,
// after which the earlier records are gone as well.
bool KernelLog::deviceCleared()
{
    qint64 first = -1;
    const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::lseek(fd, 0, SEEK_DATA);
        // A record: "priority,sequence,time,flags;text".
        char record[8192];
        const ssize_t length = ::read(fd, record, sizeof record - 1);
        ::close(fd);
        if (length > 0) {
            record[length] = '\0';
            const char *comma = std::strchr(record, ',');
            first = comma ? std::strtoll(comma + 1, nullptr, 10) : -1;
        }
    }
    const bool moved = first != m_firstRecord && m_firstRecord >= 0;
    m_firstRecord = first;
    return moved;
}

bool KernelLog::openFile()
{
    QDir().mkpath(QFileInfo(QFile::decodeName(m_path)).absolutePath());
    m_fd = ::open(m_path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
    if (m_fd < 0) {
        return false;
    }
    struct stat opened {
    };
    fstat(m_fd, &opened);
    m_dev = opened.st_dev;
    m_ino = opened.st_ino;
    return true;
}
