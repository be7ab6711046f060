/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PROFILEDATA_H
#define ORLA_PROFILEDATA_H

#include "orlacommon_export.h"
#include "profile/includerule.h"
#include "profile/objectrule.h"

#include <QSet>
#include <QStringList>

/**
 * The parsed content of one profile: object rules, includes, comments, and
 * the lines reading could not use.
 *
 * Never throws; problems are reported through errors() and warnings().
 */
class ORLACOMMON_EXPORT ProfileData
{
public:
    enum Error : int {
        InvalidObjectRules = 0,
        InvalidLines = 1,
    };

    enum Warning : int {
        OldFormatLines = 0,
    };

    ProfileData();
    virtual ~ProfileData();

    ProfileData(const ProfileData &) = default;
    ProfileData &operator=(const ProfileData &) = default;
    ProfileData(ProfileData &&) = default;
    ProfileData &operator=(ProfileData &&) = default;

    QSet<ObjectRule> objectRules() const;
    // Never merges: rules on one file that differ in any field stay side by side.
    void insertObjectRule(const ObjectRule &rule);
    void removeObjectRule(const ObjectRule &rule);
    void removeAllObjectRules();

    QSet<IncludeRule> includes() const;
    void insertIncludeRule(const IncludeRule &rule);
    void removeIncludeRule(const IncludeRule &rule);
    void remodeAllIncludeRules();

    QStringList comments() const;
    void addComment(const QString &comment);
    // Removes every entry equal to the text.
    void removeComment(const QString &comment);

    QStringList oldFormatLines() const;
    void addOldFormatLine(const QString &line);
    void clearOldFormatLines();

    // Lines exactly as read that matched no kind of line; writing drops them.
    QStringList invalidLines() const;
    void addInvalidLine(const QString &line);
    void clearInvalidLines();

    QSet<Error> errors() const;
    QSet<Warning> warnings() const;
    bool isValid() const;

private:
    QSet<ObjectRule> m_objectRules;
    QSet<IncludeRule> m_includes;
    QStringList m_comments;
    QStringList m_oldFormatLines;
    QStringList m_invalidLines;
};

#endif
