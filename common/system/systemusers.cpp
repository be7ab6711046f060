/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "system/systemusers.h"

#include "system/passwd.h"

namespace
{
constexpr uint lastSystemUid = 999;
constexpr uint nobodyUid = 65534;
}

QSet<QString> Utils::users()
{
    QSet<QString> names;
    const QList<PasswdEntry> entries = Passwd::entries();
    for (const PasswdEntry &entry : entries) {
        // Ids above 2^31 come back negative in an int; as unsigned they are ordinary ids.
        const uint uid = static_cast<uint>(entry.uid);
        if (uid > lastSystemUid && uid != nobodyUid) {
            names.insert(entry.name);
        }
    }
    return names;
}
