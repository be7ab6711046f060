/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "kiosktreereader.h"

#include "failures/readfileexception.h"
#include "protocol/helperconstants.h"
#include "protocol/helperstart.h"
#include "store/fileutils.h"
#include "store/systemkiosk.h"
#include "systempaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{
// Where the system's tree lies: the directory of its system profile
// directory, which also holds the user profile directory and the switches.
QString systemTreeDir()
{
    return QFileInfo(SystemKiosk::systemProfilesDir()).path();
}

QMap<QString, QByteArray> readDir(const QString &dir, const QString &prefix)
{
    QMap<QString, QByteArray> files;
    const QFileInfoList entries = Utils::dirFiles(dir);
    for (const QFileInfo &entry : entries) {
        QFile file(entry.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly)) {
            throw ReadFileException(file.fileName(), file.errorString());
        }
        QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            throw ReadFileException(file.fileName(), file.errorString());
        }
        files.insert(prefix + entry.fileName(), bytes);
    }
    return files;
}

bool switchValue(const QString &path)
{
    return QFileInfo::exists(path) && SystemKiosk().fileValue(path);
}
}

KioskTreeReader::KioskTreeReader() = default;

KioskTreeReader::KioskTreeReader(const QString &dir)
    : m_dir(QDir::cleanPath(QDir(dir).absolutePath()))
{
}

QString KioskTreeReader::moved(const QString &systemPath) const
{
    if (m_dir.isEmpty()) {
        return systemPath;
    }
    return m_dir + QLatin1Char('/') + QDir(systemTreeDir()).relativeFilePath(systemPath);
}

QString KioskTreeReader::systemProfilesDir() const
{
    return moved(SystemKiosk::systemProfilesDir());
}

QString KioskTreeReader::userProfilesDir() const
{
    return moved(SystemKiosk::userProfilesDir());
}

QString KioskTreeReader::disabledProfilesDir() const
{
    return moved(SystemKiosk::disabledProfilesDir());
}

KioskBundle KioskTreeReader::read() const
{
    // A mistyped directory would otherwise read as an empty, clean tree.
    if (!m_dir.isEmpty() && !QFileInfo(m_dir).isDir()) {
        throw ReadFileException(m_dir, QCoreApplication::translate("KioskTreeReader", "No such directory"));
    }
    if (m_dir.isEmpty()) {
        Utils::putInterruptedSaveInOrder();
    }
    KioskBundle bundle;
    bundle.profiles = readDir(systemProfilesDir(), QString());
    bundle.users = readDir(userProfilesDir(), QString());
    bundle.users.insert(readDir(disabledProfilesDir(), HelperConstants::disabledPrefix + QLatin1Char('/')));
    bundle.autoEnforce = switchValue(moved(QString::fromUtf8(SystemPaths::autoEnforceFile)));
    bundle.autoComplain = switchValue(moved(QString::fromUtf8(SystemPaths::autoComplainFile)));
    return bundle;
}
