/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_X11SESSION_H
#define ORLA_X11SESSION_H

#include <QString>

/** Where applications started for this session show their windows. */
namespace X11Session
{
/**
 * The name of the X display the program is connected to. A program that is
 * not an X client itself (a Wayland session, the offscreen platform) gives
 * the display that applications of its session reach through DISPLAY.
 * Empty when there is none.
 */
QString displayName();

/** The session's X authority file: XAUTHORITY, or the file Xlib reads without it. */
QString authorityPath();
}

#endif
