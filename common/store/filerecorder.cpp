/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/filerecorder.h"

#include "failures/writefileexception.h"
#include "store/fileutils.h"
#include "store/kioskdirectory.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace
{
QByteArray switchBytes(bool value)
{
    return value ? QByteArrayLiteral("1\n") : QByteArrayLiteral("0\n");
}
}

FileRecorder::FileRecorder(const QString &path)
    : m_path(path)
{
}

FileRecorder::FileRecorder(const KioskDirectory &directory, const QString &name)
    : m_directory(&directory)
    , m_path(directory.entryPath(name))
{
}

FileRecorder::~FileRecorder() = default;

QString FileRecorder::path() const
{
    return m_path;
}

void FileRecorder::createDir() const
{
    Utils::createDirectory(QFileInfo(path()).absolutePath());
}

void FileRecorder::write(const QString &text)
{
    // Cutting the text at the NUL would drop the rest of the profile while
    // reporting success; profiles never hold one, so it is a caller's mistake.
    if (text.contains(QChar(0))) {
        throw WriteFileException(path(), QCoreApplication::translate("FileRecorder", "The text contains a NUL character"));
    }
    // A profile is as safe as the rename makes it, as it always was: a sync
    // for each one would make saving thousands of them several times slower.
    replace(text.toUtf8(), KioskDirectory::Sync::Skip);
}

void FileRecorder::write(bool value)
{
    // Truncated and rewritten in place, a crash in between would leave an
    // empty switch, which reads as off after the next boot.
    replace(switchBytes(value), KioskDirectory::Sync::BeforeRename);
}

void FileRecorder::replace(const QByteArray &bytes, KioskDirectory::Sync sync)
{
    const QString name = QFileInfo(path()).fileName();
    if (m_directory) {
        m_directory->replaceFile(name, bytes, sync);
        return;
    }
    createDir();
    KioskDirectory(QFileInfo(path()).absolutePath()).replaceFile(name, bytes, sync);
}

void FileRecorder::writeInPlace(bool value)
{
    createDir();
    const int fd = ::open(QFile::encodeName(path()).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw WriteFileException(path(), QString::fromLocal8Bit(std::strerror(errno)));
    }
    // The module refuses values it does not accept at write time; that must
    // not pass as a switched mode.
    const QByteArray bytes = switchBytes(value);
    ssize_t written;
    do {
        written = ::write(fd, bytes.constData(), size_t(bytes.size()));
    } while (written < 0 && errno == EINTR);
    const int error = written == bytes.size() ? 0 : (written < 0 ? errno : EIO);
    if (::close(fd) != 0 && error == 0) {
        throw WriteFileException(path(), QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (error != 0) {
        throw WriteFileException(path(), QString::fromLocal8Bit(std::strerror(error)));
    }
}
