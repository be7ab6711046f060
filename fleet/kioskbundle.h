/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KIOSKBUNDLE_H
#define ORLA_KIOSKBUNDLE_H

#include "profile/profilefile.h"
#include "profile/userprofilefile.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

/**
 * A whole kiosk configuration as it travels between machines: the bytes of
 * every system profile and user profile, and the switches after reboot.
 *
 * System profiles are named by file name, user profiles as the helper takes
 * them: the account name, or "disabled/" and the account name. The "now"
 * switches are not part of it; they belong to the running machine.
 */
struct KioskBundle {
    /** The one format this program writes and reads. */
    static constexpr int formatVersion = 1;

    QMap<QString, QByteArray> profiles;
    QMap<QString, QByteArray> users;
    bool autoEnforce = false;
    bool autoComplain = false;

    /** The manifest: format version, switches, and each member's SHA-256 by name. */
    QByteArray manifest() const;

    /** The profiles read as the store reads profile files, named as above. */
    QList<ProfileFile> profileFiles() const;
    QList<UserProfileFile> userProfileFiles() const;

    /** Archive member names of a profile and a user profile. */
    static QString profileMember(const QString &name);
    static QString userMember(const QString &name);
    static QString manifestMember();
    static QByteArray checksum(const QByteArray &bytes);

    bool operator==(const KioskBundle &other) const;
};

#endif
