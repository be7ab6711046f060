/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_DETAILSEXCEPTION_H
#define ORLA_DETAILSEXCEPTION_H

#include "orlacommon_export.h"

#include <QException>
#include <QString>

/**
 * Base of every failure the library throws.
 *
 * details() is the short technical reason (usually the system's or Qt's own
 * error text); fullDetails() is the translated sentence shown to the
 * administrator or sent back by the helper as an error reply.
 */
class ORLACOMMON_EXPORT DetailsException : public QException
{
public:
    explicit DetailsException(const QString &details);
    ~DetailsException() override;

    virtual QString details() const;
    virtual QString fullDetails() const = 0;

private:
    QString m_details;
};

#endif
