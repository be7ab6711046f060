/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ICONTHEME_H
#define ORLA_ICONTHEME_H

namespace IconTheme
{
/**
 * Without desktop settings (a bare X server, the offscreen platform) Qt knows
 * no theme (or hicolor, which lacks the action and status icons the windows
 * name) and may not even search the system's icon folders. Adds those
 * folders and falls back to breeze; a desktop's own choice is kept.
 */
void ensureFallback();
}

#endif
