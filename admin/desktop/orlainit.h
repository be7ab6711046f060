/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ORLAINIT_H
#define ORLA_ORLAINIT_H

/**
 * The desktop's common application setup: names the application
 * "orla-admin-kiosk" and registers its about data (display name, version,
 * description), which the help menu's About dialog shows.
 *
 * @param version the program's version text
 * @param description the display name, a line feed and a short description
 *
 * Call once, after the application object exists and before any window.
 */
void orlaInit(const char *version, const char *description);

#endif
