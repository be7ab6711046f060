/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_UPDATEPREVIEW_H
#define ORLA_UPDATEPREVIEW_H

#include "orlacommon_export.h"
#include "protocol/updateactionsmap.h"
#include "store/systemkiosk.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

/**
 * What a save would change, in words an administrator reads before saving:
 * users and profiles added, removed, renamed, enabled or disabled, and a
 * line-by-line difference of every profile whose text changes.
 */
class ORLACOMMON_EXPORT UpdatePreview
{
public:
    /** The text an entry holds now; empty when there is no such file. */
    using CurrentText = std::function<std::optional<QString>(const SystemKiosk::Entry &)>;

    /** @p current defaults to reading the kiosk tree. */
    explicit UpdatePreview(const UpdateActionsMap &map, CurrentText current = {});

    /** One line each: "Profile renamed: a → b" and the like. */
    QStringList summary() const;
    /** The summary, then each changed text's difference ("- ", "+ ", "  " lines). */
    QString text() const;

    /** The difference of two texts, line by line, with unchanged lines around each change. */
    static QStringList lineDifference(const QString &before, const QString &after);

private:
    QStringList m_summary;
    QStringList m_differences;
};

#endif
