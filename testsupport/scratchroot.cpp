/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "scratchroot.h"

#include "systempaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool ScratchRoot::isScratchBuild(QString *why)
{
    if (!root().isEmpty()) {
        return true;
    }
    if (why) {
        *why = QStringLiteral("the kiosk tree is the real system's: build with -DORLA_SYSTEM_ROOT=<scratch dir>");
    }
    return false;
}

bool ScratchRoot::ownsPasswdFile(QString *why)
{
    if (!isScratchBuild(why)) {
        return false;
    }
    if (!contains(QString::fromUtf8(SystemPaths::passwdFile))) {
        if (why) {
            *why = QStringLiteral("the build reads the machine's own password file: build with -DORLA_PASSWD_FILE=<file below ORLA_SYSTEM_ROOT>");
        }
        return false;
    }
    return true;
}

QString ScratchRoot::root()
{
    const QString path = QDir::cleanPath(QString::fromUtf8(SystemPaths::systemRoot));
    // An empty or "/" root is the real system; it must never be wiped.
    if (path.isEmpty() || path == QLatin1String("/") || path == QLatin1String(".")) {
        return QString();
    }
    return path;
}

void ScratchRoot::reset()
{
    const QString path = root();
    if (path.isEmpty()) {
        return;
    }
    // Under the test bus's --accounts the password file is a link to the run's
    // live account database; without it the accounts a test adds would drop
    // out of the listing.
    const QString passwd = QDir::cleanPath(QString::fromUtf8(SystemPaths::passwdFile));
    const QFileInfo passwdInfo(passwd);
    const QString passwdLink = contains(passwd) && passwdInfo.isSymLink() ? passwdInfo.symLinkTarget() : QString();

    // usr/ holds the module's tools that the build puts there (the collector,
    // the scratch dmesg); everything else is data a test may have left.
    QDir dir(path);
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry == QLatin1String("usr")) {
            continue;
        }
        const QString entryPath = dir.filePath(entry);
        if (QFileInfo(entryPath).isDir() && !QFileInfo(entryPath).isSymLink()) {
            QDir(entryPath).removeRecursively();
        } else {
            QFile::remove(entryPath);
        }
    }
    QDir().mkpath(path);
    if (!passwdLink.isEmpty()) {
        QDir().mkpath(passwdInfo.absolutePath());
        QFile::link(passwdLink, passwd);
    }
}

bool ScratchRoot::contains(const QString &path)
{
    const QString base = root();
    if (base.isEmpty()) {
        return false;
    }
    const QString cleaned = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return cleaned.startsWith(base + QLatin1Char('/'));
}
