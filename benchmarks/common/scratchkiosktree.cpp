/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "scratchkiosktree.h"

#include "benchmarkoptions.h"
#include "scratchroot.h"
#include "treefiles.h"

#include "store/systemkiosk.h"
#include "systempaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>

namespace
{
QString includes(const QStringList &names)
{
    QString text;
    for (const QString &name : names) {
        text += QStringLiteral("@include %1\n").arg(name);
    }
    return text;
}
}

void ScratchKioskTree::Layout::addOptions(BenchmarkOptions &options)
{
    options.add(QStringLiteral("users"), QStringLiteral("Kiosk users (every tenth disabled)."), &users);
    size.addOptions(options);
}

bool ScratchKioskTree::isScratchBuild()
{
    QString why;
    if (!ScratchRoot::isScratchBuild(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return false;
    }
    return true;
}

QString ScratchKioskTree::root()
{
    return ScratchRoot::root();
}

void ScratchKioskTree::withoutSystemBus()
{
    if (qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS") && !QFile::exists(QStringLiteral("/run/dbus/system_bus_socket"))) {
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/orla-benchmark-no-bus");
    }
}

bool ScratchKioskTree::write(const Layout &layout)
{
    QStringList users;
    for (int user = 0; user < layout.users; ++user) {
        users.append(QStringLiteral("kiosk%1").arg(user, 5, 10, QLatin1Char('0')));
    }
    return write(layout, users);
}

bool ScratchKioskTree::write(const Layout &layout, const QStringList &users)
{
    if (!ScratchRoot::isScratchBuild()) {
        return false;
    }
    remove();
    const QString profilesDir = SystemKiosk::systemProfilesDir();
    const QString usersDir = SystemKiosk::userProfilesDir();
    const QString disabledDir = SystemKiosk::disabledProfilesDir();
    if (!QDir().mkpath(profilesDir) || !QDir().mkpath(disabledDir)) {
        return false;
    }
    if (!TreeFiles::write(QString::fromUtf8(SystemPaths::enforceParameter), layout.enforcing ? "1\n" : "0\n")
        || !TreeFiles::write(QString::fromUtf8(SystemPaths::complainParameter), "0\n")
        || !TreeFiles::write(QString::fromUtf8(SystemPaths::autoEnforceFile), "1\n")) {
        return false;
    }

    QRandomGenerator random(layout.seed);
    const LayeredTree tree(layout.size);
    const int perLayer = tree.perLayer();
    for (int layer = 0; layer < tree.layers(); ++layer) {
        for (int index = 0; index < perLayer; ++index) {
            QString text = includes(tree.includesBelow(layer, random));
            if (layout.missingIncludes && layer + 1 == tree.layers() && index % 97 == 0) {
                text += QStringLiteral("@include missing-runtime\n");
            }
            for (int i = 0; i < layout.rules; ++i) {
                text += QStringLiteral("+file r uo: /usr/share/app%1/data/file%2\n").arg(layer * perLayer + index).arg(i);
            }
            if (!layout.closingComment.isEmpty()) {
                text += QStringLiteral("# %1\n").arg(layout.closingComment);
            }
            if (!TreeFiles::write(profilesDir + QLatin1Char('/') + tree.name(layer, index), text.toUtf8())) {
                return false;
            }
        }
    }
    for (int user = 0; user < users.size(); ++user) {
        const QString text = includes(tree.pick(0, tree.fanout(), random));
        const QString dir = user % 10 == 9 ? disabledDir : usersDir;
        if (!TreeFiles::write(dir + QLatin1Char('/') + users.at(user), text.toUtf8())) {
            return false;
        }
    }
    return true;
}

void ScratchKioskTree::remove()
{
    if (!ScratchRoot::isScratchBuild()) {
        return;
    }
    QDir(QFileInfo(SystemKiosk::systemProfilesDir()).path()).removeRecursively();
    QDir(QString::fromUtf8(SystemPaths::moduleParametersDir)).removeRecursively();
}

QStringList ScratchKioskTree::profileDirs()
{
    return {SystemKiosk::systemProfilesDir(), SystemKiosk::userProfilesDir(), SystemKiosk::disabledProfilesDir()};
}

QStringList ScratchKioskTree::asKioskAccount(const QStringList &command)
{
    return QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")} + command;
}
