/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "kiosktree.h"

#include "systempaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace
{
void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

QString readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

QStringList fileNames(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}
}

KioskTree::KioskTree()
{
    clear();
}

bool KioskTree::isScratch(QString *why)
{
    const QString root = QString::fromUtf8(SystemPaths::systemRoot);
    if (root.isEmpty() || root == QLatin1String("/")) {
        if (why) {
            *why = QStringLiteral("this build works on the real /etc/tavrix; configure it with -DORLA_SYSTEM_ROOT=<scratch dir>");
        }
        return false;
    }
    // The window tests write and remove the password file the build reads.
    const QString passwd = QDir::cleanPath(QString::fromUtf8(SystemPaths::passwdFile));
    if (!passwd.startsWith(QDir::cleanPath(root) + QLatin1Char('/'))) {
        if (why) {
            *why = QStringLiteral("this build reads the machine's own password file; configure it with -DORLA_PASSWD_FILE=<file below ORLA_SYSTEM_ROOT>");
        }
        return false;
    }
    return true;
}

void KioskTree::clear()
{
    QString why;
    if (!isScratch(&why)) {
        throw std::runtime_error(why.toStdString());
    }
    const QString root = QString::fromUtf8(SystemPaths::systemRoot);
    QDir(root + QStringLiteral("/etc/tavrix")).removeRecursively();
    QDir(root + QStringLiteral("/sys/module/tavrix")).removeRecursively();
    // The earlier configurations the helper kept belong to the tree they came from.
    QDir(QString::fromUtf8(SystemPaths::snapshotsDir)).removeRecursively();
    QDir().mkpath(profilesDir());
    QDir().mkpath(usersDir());
    setSwitches(false, false);
}

void KioskTree::writeProfile(const QString &name, const QString &text)
{
    writeFile(profilesDir() + QLatin1Char('/') + name, text.toUtf8());
}

void KioskTree::writeUser(const QString &name, const QString &text, bool enabled)
{
    writeFile((enabled ? usersDir() : disabledUsersDir()) + QLatin1Char('/') + name, text.toUtf8());
}

void KioskTree::setSwitches(bool enforce, bool autoEnforce, bool complain, bool autoComplain)
{
    const auto value = [](bool on) {
        return on ? QByteArray("1\n") : QByteArray("0\n");
    };
    writeFile(QString::fromUtf8(SystemPaths::enforceParameter), value(enforce));
    writeFile(QString::fromUtf8(SystemPaths::autoEnforceFile), value(autoEnforce));
    writeFile(QString::fromUtf8(SystemPaths::complainParameter), value(complain));
    writeFile(QString::fromUtf8(SystemPaths::autoComplainFile), value(autoComplain));
}

void KioskTree::setPasswd(const QStringList &lines)
{
    QString why;
    if (!isScratch(&why)) {
        throw std::runtime_error(why.toStdString());
    }
    writeFile(QString::fromUtf8(SystemPaths::passwdFile), (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

QString KioskTree::profile(const QString &name) const
{
    return readFile(profilesDir() + QLatin1Char('/') + name);
}

QString KioskTree::user(const QString &name, bool enabled) const
{
    return readFile((enabled ? usersDir() : disabledUsersDir()) + QLatin1Char('/') + name);
}

bool KioskTree::hasProfile(const QString &name) const
{
    return QFileInfo(profilesDir() + QLatin1Char('/') + name).isFile();
}

bool KioskTree::hasUser(const QString &name, bool enabled) const
{
    return QFileInfo((enabled ? usersDir() : disabledUsersDir()) + QLatin1Char('/') + name).isFile();
}

QStringList KioskTree::profileNames() const
{
    return fileNames(profilesDir());
}

QStringList KioskTree::userNames(bool enabled) const
{
    return fileNames(enabled ? usersDir() : disabledUsersDir());
}

QString KioskTree::switchValue(const QString &path) const
{
    return readFile(path).trimmed();
}

QString KioskTree::profilesDir()
{
    return QString::fromUtf8(SystemPaths::systemProfilesDir);
}

QString KioskTree::usersDir()
{
    return QString::fromUtf8(SystemPaths::userProfilesDir);
}

QString KioskTree::disabledUsersDir()
{
    return usersDir() + QStringLiteral("/disabled");
}
