/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/kiosksnapshots.h"

#include "failures/readfileexception.h"
#include "failures/writefileexception.h"
#include "protocol/helperconstants.h"
#include "store/fileutils.h"
#include "systempaths.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <sys/stat.h>

namespace
{
constexpr quint32 magic = 0x4f4b534e;
constexpr quint32 version = 1;
// Ids are sequence numbers of fixed width, so that names sort as they were taken.
constexpr int idWidth = 10;

QString damaged()
{
    return QCoreApplication::translate("KioskSnapshots", "the earlier configuration is damaged");
}

// Reads the header; the stream is left at the first entry.
bool readHeader(QDataStream &stream, const QString &id, KioskSnapshots::Info &info)
{
    quint32 fileMagic = 0;
    quint32 fileVersion = 0;
    stream >> fileMagic >> fileVersion;
    if (fileMagic != magic || fileVersion != version) {
        return false;
    }
    info.id = id;
    stream >> info.time >> info.summary;
    return stream.status() == QDataStream::Ok;
}
}

KioskSnapshots::KioskSnapshots(const QString &root)
    : m_directory(Utils::pathBelowRoot(root, SystemPaths::snapshotsDir))
{
}

QString KioskSnapshots::directory() const
{
    return m_directory;
}

QString KioskSnapshots::pathOf(const QString &id) const
{
    return m_directory + QLatin1Char('/') + id;
}

QStringList KioskSnapshots::ids() const
{
    QStringList names;
    const QStringList entries = QDir(m_directory).entryList(QDir::Files, QDir::Name);
    for (const QString &name : entries) {
        if (isValidId(name)) {
            names.append(name);
        }
    }
    return names;
}

bool KioskSnapshots::isValidId(const QString &id)
{
    static const QRegularExpression pattern(QStringLiteral("\\A[0-9]{%1}\\z").arg(idWidth));
    return pattern.match(id).hasMatch();
}

QList<KioskSnapshots::Info> KioskSnapshots::list() const
{
    QList<Info> infos;
    const QStringList names = ids();
    for (auto it = names.crbegin(); it != names.crend(); ++it) {
        QFile file(pathOf(*it));
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        QDataStream stream(&file);
        stream.setVersion(QDataStream::Qt_5_15);
        Info info;
        if (readHeader(stream, *it, info)) {
            infos.append(info);
        }
    }
    return infos;
}

QString KioskSnapshots::take(const QList<KioskTransaction::Earlier> &earlier, const QString &summary) const
{
    const QString dir = directory();
    Utils::createDirectory(dir);
    // The snapshots hold every profile's earlier text; root's alone.
    ::chmod(QFile::encodeName(dir).constData(), 0700);

    const QString id = QStringLiteral("%1").arg(newest().toLongLong() + 1, idWidth, 10, QLatin1Char('0'));
    QSaveFile file(pathOf(id));
    if (!file.open(QIODevice::WriteOnly)) {
        throw WriteFileException(file.fileName(), file.errorString());
    }
    QDataStream stream(&file);
    stream.setVersion(QDataStream::Qt_5_15);
    stream << magic << version << QDateTime::currentDateTimeUtc() << summary << qint32(earlier.size());
    for (const KioskTransaction::Earlier &entry : earlier) {
        stream << qint32(entry.entry.directory) << entry.entry.file << entry.existed << entry.bytes;
    }
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (stream.status() != QDataStream::Ok || !file.commit()) {
        throw WriteFileException(file.fileName(), file.errorString());
    }

    const QStringList all = ids();
    for (int i = 0; i < all.size() - maxSnapshots; ++i) {
        remove(all.at(i));
    }
    return id;
}

QList<KioskTransaction::Earlier> KioskSnapshots::read(const QString &id, Info *info) const
{
    QFile file(pathOf(id));
    if (!isValidId(id) || !file.open(QIODevice::ReadOnly)) {
        throw ReadFileException(file.fileName(), file.errorString());
    }
    QDataStream stream(&file);
    stream.setVersion(QDataStream::Qt_5_15);
    Info header;
    qint32 count = 0;
    if (!readHeader(stream, id, header) || (stream >> count, count < 0)) {
        throw ReadFileException(file.fileName(), damaged());
    }
    QList<KioskTransaction::Earlier> earlier;
    for (qint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        qint32 directory = 0;
        KioskTransaction::Earlier entry;
        stream >> directory >> entry.entry.file >> entry.existed >> entry.bytes;
        const bool known = directory >= int(SystemKiosk::Directory::System) && directory <= int(SystemKiosk::Directory::Disabled);
        // A name the store would refuse never reaches a restore.
        if (!known || !SystemKiosk::systemEntry(entry.entry.file)) {
            throw ReadFileException(file.fileName(), damaged());
        }
        entry.entry.directory = SystemKiosk::Directory(directory);
        earlier.append(entry);
    }
    if (stream.status() != QDataStream::Ok) {
        throw ReadFileException(file.fileName(), damaged());
    }
    if (info) {
        *info = header;
    }
    return earlier;
}

UpdateActionsMap KioskSnapshots::asUpdate(const QList<KioskTransaction::Earlier> &earlier)
{
    QMap<QString, QString> usersToUpdate;
    QMap<QString, QString> profilesToUpdate;
    QStringList usersToRemove;
    QStringList profilesToRemove;
    for (const KioskTransaction::Earlier &entry : earlier) {
        const bool system = entry.entry.directory == SystemKiosk::Directory::System;
        const QString name = SystemKiosk::entryName(entry.entry);
        if (entry.existed) {
            (system ? profilesToUpdate : usersToUpdate).insert(name, QString::fromUtf8(entry.bytes));
        } else {
            (system ? profilesToRemove : usersToRemove).append(name);
        }
    }
    UpdateActionsMap map(QString{});
    map.setUsersToUpdate(usersToUpdate);
    map.setUsersToRemove(usersToRemove);
    map.setProfilesToUpdate(profilesToUpdate);
    map.setProfilesToRemove(profilesToRemove);
    return map;
}

void KioskSnapshots::remove(const QString &id) const
{
    if (isValidId(id)) {
        QFile::remove(pathOf(id));
    }
}

QString KioskSnapshots::newest() const
{
    const QStringList all = ids();
    return all.isEmpty() ? QString() : all.last();
}

void KioskSnapshots::removeNewerThan(const QString &id) const
{
    // Fixed-width sequence numbers: later ones sort after.
    const QStringList all = ids();
    for (const QString &name : all) {
        if (name > id) {
            remove(name);
        }
    }
}
