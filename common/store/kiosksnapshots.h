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
#include <QStringList>

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

    /** The snapshots of the kiosk below @p root (SystemPaths' root when empty). */
    explicit KioskSnapshots(const QString &root = QString());

    QString directory() const;

    /** A snapshot's id as the helper accepts it from a caller. */
    static bool isValidId(const QString &id);

    /** Every snapshot kept, newest first; one that cannot be read is left out. */
    QList<Info> list() const;

    /**
     * Keeps @p earlier as a new snapshot, drops the oldest beyond
     * maxSnapshots and returns the new one's id.
     * @throws CreateDirException, WriteFileException
     */
    QString take(const QList<KioskTransaction::Earlier> &earlier, const QString &summary) const;

    /**
     * What the snapshot @p id kept.
     * @throws ReadFileException
     */
    QList<KioskTransaction::Earlier> read(const QString &id, Info *info = nullptr) const;

    /** What restoring @p earlier writes and removes, as the update action's arguments. */
    static UpdateActionsMap asUpdate(const QList<KioskTransaction::Earlier> &earlier);

    /** Removes the snapshot @p id; one that is gone is not an error. */
    void remove(const QString &id) const;

    /** The id of the snapshot taken last; empty when there is none. */
    QString newest() const;

    /** Removes every snapshot taken after @p id (all of them when it is empty). */
    void removeNewerThan(const QString &id) const;

private:
    QString pathOf(const QString &id) const;
    QStringList ids() const;

    QString m_directory;
};

#endif
