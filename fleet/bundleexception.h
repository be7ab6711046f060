/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_BUNDLEEXCEPTION_H
#define ORLA_BUNDLEEXCEPTION_H

#include "failures/detailsexception.h"

/** A bundle that is refused: details() says what is wrong with it, in a sentence. */
class BundleException : public DetailsException
{
public:
    explicit BundleException(const QString &details);

    QString fullDetails() const override;
};

#endif
