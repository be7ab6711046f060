/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/profiledata.h"

ProfileData::ProfileData() = default;

ProfileData::~ProfileData() = default;

QSet<ObjectRule> ProfileData::objectRules() const
{
    return m_objectRules;
}

void ProfileData::insertObjectRule(const ObjectRule &rule)
{
    m_objectRules.insert(rule);
}

void ProfileData::removeObjectRule(const ObjectRule &rule)
{
    m_objectRules.remove(rule);
}

void ProfileData::removeAllObjectRules()
{
    m_objectRules.clear();
}

QSet<IncludeRule> ProfileData::includes() const
{
    return m_includes;
}

void ProfileData::insertIncludeRule(const IncludeRule &rule)
{
    m_includes.insert(rule);
}

void ProfileData::removeIncludeRule(const IncludeRule &rule)
{
    m_includes.remove(rule);
}

void ProfileData::remodeAllIncludeRules()
{
    m_includes.clear();
}

QStringList ProfileData::comments() const
{
    return m_comments;
}

void ProfileData::addComment(const QString &comment)
{
    m_comments.append(comment);
}

void ProfileData::removeComment(const QString &comment)
{
    m_comments.removeAll(comment);
}

QStringList ProfileData::oldFormatLines() const
{
    return m_oldFormatLines;
}

void ProfileData::addOldFormatLine(const QString &line)
{
    m_oldFormatLines.append(line);
}

void ProfileData::clearOldFormatLines()
{
    m_oldFormatLines.clear();
}

QStringList ProfileData::invalidLines() const
{
    return m_invalidLines;
}

void ProfileData::addInvalidLine(const QString &line)
{
    m_invalidLines.append(line);
}

void ProfileData::clearInvalidLines()
{
    m_invalidLines.clear();
}

QSet<ProfileData::Error> ProfileData::errors() const
{
    QSet<Error> result;
    for (const ObjectRule &rule : m_objectRules) {
        if (!rule.isValid()) {
            result.insert(InvalidObjectRules);
            break;
        }
    }
    if (!m_invalidLines.isEmpty()) {
        result.insert(InvalidLines);
    }
    return result;
}

QSet<ProfileData::Warning> ProfileData::warnings() const
{
    QSet<Warning> result;
    if (!m_oldFormatLines.isEmpty()) {
        result.insert(OldFormatLines);
    }
    return result;
}

bool ProfileData::isValid() const
{
    return errors().isEmpty();
}
