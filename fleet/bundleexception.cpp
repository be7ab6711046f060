/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "bundleexception.h"

#include <QCoreApplication>

BundleException::BundleException(const QString &details)
    : DetailsException(details)
{
}

QString BundleException::fullDetails() const
{
    return QCoreApplication::translate("BundleException", "The bundle is refused: %1").arg(details());
}
