/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "system/passwd.h"

#include "failures/readfileexception.h"
#include "systempaths.h"

#include <cstdio>
#include <memory>
#include <pwd.h>

QList<PasswdEntry> Passwd::entries()
{
    const std::unique_ptr<FILE, int (*)(FILE *)> stream(std::fopen(SystemPaths::passwdFile, "re"), &std::fclose);
    if (!stream) {
        throw ReadFileException(QString::fromUtf8(SystemPaths::passwdFile), tr("can not open file stream"));
    }

    QList<PasswdEntry> result;
    while (const passwd *entry = fgetpwent(stream.get())) {
        PasswdEntry item;
        item.name = QString::fromUtf8(entry->pw_name);
        item.password = QString::fromUtf8(entry->pw_passwd);
        item.uid = static_cast<int>(entry->pw_uid);
        item.gid = static_cast<int>(entry->pw_gid);
        item.gecos = QString::fromUtf8(entry->pw_gecos);
        item.home = QString::fromUtf8(entry->pw_dir);
        item.shell = QString::fromUtf8(entry->pw_shell);
        result.append(item);
    }
    return result;
}
