/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "kiosktree.h"

#include "scratchroot.h"
#include "testfiles.h"

#include "store/systemkiosk.h"
#include "systempaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <stdexcept>

namespace
{
QString userDir(bool enabled)
{
    return enabled ? KioskTree::userProfilesDir() : KioskTree::disabledUsersDir();
}

QStringList fileNames(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

void refuse(const QString &path, const char *why)
{
    throw std::runtime_error("will not write " + path.toStdString() + ": " + why);
}
}

QString KioskTree::root()
{
    if (ScratchRoot::isScratchBuild()) {
        return ScratchRoot::root();
    }
    static const QTemporaryDir own;
    return own.path();
}

bool KioskTree::contains(const QString &path)
{
    if (ScratchRoot::isScratchBuild()) {
        return ScratchRoot::contains(path);
    }
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath()).startsWith(root() + QLatin1Char('/'));
}

QString KioskTree::moved(const char *systemPath)
{
    const QString path = QDir::cleanPath(QString::fromUtf8(systemPath));
    const QString systemRoot = ScratchRoot::root();
    return root() + (path.startsWith(systemRoot + QLatin1Char('/')) ? path.mid(systemRoot.size()) : path);
}

SystemKiosk KioskTree::kiosk()
{
    return SystemKiosk(root());
}

void KioskTree::reset(Switches switches)
{
    if (ScratchRoot::isScratchBuild()) {
        ScratchRoot::reset();
    } else {
        QDir(root()).removeRecursively();
        QDir().mkpath(root());
    }
    QDir().mkpath(systemProfilesDir());
    QDir().mkpath(userProfilesDir());
    if (switches == Switches::Off) {
        setSwitches(false, false);
    }
}

QString KioskTree::systemProfilesDir()
{
    return moved(SystemPaths::systemProfilesDir);
}

QString KioskTree::userProfilesDir()
{
    return moved(SystemPaths::userProfilesDir);
}

QString KioskTree::disabledUsersDir()
{
    return kiosk().path(SystemKiosk::Directory::Disabled);
}

QString KioskTree::systemProfile(const QString &name)
{
    return systemProfilesDir() + QLatin1Char('/') + name;
}

QString KioskTree::userProfile(const QString &name)
{
    return userProfilesDir() + QLatin1Char('/') + name;
}

void KioskTree::write(const QString &path, const QByteArray &content)
{
    if (!contains(path)) {
        refuse(path, "not below the scratch root");
    }
    // A link may lead out of the root: the test bus's password file is one to
    // the run's own /etc/passwd.
    const QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (info.isSymLink() && !contains(info.symLinkTarget())) {
        refuse(path, "a link that leads out of the scratch root");
    }
    TestFiles::write(info.filePath(), content);
}

void KioskTree::writeProfile(const QString &name, const QString &text)
{
    write(systemProfile(name), text.toUtf8());
}

void KioskTree::writeUser(const QString &name, const QString &text, bool enabled)
{
    write(userDir(enabled) + QLatin1Char('/') + name, text.toUtf8());
}

void KioskTree::setSwitch(const QString &path, bool on)
{
    write(path, on ? QByteArray("1\n") : QByteArray("0\n"));
}

void KioskTree::setSwitches(bool enforce, bool autoEnforce, bool complain, bool autoComplain)
{
    setSwitch(moved(SystemPaths::enforceParameter), enforce);
    setSwitch(moved(SystemPaths::autoEnforceFile), autoEnforce);
    setSwitch(moved(SystemPaths::complainParameter), complain);
    setSwitch(moved(SystemPaths::autoComplainFile), autoComplain);
}

void KioskTree::setPasswd(const QStringList &lines)
{
    QString why;
    if (!ScratchRoot::ownsPasswdFile(&why)) {
        throw std::runtime_error(why.toStdString());
    }
    write(QString::fromUtf8(SystemPaths::passwdFile), (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

void KioskTree::copy(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly)) {
            throw std::runtime_error("cannot read " + source.toStdString());
        }
        write(to + source.mid(from.size()), file.readAll());
    }
}

QString KioskTree::profile(const QString &name)
{
    return QString::fromUtf8(TestFiles::read(systemProfile(name)));
}

QString KioskTree::user(const QString &name, bool enabled)
{
    return QString::fromUtf8(TestFiles::read(userDir(enabled) + QLatin1Char('/') + name));
}

bool KioskTree::hasProfile(const QString &name)
{
    return QFileInfo(systemProfile(name)).isFile();
}

bool KioskTree::hasUser(const QString &name, bool enabled)
{
    return QFileInfo(userDir(enabled) + QLatin1Char('/') + name).isFile();
}

QStringList KioskTree::profileNames()
{
    return fileNames(systemProfilesDir());
}

QStringList KioskTree::userNames(bool enabled)
{
    return fileNames(userDir(enabled));
}

QString KioskTree::switchValue(const QString &path)
{
    return QString::fromUtf8(TestFiles::read(path)).trimmed();
}

KioskTree::Snapshot KioskTree::snapshot(Scope scope)
{
    const QString root = KioskTree::root();
    const QString stateDir = moved(SystemPaths::helperStateDir);
    Snapshot tree;
    if (root.isEmpty()) {
        return tree;
    }
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(root.size());
        if (scope == Scope::Visible && relative.contains(QLatin1String("/.kiosk-"))) {
            continue;
        }
        if (scope != Scope::WholeRoot
            && (relative == QLatin1String("/usr") || relative.startsWith(QLatin1String("/usr/")) || path == stateDir
                || path.startsWith(stateDir + QLatin1Char('/')) || stateDir.startsWith(path + QLatin1Char('/')))) {
            continue;
        }
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink()) {
            tree.insert(relative, "<link to " + QFile::encodeName(info.symLinkTarget()) + "> " + TestFiles::read(path));
        } else if (info.isDir()) {
            tree.insert(relative, "<dir>");
        } else {
            tree.insert(relative, TestFiles::read(path));
        }
    }
    return tree;
}
