/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_BUNDLEWRITER_H
#define ORLA_BUNDLEWRITER_H

#include "kioskbundle.h"

#include <QByteArray>
#include <QString>

/**
 * Writes a bundle as a tar archive: the manifest first, then every profile
 * and user profile as a regular file.
 *
 * The same configuration always gives the same bytes (no times, owners or
 * padding of the machine that wrote it), so that copying an unchanged
 * bundle to a fleet changes nothing there either.
 */
class BundleWriter
{
public:
    static QByteArray toBytes(const KioskBundle &bundle);

    /**
     * Replaces @p path whole, or leaves it as it was.
     * @throws WriteFileException
     */
    static void writeFile(const KioskBundle &bundle, const QString &path);
};

#endif
