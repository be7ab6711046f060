/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KIOSKMODES_H
#define ORLA_KIOSKMODES_H

/** The kiosk switches as last read from the system. */
struct KioskModes {
    bool enforce = false; // enforcing now
    bool autoEnforce = false; // enforcing after reboot
    bool complain = false; // complaining now, that is global recording runs
};

#endif
