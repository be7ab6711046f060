/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_KAUTHEXCEPTION_H
#define ORLA_KAUTHEXCEPTION_H

#include "failures/detailsexception.h"

#include <KAuth/ActionReply>

/** A privileged action that failed for any reason other than a refused authorisation. */
class ORLACOMMON_EXPORT KAuthException : public DetailsException
{
public:
    KAuthException(KAuth::ActionReply::Error id, const QString &details);

    KAuth::ActionReply::Error id() const;
    QString fullDetails() const override;

private:
    KAuth::ActionReply::Error m_id;
};

#endif
