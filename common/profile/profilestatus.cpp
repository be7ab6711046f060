/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "profile/profilestatus.h"

#include "profile/profiledata.h"
#include "profile/profilefile.h"

#include <QCoreApplication>

#include <algorithm>

namespace ProfileStatus
{
QSet<int> warningCodes()
{
    return {NoData, OwnObjectRules};
}

QSet<int> editableCodes()
{
    return {NoData, UnknownIncludes, CyclicIncludes, OwnObjectRules, UserNotFound, IncludeWithError};
}

bool hasErrors(const QSet<int> &status)
{
    // Asked for every include of every profile: no sets are built for it.
    return std::any_of(status.cbegin(), status.cend(), [](int code) {
        return code != NoData && code != OwnObjectRules;
    });
}

namespace
{
// The administrator's words of each code in English, as the catalogue knows them.
const char *words(int code)
{
    switch (code) {
    case NoData:
        return QT_TRANSLATE_NOOP("ProfileStatus", "doesn't have allowed rules");
    case InvalidObjectRules:
        return QT_TRANSLATE_NOOP("ProfileStatus", "has invalid object rules");
    case UnknownIncludes:
        return QT_TRANSLATE_NOOP("ProfileStatus", "has unknown includes");
    case InvalidConfigLines:
        return QT_TRANSLATE_NOOP("ProfileStatus", "has invalid config lines");
    case OldFormatRules:
        return QT_TRANSLATE_NOOP("ProfileStatus", "has old format config lines");
    case CyclicIncludes:
        return QT_TRANSLATE_NOOP("ProfileStatus", "has cyclic dependencies");
    case OwnObjectRules:
        return QT_TRANSLATE_NOOP("ProfileStatus", "has object rules descriptions");
    case UserNotFound:
        return QT_TRANSLATE_NOOP("ProfileStatus", " not found");
    case IncludeWithError:
        return QT_TRANSLATE_NOOP("ProfileStatus", "has include with error");
    case NonexistentProfile:
        return QT_TRANSLATE_NOOP("ProfileStatus", "has unknown include");
    default:
        return nullptr;
    }
}
}

QString text(int code)
{
    const char *english = words(code);
    return english ? QCoreApplication::translate("ProfileStatus", english) : QString();
}

QString untranslatedText(int code)
{
    return QString::fromLatin1(words(code));
}

QSet<int> contentCodes(const ProfileFile &file)
{
    const ProfileData &data = file.data();
    const QSet<ProfileData::Error> dataErrors = data.errors();
    QSet<int> status;
    if (file.errors().contains(ProfileFile::EmptyName)) {
        status.insert(EmptyName);
    }
    if (dataErrors.contains(ProfileData::InvalidObjectRules)) {
        status.insert(InvalidObjectRules);
    }
    if (dataErrors.contains(ProfileData::InvalidLines)) {
        status.insert(InvalidConfigLines);
    }
    if (data.warnings().contains(ProfileData::OldFormatLines)) {
        status.insert(OldFormatRules);
    }
    return status;
}

QSet<int> withOwnCodes(QSet<int> status, const ProfileData &data, bool userProfile)
{
    const bool hasRules = !data.objectRules().isEmpty();
    if (!hasRules && data.includes().isEmpty()) {
        status.insert(NoData);
    } else {
        status.remove(NoData);
    }
    if (userProfile) {
        if (hasRules) {
            status.insert(OwnObjectRules);
        } else {
            status.remove(OwnObjectRules);
        }
    }
    return status;
}
}
