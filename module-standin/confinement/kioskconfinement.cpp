/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "kioskconfinement.h"

#include "failures/detailsexception.h"
#include "store/systemkiosk.h"
#include "store/userwhitelist.h"

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
    const UserWhitelist whitelist = UserWhitelist::read(account, uid);
    if (!whitelist.isKioskUser()) {
        return;
    }
    m_warnings = whitelist.warnings();
    if (m_ruleset.build(whitelist.grants(), &m_reason, &m_warnings)) {
        m_verdict = Verdict::Confined;
    } else {
        m_verdict = Verdict::Refused;
    }
}
