/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "failures/catalogues.h"

#include "systempaths.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool Utils::installCatalogue(const QLocale &locale, const QString &name, QObject *parent)
{
    const QString separator = QStringLiteral("_");
    // QTranslator::load(QString) would take the bare file for any locale;
    // the locale form only takes the files of the locale's own languages.
    auto *own = new QTranslator(parent);
    if (!own->load(locale, name, separator, QString::fromUtf8(SystemPaths::translationsDir))) {
        delete own;
        return false;
    }
    QCoreApplication::installTranslator(own);
    auto *qt = new QTranslator(parent);
    if (qt->load(QLocale(own->language()), QStringLiteral("qtbase"), separator, QLibraryInfo::location(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt);
    } else {
        delete qt;
    }
    return true;
}
