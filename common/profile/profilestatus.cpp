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

QString text(int code)
{
    switch (code) {
    case NoData:
        return QCoreApplication::translate("ProfileStatus", "doesn't have allowed rules");
    case InvalidObjectRules:
        return QCoreApplication::translate("ProfileStatus", "has invalid object rules");
    case UnknownIncludes:
        return QCoreApplication::translate("ProfileStatus", "has unknown includes");
    case InvalidConfigLines:
        return QCoreApplication::translate("ProfileStatus", "has invalid config lines");
    case OldFormatRules:
        return QCoreApplication::translate("ProfileStatus", "has old format config lines");
    case CyclicIncludes:
        return QCoreApplication::translate("ProfileStatus", "has cyclic dependencies");
    case OwnObjectRules:
        return QCoreApplication::translate("ProfileStatus", "has object rules descriptions");
    case UserNotFound:
        return QCoreApplication::translate("ProfileStatus", " not found");
    case IncludeWithError:
        return QCoreApplication::translate("ProfileStatus", "has include with error");
    case NonexistentProfile:
        return QCoreApplication::translate("ProfileStatus", "has unknown include");
    default:
        return QString();
    }
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
