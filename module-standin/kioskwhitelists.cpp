/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "kioskwhitelists.h"

#include "failures/detailsexception.h"
#include "store/systemkiosk.h"
#include "systempaths.h"

#include <cstdio>

#include <pwd.h>

namespace
{
quint8 pairBit(ObjectRule::Mode mode, ObjectRule::Target target)
{
    return quint8(1u << (int(mode) * 2 + int(target)));
}

quint8 pairsOf(const ObjectRule &rule)
{
    quint8 pairs = 0;
    const QSet<ObjectRule::Target> targets = rule.targets();
    for (const ObjectRule::Mode mode : rule.modes()) {
        for (const ObjectRule::Target target : targets) {
            pairs |= pairBit(mode, target);
        }
    }
    return pairs;
}

// An include names a file of the system profile directory and nothing else.
bool isPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QLatin1Char('/'));
}
}

bool KioskWhitelists::Whitelist::allows(const QByteArray &path, ObjectRule::Mode mode, ObjectRule::Target target) const
{
    return m_allowed.value(path) & pairBit(mode, target);
}

void KioskWhitelists::Whitelist::add(const QByteArray &path, quint8 pairs)
{
    m_allowed[path] |= pairs;
}

void KioskWhitelists::newBatch()
{
    m_batch.clear();
}

const KioskWhitelists::Whitelist *KioskWhitelists::of(uid_t uid)
{
    const auto known = m_batch.constFind(uid);
    if (known != m_batch.constEnd()) {
        return known.value();
    }
    const passwd *account = getpwuid(uid);
    const Whitelist *whitelist = account ? whitelistOf(QString::fromUtf8(account->pw_name)) : nullptr;
    m_batch.insert(uid, whitelist);
    return whitelist;
}

// Profiles are only ever regular files: a link or a directory of that name
// makes nobody a kiosk user, as it makes no profile for the store.
const KioskWhitelists::Whitelist *KioskWhitelists::whitelistOf(const QString &account)
{
    const QString path = QString::fromUtf8(SystemPaths::userProfilesDir) + QLatin1Char('/') + account;
    const FileStamp key = FileStamp::of(path);
    if (!key.exists) {
        m_users.remove(account);
        return nullptr;
    }
    auto user = m_users.find(account);
    if (user == m_users.end() || !unchanged(*user)) {
        user = m_users.insert(account, build(path, key));
    }
    return &user->whitelist;
}

bool KioskWhitelists::unchanged(const User &user) const
{
    for (const auto &file : user.files) {
        if (FileStamp::of(file.first) != file.second) {
            return false;
        }
    }
    return true;
}

KioskWhitelists::User KioskWhitelists::build(const QString &userProfile, const FileStamp &key)
{
    User user;
    user.files.append({userProfile, key});
    QSet<QString> seen;
    // The user profile first, then the system profiles as the includes reach them;
    // a name is entered once, so include cycles end.
    for (int next = 0; next < user.files.size(); ++next) {
        const auto file = user.files.at(next);
        if (!file.second.exists) {
            continue;
        }
        const Profile &read = profile(file.first, file.second);
        for (const auto &rule : read.rules) {
            user.whitelist.add(rule.first, rule.second);
        }
        for (const QString &include : read.includes) {
            if (!isPlainName(include) || seen.contains(include)) {
                continue;
            }
            seen.insert(include);
            const QString path = QString::fromUtf8(SystemPaths::systemProfilesDir) + QLatin1Char('/') + include;
            user.files.append({path, FileStamp::of(path)});
        }
    }
    return user;
}

const KioskWhitelists::Profile &KioskWhitelists::profile(const QString &path, const FileStamp &key)
{
    auto cached = m_profiles.find(path);
    if (cached != m_profiles.end() && cached->key == key) {
        return *cached;
    }
    Profile read;
    read.key = key;
    try {
        const ProfileData data = SystemKiosk().readProfile(path).data();
        for (const ObjectRule &rule : data.objectRules()) {
            if (rule.type() == ObjectRule::File) {
                read.rules.append({rule.filename().toUtf8(), pairsOf(rule)});
            }
        }
        for (const IncludeRule &include : data.includes()) {
            read.includes.append(include.name());
        }
    } catch (const DetailsException &failure) {
        // An unreadable profile allows nothing; the accesses it would allow get reported.
        std::fprintf(stderr, "tavrix-traced: %s\n", qPrintable(failure.fullDetails()));
    }
    return *m_profiles.insert(path, read);
}
