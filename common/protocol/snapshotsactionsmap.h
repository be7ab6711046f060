/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_SNAPSHOTSACTIONSMAP_H
#define ORLA_SNAPSHOTSACTIONSMAP_H

#include "protocol/helperactionsmap.h"

#include <QDateTime>
#include <QList>

/**
 * Arguments and reply of the snapshots action: without a snapshot to
 * restore it only lists the earlier configurations the helper keeps; with
 * one, it restores it as a save of its own (which is itself kept) and lists
 * them afterwards. With one to preview it also sends what restoring it
 * would write and remove.
 */
class ORLACOMMON_EXPORT SnapshotsActionsMap : public HelperActionsMap
{
public:
    /** One earlier configuration as the reply lists it. */
    struct Entry {
        QString id;
        QDateTime time;
        QString summary;
    };

    using HelperActionsMap::HelperActionsMap;
    ~SnapshotsActionsMap() override;

    void setRestore(const QString &id);
    /** Empty: list only. */
    QString restore() const;

    /** Asks for the change that restoring @p id would make, as an update's arguments. */
    void setPreview(const QString &id);
    QString preview() const;

    /** Both, each a string. */
    static QList<Key> acceptedKeys();

    /** Reply data listing @p entries, newest first. */
    static QVariantMap replyData(const QList<Entry> &entries);
    /** The previewed change of reply data (the update's argument map); empty when none. */
    static QVariantMap previewFromReply(const QVariantMap &data);

    /** The entries of reply data; malformed entries are left out. */
    static QList<Entry> entriesFromReply(const QVariantMap &data);
};

#endif
