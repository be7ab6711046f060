/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/profilefile.h"

#include "profile/includegraph.h"

ProfileFile::ProfileFile(const QString &name, bool exists)
    : m_name(name)
    , m_exists(exists)
{
}

ProfileFile::~ProfileFile() = default;

QString ProfileFile::name() const
{
    return m_name;
}

void ProfileFile::setName(const QString &name)
{
    m_name = name;
}

bool ProfileFile::exists() const
{
    return m_exists;
}

ProfileData ProfileFile::data() const
{
    return m_data;
}

ProfileData &ProfileFile::data()
{
    return m_data;
}

void ProfileFile::setData(const ProfileData &data)
{
    m_data = data;
}

QSet<ProfileFile::Error> ProfileFile::errors() const
{
    QSet<Error> result;
    if (m_name.isEmpty()) {
        result.insert(EmptyName);
    }
    return result;
}

bool ProfileFile::isValid() const
{
    return !m_name.isEmpty();
}

QStringList ProfileFile::containts(const QString &name, const QSet<const ProfileFile *> &files, const QStringList &path) const
{
    return IncludeGraph(files).containts(this, name, path);
}
