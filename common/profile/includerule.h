/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_INCLUDERULE_H
#define ORLA_INCLUDERULE_H

#include "orlacommon_export.h"

#include <QString>

/**
 * A reference from one profile to another by the other's bare name.
 * Names compare exactly, case-sensitively.
 */
class ORLACOMMON_EXPORT IncludeRule
{
public:
    IncludeRule();
    explicit IncludeRule(const QString &name);
    virtual ~IncludeRule();

    IncludeRule(const IncludeRule &) = default;
    IncludeRule &operator=(const IncludeRule &) = default;
    IncludeRule(IncludeRule &&) = default;
    IncludeRule &operator=(IncludeRule &&) = default;

    QString name() const;
    void setProfileName(const QString &name);

    bool operator==(const IncludeRule &other) const;
    bool operator!=(const IncludeRule &other) const;

    uint qHash(uint seed) const;

private:
    QString m_name;
};

inline uint qHash(const IncludeRule &rule, uint seed = 0)
{
    return rule.qHash(seed);
}

#endif
