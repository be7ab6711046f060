/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "accesswatcher.h"

#include "mounttable.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace
{
// Events of a group that reports names are only 4-byte aligned, while the
// metadata's 64-bit mask asks for 8: each one is copied out before it is read.
template<typename Visit>
void forEachEvent(const char *data, size_t length, Visit visit)
{
    size_t offset = 0;
    while (length - offset >= sizeof(fanotify_event_metadata)) {
        fanotify_event_metadata event;
        std::memcpy(&event, data + offset, sizeof event);
        if (event.event_len < sizeof event || event.event_len > length - offset || !visit(event, data + offset)) {
            return;
        }
        offset += event.event_len;
    }
}

// One event per open file, at its close, and one per program started: an
// event for every read() and write() call would bury the reporter on a busy
// machine, and a reporter that falls behind reads the uids of processes long
// gone. Opened for writing counts as a write, whether or not it wrote.
// Enforcement checks the open, not the calls: a file opened for reading and
// writing needs both, though it was only written. The close cannot tell,
// and the descriptor fanotify hands over is opened with our own flags, not
// the process's; the process's own descriptor (/proc/PID/fdinfo) tells only
// while it still holds it, which a short-lived open does not, so the same
// run would come back one way or the other. A file written counts as read
// and written: one read too many for a write-only open, where a write alone
// would fail every run of a read-write one.
constexpr quint64 readEvents = FAN_CLOSE_NOWRITE | FAN_OPEN_EXEC;
constexpr quint64 writeEvents = FAN_CLOSE_WRITE;
constexpr quint8 readBit = 1u << ObjectRule::Read;
constexpr quint8 writeBit = 1u << ObjectRule::Write;
constexpr quint8 createBit = 1u << ObjectRule::Create;
constexpr size_t bufferSize = 256 * 1024;

// statfs() and fanotify spell the same two numbers differently.
quint64 fsidKey(const int *val)
{
    return quint64(quint32(val[0])) << 32 | quint32(val[1]);
}

QByteArray pathOf(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX + 1];
    const ssize_t length = readlink(link, target, PATH_MAX);
    return length > 0 ? QByteArray(target, int(length)) : QByteArray();
}

QString failure(const char *what, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(error)));
}

QString about(const Mount &mount, const char *what, int error)
{
    return QStringLiteral("%1 (%2) %3").arg(QFile::decodeName(mount.mountPoint), QString::fromLatin1(mount.type), failure(what, error));
}
}

AccessWatcher::~AccessWatcher()
{
    closeDescriptors();
    for (const int fd : qAsConst(m_mountFds)) {
        close(fd);
    }
    for (const int group : {m_notify, m_create}) {
        if (group >= 0) {
            close(group);
        }
    }
}

bool AccessWatcher::start(QString *error, QStringList *notes)
{
    // Notification class only: a listener that never holds up the access it
    // hears about, so a slow or dead reporter can never lock the machine.
    // O_NONBLOCK because the kernel opens each accessed file for us, and a
    // FIFO opened for reading would wait for a writer.
    const unsigned flags = FAN_CLASS_NOTIF | FAN_CLOEXEC | FAN_NONBLOCK | FAN_UNLIMITED_QUEUE;
    const unsigned fileFlags = O_RDONLY | O_LARGEFILE | O_CLOEXEC | O_NONBLOCK | O_NOATIME;
    m_notify = fanotify_init(flags, fileFlags);
    if (m_notify < 0) {
        *error = errno == EPERM ? QStringLiteral("fanotify needs root (CAP_SYS_ADMIN)") : failure("fanotify is not available", errno);
        return false;
    }
    m_create = fanotify_init(flags | FAN_REPORT_DFID_NAME, O_RDONLY | O_CLOEXEC);
    if (m_create < 0) {
        notes->append(failure("creations are not reported, this kernel names no created entries", errno));
    }
    m_buffer.resize(bufferSize);
    return markAll(error, notes);
}

bool AccessWatcher::markAll(QString *error, QStringList *notes)
{
    const QVector<Mount> mounts = MountTable::mounts();
    bool rootMarked = false;
    for (const Mount &mount : mounts) {
        m_mountIds.insert(mount.id);
        if (!MountTable::holdsUserFiles(mount)) {
            continue;
        }
        const char *point = mount.mountPoint.constData();
        const quint64 mask = readEvents | writeEvents;
        bool marked = fanotify_mark(m_notify, FAN_MARK_ADD | FAN_MARK_FILESYSTEM, mask, AT_FDCWD, point) == 0;
        if (!marked) {
            // Filesystems without an id of their own take mount marks only.
            marked = fanotify_mark(m_notify, FAN_MARK_ADD | FAN_MARK_MOUNT, mask, AT_FDCWD, point) == 0;
        }
        if (!marked) {
            notes->append(about(mount, "not watched", errno));
            continue;
        }
        rootMarked = rootMarked || mount.mountPoint == "/";
        if (m_create < 0) {
            continue;
        }
        if (fanotify_mark(m_create, FAN_MARK_ADD | FAN_MARK_FILESYSTEM, FAN_CREATE | FAN_MOVED_TO | FAN_ONDIR, AT_FDCWD, point) != 0) {
            notes->append(about(mount, "creations not reported", errno));
            continue;
        }
        struct statfs info {
        };
        if (statfs(point, &info) != 0) {
            continue;
        }
        // A mount of the whole filesystem names every directory in it; a
        // bind mount of a part names only what lies below its root.
        const quint64 key = fsidKey(info.f_fsid.__val);
        const auto known = m_mountFds.constFind(key);
        if (known != m_mountFds.constEnd() && mount.root != "/") {
            continue;
        }
        const int fd = open(point, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) {
            continue;
        }
        if (known != m_mountFds.constEnd()) {
            close(known.value());
        }
        m_mountFds.insert(key, fd);
    }
    if (!rootMarked) {
        *error = QStringLiteral("the root filesystem cannot be watched");
        return false;
    }
    return true;
}

