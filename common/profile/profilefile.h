/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PROFILEFILE_H
#define ORLA_PROFILEFILE_H

#include "orlacommon_export.h"
#include "profile/profiledata.h"

#include <QSet>
#include <QString>
#include <QStringList>

/**
 * One named profile: its name, its content and whether it was read from an
 * existing file.
 */
class ORLACOMMON_EXPORT ProfileFile
{
public:
    enum Error : int {
        EmptyName = 0,
    };

    ProfileFile(const QString &name, bool exists);
    virtual ~ProfileFile();

    ProfileFile(const ProfileFile &) = default;
    ProfileFile &operator=(const ProfileFile &) = default;
    ProfileFile(ProfileFile &&) = default;
    ProfileFile &operator=(ProfileFile &&) = default;

    QString name() const;
    void setName(const QString &name);

    bool exists() const;

    ProfileData data() const;
    ProfileData &data();
    void setData(const ProfileData &data);

    // Only the profile's own problems; the content reports its own.
    QSet<Error> errors() const;
    bool isValid() const;

    /**
     * The chain of profiles, from this one to the one that includes @p name
     * directly, through which this profile includes @p name; empty when it
     * does not. Includes of profiles missing from @p files are skipped and
     * names already on @p path are not entered again, so the search ends on
     * any include graph. Asking a profile for its own name finds a cycle.
     *
     * @param files every known profile, looked up by name
     * @param path the names already walked; empty on the outermost call
     *
     * A question to IncludeGraph, made of @p files for it; many questions
     * of the same profiles are cheaper asked of one IncludeGraph.
     */
    QStringList containts(const QString &name, const QSet<const ProfileFile *> &files, const QStringList &path) const;

private:
    // Reads the includes without copying the whole content.
    friend class IncludeGraph;

    QString m_name;
    ProfileData m_data;
    bool m_exists;
};

#endif
