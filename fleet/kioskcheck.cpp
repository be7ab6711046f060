/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "kioskcheck.h"

#include "profile/kioskstatuses.h"
#include "profile/printable.h"
#include "profile/profilestatus.h"
#include "system/accountdirectory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <memory>

namespace
{
QList<int> sorted(const QSet<int> &codes)
{
    QList<int> list = codes.values();
    std::sort(list.begin(), list.end());
    return list;
}

// The report's words are part of what programs read: the same on every
// machine, whatever its locale.
QJsonArray texts(const QList<int> &codes)
{
    QJsonArray array;
    for (int code : codes) {
        array.append(ProfileStatus::untranslatedText(code).trimmed());
    }
    return array;
}

QStringList printableList(const QStringList &names)
{
    QStringList shown;
    for (const QString &name : names) {
        shown.append(Utils::printable(name));
    }
    return shown;
}
}

KioskCheck::KioskCheck(const KioskBundle &configuration, Accounts accounts)
{
    const QList<ProfileFile> profiles = configuration.profileFiles();
    QList<UserProfileFile> users = configuration.userProfileFiles();
    std::stable_sort(users.begin(), users.end(), [](const UserProfileFile &a, const UserProfileFile &b) {
        return a.name() < b.name();
    });

    QVector<const ProfileFile *> profilePointers;
    QSet<QString> names;
    for (const ProfileFile &profile : profiles) {
        profilePointers.append(&profile);
        names.insert(profile.name());
    }
    QVector<const UserProfileFile *> userPointers;
    for (const UserProfileFile &user : users) {
        userPointers.append(&user);
    }
    KioskStatuses::AccountCheck accountExists;
    if (accounts == Accounts::Check) {
        accountExists = [directory = std::make_shared<AccountDirectory>()](const QString &name) {
            return directory->exists(name);
        };
    }
    KioskStatuses statuses(profilePointers, userPointers, accountExists);

    const auto entry = [&statuses, &names](const ProfileFile *file) {
        Entry e;
        e.name = file->name();
        e.status = statuses.status(file);
        e.cycle = statuses.cycle(file);
        const QSet<IncludeRule> includes = file->data().includes();
        for (const IncludeRule &include : includes) {
            if (!names.contains(include.name())) {
                e.unknownIncludes.append(include.name());
            }
        }
        e.unknownIncludes.sort();
        return e;
    };
    for (const ProfileFile *profile : qAsConst(profilePointers)) {
        m_entries.append(entry(profile));
    }
    for (const UserProfileFile *user : qAsConst(userPointers)) {
        Entry e = entry(user);
        e.user = true;
        e.enabled = user->isEnable();
        m_entries.append(e);
    }
}

bool KioskCheck::hasErrors() const
{
    return std::any_of(m_entries.cbegin(), m_entries.cend(), [](const Entry &e) {
        return ProfileStatus::hasErrors(e.status);
    });
}

bool KioskCheck::hasWarnings() const
{
    const QSet<int> warnings = ProfileStatus::warningCodes();
    return std::any_of(m_entries.cbegin(), m_entries.cend(), [&warnings](const Entry &e) {
        return e.status.intersects(warnings);
    });
}

QStringList KioskCheck::lines(const Entry &entry, bool errors, bool warnings) const
{
    const QSet<int> warningCodes = ProfileStatus::warningCodes();
    const QString name = Utils::printable(entry.name);
    QString who = entry.user ? tr("user '%1'").arg(name) : tr("profile '%1'").arg(name);
    if (entry.user && !entry.enabled) {
        who += QLatin1Char(' ') + tr("(disabled)");
    }
    QStringList result;
    for (int code : sorted(entry.status)) {
        const bool warning = warningCodes.contains(code);
        if ((warning && !warnings) || (!warning && !errors)) {
            continue;
        }
        QString line = (warning ? tr("warning: %1 %2") : tr("error: %1 %2")).arg(who, ProfileStatus::text(code).trimmed());
        if (code == ProfileStatus::CyclicIncludes && !entry.cycle.isEmpty()) {
            line += QStringLiteral(": ") + printableList(entry.cycle).join(QStringLiteral(" → "));
        } else if (code == ProfileStatus::UnknownIncludes && !entry.unknownIncludes.isEmpty()) {
            line += QStringLiteral(": ") + printableList(entry.unknownIncludes).join(QStringLiteral(", "));
        }
        result.append(line);
    }
    return result;
}

QStringList KioskCheck::errorLines() const
{
    QStringList result;
    for (const Entry &entry : m_entries) {
        result.append(lines(entry, true, false));
    }
    return result;
}

QString KioskCheck::text() const
{
    QStringList result;
    int profiles = 0;
    int users = 0;
    int withErrors = 0;
    int withWarnings = 0;
    for (const Entry &entry : m_entries) {
        result.append(lines(entry, true, true));
        (entry.user ? users : profiles)++;
        if (ProfileStatus::hasErrors(entry.status)) {
            ++withErrors;
        } else if (!entry.status.isEmpty()) {
            ++withWarnings;
        }
    }
    result.append(tr("%n profile(s)", nullptr, profiles) + tr(" and %n user(s): ", nullptr, users) + tr("%n with errors, ", nullptr, withErrors)
                  + tr("%n with warnings only.", nullptr, withWarnings));
    return result.join(QLatin1Char('\n'));
}

QByteArray KioskCheck::json() const
{
    const QSet<int> warningCodes = ProfileStatus::warningCodes();
    QJsonArray profiles;
    QJsonArray users;
    for (const Entry &entry : m_entries) {
        const QList<int> codes = sorted(entry.status);
        QList<int> errors;
        QList<int> warnings;
        QJsonArray status;
        for (int code : codes) {
            (warningCodes.contains(code) ? warnings : errors).append(code);
            status.append(code);
        }
        QJsonObject object{
            {QStringLiteral("name"), entry.name},
            {QStringLiteral("status"), status},
            {QStringLiteral("errors"), texts(errors)},
            {QStringLiteral("warnings"), texts(warnings)},
            {QStringLiteral("cycle"), QJsonArray::fromStringList(entry.cycle)},
            {QStringLiteral("unknownIncludes"), QJsonArray::fromStringList(entry.unknownIncludes)},
        };
        if (entry.user) {
            object.insert(QStringLiteral("enabled"), entry.enabled);
            users.append(object);
        } else {
            profiles.append(object);
        }
    }
    const QJsonObject report{
        {QStringLiteral("profiles"), profiles},
        {QStringLiteral("users"), users},
        {QStringLiteral("errors"), hasErrors()},
        {QStringLiteral("warnings"), hasWarnings()},
    };
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}
