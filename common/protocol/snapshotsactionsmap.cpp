/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "protocol/snapshotsactionsmap.h"

#include "protocol/helperconstants.h"

namespace
{
const QLatin1String restoreKey("restore");
const QLatin1String previewKey("preview");
const QLatin1String idKey("id");
const QLatin1String timeKey("time");
const QLatin1String summaryKey("summary");
}

SnapshotsActionsMap::~SnapshotsActionsMap() = default;

void SnapshotsActionsMap::setRestore(const QString &id)
{
    insert(restoreKey, id);
}

QString SnapshotsActionsMap::restore() const
{
    return value(restoreKey).toString();
}

void SnapshotsActionsMap::setPreview(const QString &id)
{
    insert(previewKey, id);
}

QString SnapshotsActionsMap::preview() const
{
    return value(previewKey).toString();
}

QList<HelperActionsMap::Key> SnapshotsActionsMap::acceptedKeys()
{
    return {
        {restoreKey, ValueType::String},
        {previewKey, ValueType::String},
    };
}

QVariantMap SnapshotsActionsMap::previewFromReply(const QVariantMap &data)
{
    return data.value(HelperConstants::snapshotPreviewDataKey).toMap();
}

QVariantMap SnapshotsActionsMap::replyData(const QList<Entry> &entries)
{
    QVariantList list;
    for (const Entry &entry : entries) {
        list.append(QVariantMap{{idKey, entry.id}, {timeKey, entry.time}, {summaryKey, entry.summary}});
    }
    return {{HelperConstants::snapshotsDataKey, list}};
}

QList<SnapshotsActionsMap::Entry> SnapshotsActionsMap::entriesFromReply(const QVariantMap &data)
{
    QList<Entry> entries;
    const QVariantList list = data.value(HelperConstants::snapshotsDataKey).toList();
    for (const QVariant &item : list) {
        const QVariantMap map = item.toMap();
        if (map.value(idKey).userType() == QMetaType::QString && map.value(timeKey).userType() == QMetaType::QDateTime) {
            entries.append({map.value(idKey).toString(), map.value(timeKey).toDateTime(), map.value(summaryKey).toString()});
        }
    }
    return entries;
}
