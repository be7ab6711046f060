/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_MICDETECT_H
#define ORLA_MICDETECT_H

/**
 * The integrity check: whether this process may change the kiosk
 * configuration at all.
 *
 * The workstation's desktop answers this from the mandatory integrity level
 * of the process. Without integrity levels the authorisation service is
 * asked instead whether the administrator could run the update action.
 */
class MICDetect
{
public:
    MICDetect() = delete;

    /**
     * False whenever the update action is out of reach: the action or its
     * helper is not installed, the authorisation service is unreachable or
     * refuses the administrator. Does not ask the administrator anything.
     */
    static bool isCurrentProcessHasMaxMIC();
};

#endif
