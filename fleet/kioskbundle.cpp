/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "kioskbundle.h"

#include "profile/profileparser.h"
#include "store/systemkiosk.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace
{
QJsonObject checksums(const QMap<QString, QByteArray> &members)
{
    QJsonObject object;
    for (auto it = members.cbegin(); it != members.cend(); ++it) {
        object.insert(it.key(), QString::fromLatin1(KioskBundle::checksum(it.value())));
    }
    return object;
}

// As the store reads a profile file: UTF-8 whatever the locale.
ProfileFile parsed(const QString &name, const QByteArray &bytes)
{
    QTextStream stream(bytes);
    stream.setCodec("UTF-8");
    ProfileFile profile(name, true);
    profile.setData(ProfileParser::parseTextStream(stream).data());
    return profile;
}
}

QByteArray KioskBundle::manifest() const
{
    const QJsonObject switches{
        {QStringLiteral("autoEnforce"), autoEnforce},
        {QStringLiteral("autoComplain"), autoComplain},
    };
    const QJsonObject manifest{
        {QStringLiteral("format"), formatVersion},
        {QStringLiteral("switches"), switches},
        {QStringLiteral("profiles"), checksums(profiles)},
        {QStringLiteral("users"), checksums(users)},
    };
    return QJsonDocument(manifest).toJson(QJsonDocument::Indented);
}

QList<ProfileFile> KioskBundle::profileFiles() const
{
    QList<ProfileFile> files;
    files.reserve(profiles.size());
    for (auto it = profiles.cbegin(); it != profiles.cend(); ++it) {
        files.append(parsed(it.key(), it.value()));
    }
    return files;
}

QList<UserProfileFile> KioskBundle::userProfileFiles() const
{
    QList<UserProfileFile> files;
    files.reserve(users.size());
    for (auto it = users.cbegin(); it != users.cend(); ++it) {
        bool enabled = true;
        UserProfileFile user(parsed(SystemKiosk::accountOfUserEntry(it.key(), &enabled), it.value()));
        user.setEnable(enabled);
        files.append(user);
    }
    return files;
}

QString KioskBundle::profileMember(const QString &name)
{
    return QStringLiteral("profiles/") + name;
}

QString KioskBundle::userMember(const QString &name)
{
    return QStringLiteral("users/") + name;
}

QString KioskBundle::manifestMember()
{
    return QStringLiteral("manifest.json");
}

QByteArray KioskBundle::checksum(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

bool KioskBundle::operator==(const KioskBundle &other) const
{
    return profiles == other.profiles && users == other.users && autoEnforce == other.autoEnforce && autoComplain == other.autoComplain;
}
