/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_TRACEAPPLICATIONACTIONSMAP_H
#define ORLA_TRACEAPPLICATIONACTIONSMAP_H

#include "protocol/helperactionsmap.h"

#include <optional>

/** Arguments of the trace-application action. */
class ORLACOMMON_EXPORT TraceApplicationActionsMap : public HelperActionsMap
{
public:
    using HelperActionsMap::HelperActionsMap;
    ~TraceApplicationActionsMap() override;

    /** Account to run the application as; empty for a temporary account. */
    void setUsername(const QString &username);
    void setCommand(const QString &command);
    void setDisplay(const QString &display);
    void setXauthorytyPath(const QString &path);

    QString username() const;
    QString command() const;
    QString display() const;
    QString xauthorytyPath() const;

    /** All four, each a string. */
    static QList<Key> acceptedKeys();

    /** Reply data: the recorder's @p warnings, and the recorded @p text when the recording succeeded. */
    static QVariantMap replyData(const QStringList &warnings, const std::optional<QString> &text = std::nullopt);
    /** The recorded rules text of reply data, UTF-8. */
    static QByteArray textFromReply(const QVariantMap &data);
};

#endif
