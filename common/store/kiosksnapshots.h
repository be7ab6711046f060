/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_KIOSKSNAPSHOTS_H
#define ORLA_KIOSKSNAPSHOTS_H

#include "orlacommon_export.h"
#include "protocol/updateactionsmap.h"
#include "store/kiosktransaction.h"

#include <QDateTime>
#include <QList>
#include <QString>

/**
 * Earlier configurations of the kiosk tree: before a save changes anything,
 * what it is about to replace, rename or remove is kept here with the time
 * and a short summary, so that the save can be undone later. The last
 * maxSnapshots are kept, the oldest dropped first.
 *
 * Lives in a folder only root may read; the helper alone uses it.
 */
class ORLACOMMON_EXPORT KioskSnapshots
{
public:
    static constexpr int maxSnapshots = 50;

    struct Info {
        QString id;
        QDateTime time;
        QString summary;
    };

    static QString directory();

    /** A snapshot's id as the helper accepts it from a caller. */
    static bool isValidId(const QString &id);

    /** Every snapshot kept, newest first; one that cannot be read is left out. */
    static QList<Info> list();

    /**
     * Keeps @p earlier as a new snapshot, drops the oldest beyond
     * maxSnapshots and returns the new one's id.
     * @throws CreateDirException, WriteFileException
     */
    static QString take(const QList<KioskTransaction::Earlier> &earlier, const QString &summary);

    /**
     * What the snapshot @p id kept.
     * @throws ReadFileException
     */
    static QList<KioskTransaction::Earlier> read(const QString &id, Info *info = nullptr);

    /** What restoring @p earlier writes and removes, as the update action's arguments. */
    static UpdateActionsMap asUpdate(const QList<KioskTransaction::Earlier> &earlier);

    /** Removes the snapshot @p id; one that is gone is not an error. */
    static void remove(const QString &id);

    /** The id of the snapshot taken last; empty when there is none. */
    static QString newest();

    /** Removes every snapshot taken after @p id (all of them when it is empty). */
    static void removeNewerThan(const QString &id);
};

#endif
