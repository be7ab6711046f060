/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PROFILEPARSER_H
#define ORLA_PROFILEPARSER_H

#include "orlacommon_export.h"
#include "profile/objectrule.h"
#include "profile/profiledata.h"

#include <QSet>
#include <QString>

class QTextStream;

/**
 * Reads profile text into ProfileData and writes it back.
 *
 * Reading never fails and keeps every non-blank line somewhere: as a rule,
 * an include, a comment or an invalid line. The older line syntax is read
 * and converted; writing always produces the current syntax.
 *
 * Stateless and safe to use from several threads at once.
 */
class ORLACOMMON_EXPORT ProfileParser
{
public:
    class ORLACOMMON_EXPORT ParseResult
    {
    public:
        ParseResult();

        ProfileData data() const;

    private:
        friend class ProfileParser;
        ProfileData m_data;
    };

    static ParseResult parseTextStream(QTextStream &stream);
    static ParseResult parseText(const QString &text);

    static QString profileDataSerialization(const ProfileData &data);

    // Merges rules on the same object (filename, type and deleted flag) into
    // one rule carrying the union of their modes and targets.
    static QSet<ObjectRule> combineObjectRules(const QSet<ObjectRule> &rules);

    // What a recorded text gives a profile: its object rules, combined. The
    // collector's stray lines and repeats would otherwise make the profile
    // one the editor refuses to open.
    static QSet<ObjectRule> recordedObjectRules(const QString &text);

    ProfileParser() = delete;
};

#endif
