/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "system/accountdirectory.h"

#include "system/user.h"

#include <QByteArray>

#include <cerrno>
#include <pwd.h>
#include <unistd.h>

bool AccountDirectory::exists(const QString &name)
{
    const auto known = m_known.constFind(name);
    if (known != m_known.constEnd()) {
        return known.value();
    }
    // One question is cheapest asked alone; for many, one listing serves all.
    if (!m_listed && !m_known.isEmpty()) {
        list();
    }
    // The account tools refuse such names, so no account can be asked for by them.
    const bool found = User::isValidName(name) && (m_listedNames.contains(name) || lookUp(name));
    m_known.insert(name, found);
    return found;
}

bool AccountDirectory::existsNow(const QString &name)
{
    const bool found = User::isValidName(name) && lookUp(name);
    m_known.insert(name, found);
    return found;
}

void AccountDirectory::list()
{
    m_listed = true;
    setpwent();
    while (const passwd *entry = getpwent()) {
        m_listedNames.insert(QString::fromUtf8(entry->pw_name));
    }
    endpwent();
}

bool AccountDirectory::lookUp(const QString &name)
{
    const QByteArray encoded = name.toUtf8();
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    QByteArray buffer(suggested > 0 ? int(suggested) : 16384, Qt::Uninitialized);
    for (;;) {
        passwd entry{};
        passwd *result = nullptr;
        const int error = getpwnam_r(encoded.constData(), &entry, buffer.data(), size_t(buffer.size()), &result);
        if (error == ERANGE && buffer.size() < (1 << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return error == 0 && result != nullptr;
    }
}
