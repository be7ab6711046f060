/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "desktop/orlainit.h"

#include <KAboutData>

#include <QString>

void orlaInit(const char *version, const char *description)
{
    const QString text = QString::fromUtf8(description);
    const int lineEnd = text.indexOf(QLatin1Char('\n'));
    const QString displayName = lineEnd < 0 ? text : text.left(lineEnd);
    const QString shortDescription = lineEnd < 0 ? QString() : text.mid(lineEnd + 1);

    KAboutData about(QStringLiteral("orla-admin-kiosk"), displayName, QString::fromUtf8(version), shortDescription, KAboutLicense::Unknown);
    // Otherwise the about data would claim a foreign domain, bug address and desktop file.
    about.setOrganizationDomain("orla");
    about.setBugAddress(QByteArray());
    about.setDesktopFileName(QStringLiteral("orla-admin-kiosk"));
    KAboutData::setApplicationData(about);
}
