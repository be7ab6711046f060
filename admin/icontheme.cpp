/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "icontheme.h"

#include <QDir>
#include <QIcon>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

void IconTheme::ensureFallback()
{
    // Without a platform theme Qt searches its resources only.
    QStringList searchPaths = QIcon::themeSearchPaths();
    QStringList dataDirs = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"), QStandardPaths::LocateDirectory);
    dataDirs.prepend(QDir::homePath() + QStringLiteral("/.icons"));
    for (const QString &dir : std::as_const(dataDirs)) {
        if (!searchPaths.contains(dir)) {
            searchPaths << dir;
        }
    }
    QIcon::setThemeSearchPaths(searchPaths);

    const QString theme = QIcon::themeName();
    if (theme.isEmpty() || theme == QLatin1String("hicolor")) {
        QIcon::setThemeName(QStringLiteral("breeze"));
    }
}
