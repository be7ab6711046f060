/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "x11session.h"

#include <QDir>
#include <QX11Info>

// Last: Xlib's macros would rename Qt's own identifiers.
#include <X11/Xlib.h>

QString X11Session::displayName()
{
    if (QX11Info::isPlatformX11()) {
        if (Display *display = QX11Info::display()) {
            return QString::fromLocal8Bit(DisplayString(display));
        }
    }
    return qEnvironmentVariable("DISPLAY");
}

QString X11Session::authorityPath()
{
    const QString path = qEnvironmentVariable("XAUTHORITY");
    return path.isEmpty() ? QDir::homePath() + QStringLiteral("/.Xauthority") : path;
}
