/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_BUNDLEUPDATE_H
#define ORLA_BUNDLEUPDATE_H

#include "kioskbundle.h"

#include "protocol/enableactionsmap.h"
#include "protocol/updateactionsmap.h"

#include <QCoreApplication>
#include <QStringList>

/**
 * What turns one kiosk configuration into another, as the helper's actions
 * take it: one update (users moved between enabled and disabled, profiles
 * written whole or removed) and the switches after reboot that differ.
 *
 * Texts are compared as the store reads them, as UTF-8, so that applying
 * the result and comparing again finds nothing left to do.
 */
class BundleUpdate
{
    Q_DECLARE_TR_FUNCTIONS(BundleUpdate)

public:
    BundleUpdate(const KioskBundle &current, const KioskBundle &wanted);

    bool isEmpty() const;
    bool changesProfiles() const;
    bool changesSwitches() const;

    /** The update action's arguments, with the locale from LANG. */
    UpdateActionsMap updateMap() const;
    /** The enable action's arguments: only the switches that differ. */
    EnableActionsMap enableMap() const;

    /**
     * The changes in the words of the program's save question: its summary
     * and each changed profile's difference, then the switches.
     */
    QString preview() const;

private:
    KioskBundle m_current;
    UpdateActionsMap m_update;
    EnableActionsMap m_enable;
    bool m_changesProfiles = false;
    QStringList m_switchChanges;
};

#endif