QVector<int> AccessWatcher::groups() const
{
    QVector<int> fds{m_notify};
    if (m_create >= 0) {
        fds.append(m_create);
    }
    return fds;
}

bool AccessWatcher::read(int group)
{
    closeDescriptors();
    const ssize_t length = ::read(group, m_buffer.data(), m_buffer.size());
    if (length <= 0) {
        m_length = 0;
        return false;
    }
    m_length = size_t(length);
    m_readFrom = group;
    m_mountIdsFresh = false;
    return true;
}

QVector<pid_t> AccessWatcher::pids() const
{
    QVector<pid_t> result;
    forEachEvent(m_buffer.data(), m_length, [&result](const fanotify_event_metadata &event, const char *) {
        result.append(event.pid);
        return true;
    });
    return result;
}

QVector<Access> AccessWatcher::accesses(const std::function<bool(pid_t)> &wanted)
{
    QVector<Access> result;
    forEachEvent(m_buffer.data(), m_length, [&](const fanotify_event_metadata &event, const char *raw) {
        if (event.vers != FANOTIFY_METADATA_VERSION) {
            return false;
        }
        if (event.mask & FAN_Q_OVERFLOW) {
            ++m_overflows;
        } else if (wanted(event.pid)) {
            if (m_readFrom == m_create) {
                readCreation(event, raw, &result);
            } else {
                readAccess(event, &result);
            }
        }
        return true;
    });
    closeDescriptors();
    return result;
}

// An overlay reads and writes its layers through private mounts of its
// own, so a filesystem mark sees every access twice: once on the overlay
// with the path the process used, once on the layer with a path relative to
// the layer's directory, which names nothing here.
bool AccessWatcher::inThisNamespace(int fd)
{
    struct statx info {
    };
    if (statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &info) != 0 || !(info.stx_mask & STATX_MNT_ID)) {
        return true; // a kernel that cannot tell; the path is all there is
    }
    if (!m_mountIds.contains(info.stx_mnt_id) && !m_mountIdsFresh) {
        m_mountIdsFresh = true;
        for (const Mount &mount : MountTable::mounts()) {
            m_mountIds.insert(mount.id);
        }
    }
    return m_mountIds.contains(info.stx_mnt_id);
}

void AccessWatcher::readAccess(const fanotify_event_metadata &metadata, QVector<Access> *out)
{
    const fanotify_event_metadata *event = &metadata;
    struct stat info {
    };
    if (event->fd < 0 || fstat(event->fd, &info) != 0 || S_ISDIR(info.st_mode) || !inThisNamespace(event->fd)) {
        return;
    }
    Access access;
    access.pid = event->pid;
    if (event->mask & readEvents) {
        access.modes |= readBit;
    }
    if (event->mask & writeEvents) {
        access.modes |= readBit | writeBit;
    }
    access.path = pathOf(event->fd);
    access.ownerKnown = true;
    access.owner = info.st_uid;
    if (access.modes && !access.path.isEmpty()) {
        out->append(access);
    }
}

void AccessWatcher::readCreation(const fanotify_event_metadata &metadata, const char *raw, QVector<Access> *out) const
{
    const fanotify_event_metadata *event = &metadata;
    const char *end = raw + event->event_len;
    const char *next = raw + event->metadata_len;
    while (next + sizeof(fanotify_event_info_header) <= end) {
        const auto *header = reinterpret_cast<const fanotify_event_info_header *>(next);
        if (header->len == 0) {
            break;
        }
        next += header->len;
        if (header->info_type != FAN_EVENT_INFO_TYPE_DFID_NAME) {
            continue;
        }
        const auto *fid = reinterpret_cast<const fanotify_event_info_fid *>(header);
        const int mountFd = m_mountFds.value(fsidKey(fid->fsid.val), -1);
        if (mountFd < 0) {
            continue;
        }
        auto *handle = reinterpret_cast<file_handle *>(const_cast<unsigned char *>(fid->handle));
        const char *name = reinterpret_cast<const char *>(handle->f_handle + handle->handle_bytes);
        const int dir = open_by_handle_at(mountFd, handle, O_PATH | O_CLOEXEC);
        if (dir < 0) {
            continue;
        }
        Access access;
        access.pid = event->pid;
        access.modes = createBit;
        const QByteArray dirPath = pathOf(dir);
        access.path = dirPath == "/" ? QByteArray() : dirPath;
        access.path += '/';
        access.path += name;
        struct stat info {
        };
        if (fstatat(dir, name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            access.ownerKnown = true;
            access.owner = info.st_uid;
            // The one place where a link is told apart: the entry made is one.
            access.type = S_ISLNK(info.st_mode) ? ObjectRule::Link : ObjectRule::File;
            // A file saved by writing a new one and renaming it over the
            // old: the next run reads it, writes it again the same way, and
            // makes its entry anew.
            if ((event->mask & FAN_MOVED_TO) && S_ISREG(info.st_mode)) {
                access.modes |= readBit | writeBit;
            }
        }
        close(dir);
        if (!dirPath.isEmpty()) {
            out->append(access);
        }
    }
}

void AccessWatcher::closeDescriptors()
{
    if (m_readFrom != m_notify) {
        m_length = 0;
        return;
    }
    forEachEvent(m_buffer.data(), m_length, [](const fanotify_event_metadata &event, const char *) {
        if (event.fd >= 0) {
            close(event.fd);
        }
        return true;
    });
    m_length = 0;
}
