/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_BUNDLEREADER_H
#define ORLA_BUNDLEREADER_H

#include "kioskbundle.h"

#include <QCoreApplication>
#include <QString>

/**
 * Reads a bundle and refuses it whole at the first thing wrong with it.
 *
 * A bundle comes from another machine and is trusted for nothing: it is a
 * tar archive of regular files only, each named as a profile, a user profile
 * or the manifest by the store's own name rules, none larger than a profile
 * can sensibly be, all listed in the manifest with their checksums, in the
 * one format version this program knows. Members are read into memory, never
 * unpacked to disk, and sizes are checked before any byte is read.
 */
class BundleReader
{
    Q_DECLARE_TR_FUNCTIONS(BundleReader)

public:
    /** Largest member, and largest sum of members: what one update can carry. */
    static constexpr qint64 maxMemberBytes = 16 * 1024 * 1024;
    static constexpr qint64 maxBundleBytes = 32 * 1024 * 1024;

    /** @throws ReadFileException, BundleException */
    static KioskBundle readFile(const QString &path);
    /** @throws BundleException */
    static KioskBundle readBytes(const QByteArray &bytes);

private:
    struct Archive;
    // @p openStatus: what opening the archive returned.
    static KioskBundle read(Archive &archive, int openStatus);
};

#endif
