/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "kioskwhitelists.h"

#include "store/systemkiosk.h"
#include "systempaths.h"

#include <cstdio>

#include <pwd.h>
#include <sys/stat.h>

void KioskWhitelists::newBatch()
{
    m_batch.clear();
}

const UserWhitelist *KioskWhitelists::of(uid_t uid)
{
    const auto known = m_batch.constFind(uid);
    if (known != m_batch.constEnd()) {
        return known.value();
    }
    const passwd *account = getpwuid(uid);
    const UserWhitelist *whitelist = account ? whitelistOf(QString::fromUtf8(account->pw_name), uid) : nullptr;
    m_batch.insert(uid, whitelist);
    return whitelist;
}

const UserWhitelist *KioskWhitelists::whitelistOf(const QString &account, uid_t uid)
{
    auto user = m_users.find(account);
    if (user == m_users.end() || !unchanged(*user)) {
        user = m_users.insert(account, build(account, uid));
    }
    return user->whitelist.isKioskUser() ? &user->whitelist : nullptr;
}

KioskWhitelists::TmpDirStamp KioskWhitelists::TmpDirStamp::of(uid_t uid)
{
    TmpDirStamp stamp;
    struct stat st {
    };
    const QByteArray path = QByteArray(SystemPaths::sessionTmpDir) + '/' + QByteArray::number(uid);
    if (lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
        stamp = {true, st.st_dev, st.st_ino};
    }
    return stamp;
}

bool KioskWhitelists::unchanged(const User &user) const
{
    if (!(TmpDirStamp::of(user.uid) == user.tmpDir)) {
        return false;
    }
    for (const auto &file : user.files) {
        if (FileStamp::of(file.first) != file.second) {
            return false;
        }
    }
    return true;
}

KioskWhitelists::User KioskWhitelists::build(const QString &account, uid_t uid)
{
    // The stamps are taken as the files are read, so that a change while
    // the whitelist is made shows at the next look.
    QHash<QString, FileStamp> stamps;
    User user;
    user.uid = uid;
    user.tmpDir = TmpDirStamp::of(uid);
    user.whitelist = UserWhitelist::read(account, uid, [this, &stamps](const QString &path) {
        return profile(path, &stamps);
    });
    const QStringList files = user.whitelist.profileFiles();
    for (const QString &file : files) {
        user.files.append({file, stamps.contains(file) ? stamps.value(file) : FileStamp::of(file)});
    }
    for (const QString &warning : user.whitelist.warnings()) {
        std::fprintf(stderr, "tavrix-traced: %s: %s\n", qPrintable(account), qPrintable(warning));
    }
    return user;
}

ProfileData KioskWhitelists::profile(const QString &path, QHash<QString, FileStamp> *stamps)
{
    const FileStamp key = FileStamp::of(path);
    stamps->insert(path, key);
    auto cached = m_profiles.find(path);
    if (cached != m_profiles.end() && cached->key == key) {
        return cached->data;
    }
    // An unreadable profile throws on to the whitelist, which grants nothing of it.
    const ProfileData data = SystemKiosk().readProfile(path).data();
    m_profiles.insert(path, Profile{key, data});
    return data;
}
