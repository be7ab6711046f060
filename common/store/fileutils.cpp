/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/fileutils.h"

#include "systempaths.h"

#include "failures/createdirexception.h"
#include "failures/deletefileexception.h"
#include "failures/readfileexception.h"
#include "failures/renamefileexception.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace
{
// A path with a NUL in it would reach the system call cut short and name a
// different file than the one the caller asked for.
bool holdsNul(const QString &path)
{
    return path.contains(QChar(0));
}
}

namespace Utils
{
QFileInfoList dirFiles(const QString &path)
{
    QDir dir(path);
    dir.setFilter(QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    return dir.entryInfoList();
}

QStringList directoryFiles(const QString &path)
{
    QStringList files;
    QDirIterator it(path, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files.append(it.next());
    }
    return files;
}

void createDirectory(const QString &path)
{
    const QDir dir(path);
    if (dir.exists()) {
        return;
    }
    if (holdsNul(path) || !dir.mkpath(QStringLiteral("."))) {
        throw CreateDirException(dir.absolutePath(), QString());
    }
}

void renameFile(const QString &from, const QString &to)
{
    if (holdsNul(from) || holdsNul(to)) {
        throw RenameFileException(from, to, QString::fromUtf8(std::strerror(EINVAL)));
    }
    createDirectory(QFileInfo(to).absolutePath());
    if (std::rename(from.toUtf8().constData(), to.toUtf8().constData()) != 0) {
        const int error = errno;
        throw RenameFileException(from, to, QString::fromUtf8(std::strerror(error)));
    }
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw ReadFileException(path, file.errorString());
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw ReadFileException(path, file.errorString());
    }
    return bytes;
}

void deleteFile(const QString &path)
{
    QFile file(path);
    if (file.exists() && !file.remove()) {
        throw DeleteFileException(path, file.errorString());
    }
}
}

QString Utils::pathBelowRoot(const QString &root, const char *compiledPath)
{
    const QString path = QDir::cleanPath(QString::fromUtf8(compiledPath));
    if (root.isEmpty()) {
        return path;
    }
    const QString systemRoot = QDir::cleanPath(QString::fromUtf8(SystemPaths::systemRoot));
    const QString relative = !systemRoot.isEmpty() && path.startsWith(systemRoot + QLatin1Char('/')) ? path.mid(systemRoot.size()) : path;
    return QDir::cleanPath(root + QLatin1Char('/') + relative);
}
