/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_GLOBALTRACEACTIONSMAP_H
#define ORLA_GLOBALTRACEACTIONSMAP_H

#include "protocol/helperactionsmap.h"

#include <optional>

/** Arguments of the global-trace action. */
class ORLACOMMON_EXPORT GlobalTraceActionsMap : public HelperActionsMap
{
public:
    using HelperActionsMap::HelperActionsMap;
    ~GlobalTraceActionsMap() override;

    void enableGlobalRecordMode(bool enable);
    bool globalRecordModeEnabled() const;

    /** Discard the recorded rules when recording stops. */
    void setIgnoreResult(bool ignore);
    bool ignoreResult() const;

    /** Both, each a bool. */
    static QList<Key> acceptedKeys();

    /**
     * Reply data of a recording that has ended: the recorder's @p warnings,
     * and the recorded texts (account to rules text) unless they were to be
     * discarded.
     */
    static QVariantMap replyData(const QStringList &warnings, const std::optional<QMap<QString, QString>> &texts);
    /** The recorded texts of reply data, account to rules text. */
    static QVariantMap textsFromReply(const QVariantMap &data);
};

#endif
