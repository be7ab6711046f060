/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_HELPERACTION_H
#define ORLA_HELPERACTION_H

#include <QString>
#include <QVariantMap>

/**
 * Runs one of the helper's actions as the program runs its update and
 * enable: through KAuth, so polkit authorises it, waiting as long as the
 * helper keeps reporting progress.
 */
class HelperAction
{
public:
    /**
     * True on success, false when the authorisation was refused.
     * @throws KAuthException with the helper's sentence on any other failure
     */
    static bool execute(const QString &actionId, const QVariantMap &arguments, QVariantMap *reply = nullptr);
};

#endif
