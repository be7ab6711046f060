/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_HELPERSTART_H
#define ORLA_HELPERSTART_H

#include "orlacommon_export.h"

namespace Utils
{
/**
 * Starts the privileged helper unless it is running, and returns once it has
 * started. A helper that starts puts the kiosk tree back whole after a save
 * that was interrupted, before it answers anyone; the bus starts it for any
 * caller, without asking polkit, and it ends by itself when nobody calls it.
 */
ORLACOMMON_EXPORT void startHelper();

/**
 * Before the kiosk tree is read: when it holds what a save leaves out of
 * sight while it works and no helper is at work on it, a save was
 * interrupted, and the helper is started to put the tree in order first.
 */
ORLACOMMON_EXPORT void putInterruptedSaveInOrder();
}

#endif
