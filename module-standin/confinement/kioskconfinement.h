/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KIOSKCONFINEMENT_H
#define ORLA_KIOSKCONFINEMENT_H

#include "landlockruleset.h"

#include <QString>
#include <QStringList>

#include <sys/types.h>

/**
 * Whether a session of one account starts confined, decided when it
 * starts: confined when the enforce switch is on and the account is an
 * enabled kiosk user, by a ruleset of what its profiles allow now. Root is
 * never confined, so that no switch and no profile can lock it out.
 */
class KioskConfinement
{
public:
    enum class Verdict {
        Unconfined,
        Confined,
        // A kiosk user's session that must not start: no ruleset can be made.
        Refused,
    };

    KioskConfinement(const QString &account, uid_t uid);

    Verdict verdict() const
    {
        return m_verdict;
    }

    /** Why the session is refused. */
    QString reason() const
    {
        return m_reason;
    }

    /** What the user's profiles grant less than they say, one sentence each. */
    QStringList warnings() const
    {
        return m_warnings;
    }

    /** The ruleset of a confined session; -1 otherwise. */
    int rulesetFd() const
    {
        return m_ruleset.fd();
    }

    int rules() const
    {
        return m_ruleset.rules();
    }

private:
    Verdict m_verdict = Verdict::Unconfined;
    QString m_reason;
    QStringList m_warnings;
    LandlockRuleset m_ruleset;
};

#endif
