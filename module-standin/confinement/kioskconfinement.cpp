/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "kioskconfinement.h"

#include "failures/detailsexception.h"
#include "store/systemkiosk.h"
#include "userwhitelist.h"

KioskConfinement::KioskConfinement(const QString &account, uid_t uid)
{
    if (uid == 0) {
        return;
    }
    // A switch that cannot be read is off, as the trace reporter reads it.
    bool enforce = false;
    try {
        enforce = SystemKiosk().enforce();
    } catch (const DetailsException &) {
    }
    if (!enforce) {
        return;
    }
    // The rules go in as the walk opens their objects; whether there is a
    // kiosk user at all is known only after the walk.
    const bool ruleset = m_ruleset.create(&m_reason);
    QStringList refused;
    UserWhitelist::GrantSink sink;
    if (ruleset) {
        sink = [this, &refused](int fd, const QByteArray &path, UserWhitelist::Modes object, UserWhitelist::Modes beneath) {
            m_ruleset.add(fd, path, object, beneath, &refused);
        };
    }
    const UserWhitelist whitelist = UserWhitelist::read(account, uid, {}, sink);
    if (!whitelist.isKioskUser()) {
        m_reason.clear();
        return;
    }
    m_warnings = whitelist.warnings() + refused;
    m_verdict = ruleset ? Verdict::Confined : Verdict::Refused;
}
