/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/includerule.h"

#include <QHash>

IncludeRule::IncludeRule() = default;

IncludeRule::IncludeRule(const QString &name)
    : m_name(name)
{
}

IncludeRule::~IncludeRule() = default;

QString IncludeRule::name() const
{
    return m_name;
}

void IncludeRule::setProfileName(const QString &name)
{
    m_name = name;
}

bool IncludeRule::operator==(const IncludeRule &other) const
{
    return m_name == other.m_name;
}

bool IncludeRule::operator!=(const IncludeRule &other) const
{
    return !(*this == other);
}

uint IncludeRule::qHash(uint seed) const
{
    return ::qHash(m_name, seed);
}
