/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/objectrule.h"

ObjectRule::ObjectRule() = default;

ObjectRule::~ObjectRule() = default;

ObjectRule::Type ObjectRule::type() const
{
    return m_type;
}

void ObjectRule::setType(Type type)
{
    m_type = type;
}

QString ObjectRule::filename() const
{
    return m_filename;
}

void ObjectRule::setFilename(const QString &filename)
{
    m_filename = filename;
}

bool ObjectRule::deleted() const
{
    return m_deleted;
}

void ObjectRule::setDeleted(bool deleted)
{
    m_deleted = deleted;
}

QSet<ObjectRule::Mode> ObjectRule::modes() const
{
    return m_modes;
}

void ObjectRule::insertMode(const Mode &mode)
{
    m_modes.insert(mode);
}

void ObjectRule::insertModes(const QSet<Mode> &modes)
{
    // Sharing instead of copying element by element keeps reading profiles cheap.
    if (m_modes.isEmpty()) {
        m_modes = modes;
        return;
    }
    m_modes.unite(modes);
}

void ObjectRule::removeMode(const Mode &mode)
{
    m_modes.remove(mode);
}

QSet<ObjectRule::Target> ObjectRule::targets() const
{
    return m_targets;
}

void ObjectRule::insertTarget(const Target &target)
{
    m_targets.insert(target);
}

void ObjectRule::insertTargets(const QSet<Target> &targets)
{
    if (m_targets.isEmpty()) {
        m_targets = targets;
        return;
    }
    m_targets.unite(targets);
}

void ObjectRule::removeTarget(const Target &target)
{
    m_targets.remove(target);
}

QSet<ObjectRule::Error> ObjectRule::errors() const
{
    QSet<Error> result;
    // Unsigned wrap-around makes Unknown (and any stray value) fail the same test.
    if (static_cast<unsigned int>(m_type) - 1U > 1U) {
        result.insert(InvalidType);
    }
    if (m_modes.isEmpty()) {
        result.insert(NoModes);
    }
    if (m_targets.isEmpty()) {
        result.insert(NoTargets);
    }
    if (m_filename.isEmpty()) {
        result.insert(EmptyFilename);
    }
    return result;
}

bool ObjectRule::isValid() const
{
    return (static_cast<unsigned int>(m_type) - 1U <= 1U) && !m_modes.isEmpty() && !m_targets.isEmpty() && !m_filename.isEmpty();
}

bool ObjectRule::operator==(const ObjectRule &other) const
{
    return m_type == other.m_type && m_deleted == other.m_deleted && m_filename == other.m_filename && m_modes == other.m_modes && m_targets == other.m_targets;
}

bool ObjectRule::operator!=(const ObjectRule &other) const
{
    return !(*this == other);
}

uint ObjectRule::qHash(uint seed) const
{
    // Sums do not depend on the sets' iteration order, so equal rules hash alike.
    uint modeSum = 0;
    for (const Mode mode : m_modes) {
        modeSum += static_cast<uint>(mode);
    }
    uint targetSum = 0;
    for (const Target target : m_targets) {
        targetSum += static_cast<uint>(target);
    }
    return ::qHash(m_filename, seed) ^ static_cast<uint>(m_type) ^ static_cast<uint>(m_deleted) ^ (seed + modeSum) ^ (seed + targetSum);
}
