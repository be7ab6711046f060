/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_PROFILESTATUS_H
#define ORLA_PROFILESTATUS_H

#include "orlacommon_export.h"

#include <QSet>
#include <QString>

class ProfileFile;
class ProfileData;

/**
 * The status codes shown for a profile or a kiosk user, what they mean to
 * the administrator, and the rules a profile's status follows from its own
 * content. The program's lists and any other tool that reports statuses
 * read them here, so that both say the same about the same tree;
 * KioskStatuses computes the codes that follow from the other profiles.
 */
namespace ProfileStatus
{
enum Code : int {
    EmptyName = 0,
    NoData = 1,
    InvalidObjectRules = 2,
    UnknownIncludes = 3,
    InvalidConfigLines = 4,
    OldFormatRules = 5,
    CyclicIncludes = 6,
    OwnObjectRules = 7,
    UserNotFound = 8,
    IncludeWithError = 9,
    // Only the placeholder of an included profile that does not exist has it.
    NonexistentProfile = 10,
};

// Codes that are only warnings; every other code is an error.
ORLACOMMON_EXPORT QSet<int> warningCodes();
// Codes that still let the administrator edit the profile: the text itself
// is readable and the profile exists.
ORLACOMMON_EXPORT QSet<int> editableCodes();
ORLACOMMON_EXPORT bool hasErrors(const QSet<int> &status);

// The administrator's words for a code, to follow "Profile 'x' " or
// "User 'x' "; empty for a code without words.
ORLACOMMON_EXPORT QString text(int code);
// The same words in English whatever the locale, for reports that other
// programs read.
ORLACOMMON_EXPORT QString untranslatedText(int code);

// The codes a profile's text alone decides: empty name, invalid object
// rules, invalid lines, old format lines.
ORLACOMMON_EXPORT QSet<int> contentCodes(const ProfileFile &file);

/**
 * @p status with NoData, and for a user's profile OwnObjectRules, as
 * @p data shows them now; every other code is kept. These follow every edit
 * at once, without the other profiles.
 */
ORLACOMMON_EXPORT QSet<int> withOwnCodes(QSet<int> status, const ProfileData &data, bool userProfile);
}

#endif
