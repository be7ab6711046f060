/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/kioskdirectory.h"

#include "failures/createdirexception.h"
#include "failures/deletefileexception.h"
#include "failures/readfileexception.h"
#include "failures/renamefileexception.h"
#include "failures/writefileexception.h"
#include "store/fileutils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr mode_t directoryMode = 0755;
constexpr mode_t fileMode = 0644;
// Tries at a free name for the new file before giving up; a clash needs
// someone filling the directory with our own hidden names.
constexpr int newFileAttempts = 16;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString linkRefusal()
{
    return QCoreApplication::translate("KioskDirectory", "it is a symbolic link, which is never followed");
}

QString notRegularRefusal()
{
    return QCoreApplication::translate("KioskDirectory", "it is not a regular file");
}

// Empty when an entry of this kind may be replaced, renamed or written through.
QString refusalOf(const struct stat &entry)
{
    if (S_ISLNK(entry.st_mode)) {
        return linkRefusal();
    }
    if (!S_ISREG(entry.st_mode)) {
        return notRegularRefusal();
    }
    return QString();
}

template<typename Call>
auto retried(Call call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = retried([&] {
            return ::write(fd, data, size_t(left));
        });
        if (written <= 0) {
            if (written == 0) {
                errno = EIO;
            }
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// A hidden name, so that a reader listing the directory never takes a
// half-written file for a profile.
QByteArray hiddenName(const char *prefix)
{
    return QByteArray(prefix) + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
}
}

KioskDirectory::KioskDirectory(const QString &path, Missing missing)
    : m_path(QDir::cleanPath(path))
{
    const QFileInfo info(m_path);
    const QString parentPath = info.absolutePath();
    if (missing == Missing::Create) {
        Utils::createDirectory(parentPath);
    }
    // The directories above are the system's own; only the last step is ours to check.
    const int parentFd = retried([&] {
        return ::open(QFile::encodeName(parentPath).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    });
    if (parentFd < 0) {
        if (errno == ENOENT && missing == Missing::Leave) {
            return;
        }
        throw CreateDirException(m_path, systemError(errno));
    }
    try {
        open(parentFd, QFile::encodeName(info.fileName()), missing);
    } catch (...) {
        ::close(parentFd);
        throw;
    }
    ::close(parentFd);
}

KioskDirectory::KioskDirectory(const KioskDirectory &parent, const QString &name, Missing missing)
    : m_path(parent.entryPath(name))
{
    if (!parent.exists()) {
        if (missing == Missing::Leave) {
            return;
        }
        throw CreateDirException(m_path, systemError(ENOENT));
    }
    open(parent.m_fd, QFile::encodeName(name), missing);
}

KioskDirectory::KioskDirectory(KioskDirectory &&other) noexcept
    : m_path(std::move(other.m_path))
    , m_fd(other.m_fd)
{
    other.m_fd = -1;
}

KioskDirectory::~KioskDirectory()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void KioskDirectory::open(int parentFd, const QByteArray &name, Missing missing)
{
    bool created = false;
    int fd = retried([&] {
        return ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    });
    if (fd < 0 && errno == ENOENT) {
        if (missing == Missing::Leave) {
            return;
        }
        if (::mkdirat(parentFd, name.constData(), directoryMode) != 0 && errno != EEXIST) {
            throw CreateDirException(m_path, systemError(errno));
        }
        created = true;
        fd = retried([&] {
            return ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        });
    }
    if (fd < 0) {
        const int error = errno;
        struct stat entry {
        };
        if (::fstatat(parentFd, name.constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(entry.st_mode)) {
            throw WriteFileException(m_path, linkRefusal());
        }
        throw CreateDirException(m_path, systemError(error));
    }
    m_fd = fd;

    // The umask must not decide who may change the kiosk tree.
    if (created && ::fchmod(m_fd, directoryMode) != 0) {
        throw CreateDirException(m_path, systemError(errno));
    }
    struct stat status {
    };
    if (::fstat(m_fd, &status) != 0) {
        throw CreateDirException(m_path, systemError(errno));
    }
    // Anyone else who may change the directory may swap its entries under us.
    if (status.st_uid != 0 || (status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        throw WriteFileException(m_path,
                                 QCoreApplication::translate("KioskDirectory",
                                                             "the directory must be owned by root and writable by root alone; nothing has been "
                                                             "written into it"));
    }
}

QString KioskDirectory::path() const
{
    return m_path;
}

QString KioskDirectory::entryPath(const QString &name) const
{
    return m_path + QLatin1Char('/') + name;
}

bool KioskDirectory::exists() const
{
    return m_fd >= 0;
}

QString KioskDirectory::entryRefusal(const QString &name, bool mayBeMissing) const
{
    struct stat entry {
    };
    if (::fstatat(m_fd, QFile::encodeName(name).constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT && mayBeMissing ? QString() : systemError(errno);
    }
    return refusalOf(entry);
}

void KioskDirectory::replaceFile(const QString &name, const QByteArray &bytes, Sync sync) const
{
    const QString path = entryPath(name);
    if (!exists()) {
        throw WriteFileException(path, systemError(ENOENT));
    }
    const QString refusal = entryRefusal(name, true);
    if (!refusal.isEmpty()) {
        throw WriteFileException(path, refusal);
    }
    const QByteArray newName = writeNewFile(name, bytes);
    bool synced = true;
    int syncError = 0;
    if (sync != Sync::Skip) {
        const int fd = retried([&] {
            return ::openat(m_fd, newName.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        });
        synced = fd >= 0 && ::fdatasync(fd) == 0;
        syncError = errno;
        if (fd >= 0) {
            ::close(fd);
        }
    }
    if (!synced) {
        ::unlinkat(m_fd, newName.constData(), 0);
        throw WriteFileException(path, systemError(syncError));
    }
    if (::renameat(m_fd, newName.constData(), m_fd, QFile::encodeName(name).constData()) != 0) {
        const int error = errno;
        ::unlinkat(m_fd, newName.constData(), 0);
        throw WriteFileException(path, systemError(error));
    }
}

void KioskDirectory::removeFile(const QString &name) const
{
    if (!exists()) {
        return;
    }
    const QString path = entryPath(name);
    const QByteArray encoded = QFile::encodeName(name);
    struct stat entry {
    };
    if (::fstatat(m_fd, encoded.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) {
            return;
        }
        throw DeleteFileException(path, systemError(errno));
    }
    if (S_ISLNK(entry.st_mode)) {
        throw DeleteFileException(path, linkRefusal());
    }
    if (::unlinkat(m_fd, encoded.constData(), 0) != 0 && errno != ENOENT) {
        throw DeleteFileException(path, systemError(errno));
    }
}

void KioskDirectory::renameFile(const KioskDirectory &from, const QString &fromName, const KioskDirectory &to, const QString &toName)
{
    const QString fromPath = from.entryPath(fromName);
    const QString toPath = to.entryPath(toName);
    if (!from.exists() || !to.exists()) {
        throw RenameFileException(fromPath, toPath, systemError(ENOENT));
    }
    QString refusal = from.entryRefusal(fromName, false);
    if (refusal.isEmpty()) {
        refusal = to.entryRefusal(toName, true);
    }
    if (!refusal.isEmpty()) {
        throw RenameFileException(fromPath, toPath, refusal);
    }
    if (::renameat(from.m_fd, QFile::encodeName(fromName).constData(), to.m_fd, QFile::encodeName(toName).constData()) != 0) {
        throw RenameFileException(fromPath, toPath, systemError(errno));
    }
}

QString KioskDirectory::entryRefusal(const QString &name) const
{
    return exists() ? entryRefusal(name, true) : QString();
}

bool KioskDirectory::hasEntry(const QString &name) const
{
    struct stat entry {
    };
    return exists() && ::fstatat(m_fd, QFile::encodeName(name).constData(), &entry, AT_SYMLINK_NOFOLLOW) == 0;
}

QByteArray KioskDirectory::writeNewFile(const QString &name, const QByteArray &bytes) const
{
    const QString path = entryPath(name);
    if (!exists()) {
        throw WriteFileException(path, systemError(ENOENT));
    }
    struct stat old {
    };
    const bool replacing = ::fstatat(m_fd, QFile::encodeName(name).constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    QByteArray newName;
    int fd = -1;
    for (int attempt = 0; attempt < newFileAttempts && fd < 0; ++attempt) {
        newName = hiddenName(".kiosk-new-");
        fd = retried([&] {
            return ::openat(m_fd, newName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, fileMode);
        });
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        throw WriteFileException(path, systemError(errno));
    }
    const bool written = writeAll(fd, bytes) && ::fchmod(fd, fileMode) == 0 && (!replacing || ::fchown(fd, old.st_uid, old.st_gid) == 0);
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        const int error = written ? errno : writeError;
        ::unlinkat(m_fd, newName.constData(), 0);
        throw WriteFileException(path, systemError(error));
    }
    return newName;
}

QByteArray KioskDirectory::keepFile(const QString &name) const
{
    if (!exists() || !hasEntry(name)) {
        return QByteArray();
    }
    const QString path = entryPath(name);
    const QString refusal = entryRefusal(name, false);
    if (!refusal.isEmpty()) {
        throw WriteFileException(path, refusal);
    }
    for (int attempt = 0; attempt < newFileAttempts; ++attempt) {
        const QByteArray keptName = hiddenName(".kiosk-old-");
        if (::linkat(m_fd, QFile::encodeName(name).constData(), m_fd, keptName.constData(), 0) == 0) {
            return keptName;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    throw WriteFileException(path, systemError(errno));
}

void KioskDirectory::hideFile(const QString &name, const KioskDirectory &into) const
{
    if (!hasEntry(name)) {
        return;
    }
    const QString refusal = entryRefusal(name, false);
    if (!refusal.isEmpty()) {
        throw RenameFileException(entryPath(name), into.path(), refusal);
    }
    for (int attempt = 0; attempt < newFileAttempts; ++attempt) {
        const QByteArray hidden = hiddenName(".kiosk-old-");
        if (::renameat2(m_fd, QFile::encodeName(name).constData(), into.m_fd, hidden.constData(), RENAME_NOREPLACE) == 0) {
            return;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    throw RenameFileException(entryPath(name), into.path(), systemError(errno));
}

QByteArray KioskDirectory::readFile(const QString &name) const
{
    const QString path = entryPath(name);
    const int fd = exists() ? retried([&] {
        return ::openat(m_fd, QFile::encodeName(name).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    })
                            : -1;
    if (fd < 0) {
        throw ReadFileException(path, systemError(exists() ? errno : ENOENT));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw ReadFileException(path, file.errorString());
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw ReadFileException(path, file.errorString());
    }
    return bytes;
}

QStringList KioskDirectory::leftovers() const
{
    if (!exists()) {
        return {};
    }
    return QDir(m_path).entryList({QStringLiteral(".kiosk-new-*"), QStringLiteral(".kiosk-old-*")}, QDir::Files | QDir::Hidden | QDir::System);
}

void KioskDirectory::removeEmptyDirectory(const QString &name) const
{
    if (exists()) {
        ::unlinkat(m_fd, QFile::encodeName(name).constData(), AT_REMOVEDIR);
    }
}

void KioskDirectory::syncFileSystem() const
{
    if (exists() && ::syncfs(m_fd) != 0) {
        throw WriteFileException(m_path, systemError(errno));
    }
}

bool KioskDirectory::isLink(const QString &path)
{
    struct stat entry {
    };
    return ::lstat(QFile::encodeName(path).constData(), &entry) == 0 && S_ISLNK(entry.st_mode);
}
