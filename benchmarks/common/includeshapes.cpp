/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "includeshapes.h"

#include <QHash>

namespace
{
ProfileFile profile(const QString &name, const QStringList &includes)
{
    ProfileFile file(name, true);
    for (const QString &include : includes) {
        file.data().insertIncludeRule(IncludeRule(include));
    }
    return file;
}

QString top(int level)
{
    return QStringLiteral("X%1").arg(level);
}
}

QList<ProfileFile> IncludeShapes::diamonds(int levels, const QString &bottom)
{
    QList<ProfileFile> profiles;
    for (int level = 0; level < levels; ++level) {
        const QString left = QStringLiteral("Y%1a").arg(level);
        const QString right = QStringLiteral("Y%1b").arg(level);
        profiles.append(profile(top(level), {left, right}));
        profiles.append(profile(left, {top(level + 1)}));
        profiles.append(profile(right, {top(level + 1)}));
    }
    profiles.append(profile(top(levels), {bottom}));
    return profiles;
}

void IncludeShapes::closeDiamonds(QList<ProfileFile> &profiles)
{
    for (ProfileFile &file : profiles) {
        if (file.name().startsWith(QLatin1Char('Y'))) {
            file.data().insertIncludeRule(IncludeRule(top(0)));
        }
    }
}

QList<ProfileFile> IncludeShapes::chain(int length, bool closed)
{
    QList<ProfileFile> profiles;
    for (int i = 0; i < length; ++i) {
        const bool last = i + 1 == length;
        const QStringList includes = !last ? QStringList{QStringLiteral("P%1").arg(i + 1)} : closed ? QStringList{QStringLiteral("P0")} : QStringList();
        profiles.append(profile(QStringLiteral("P%1").arg(i), includes));
    }
    return profiles;
}

QSet<const ProfileFile *> IncludeShapes::files(const QList<ProfileFile> &profiles)
{
    QSet<const ProfileFile *> files;
    files.reserve(profiles.size());
    for (const ProfileFile &file : profiles) {
        files.insert(&file);
    }
    return files;
}

int IncludeShapes::walk(const QList<ProfileFile> &profiles)
{
    QHash<QString, const ProfileFile *> byName;
    byName.reserve(profiles.size());
    for (const ProfileFile &file : profiles) {
        byName.insert(file.name(), &file);
    }
    QSet<const ProfileFile *> entered;
    QList<const ProfileFile *> pending;
    for (const ProfileFile &file : profiles) {
        if (entered.contains(&file)) {
            continue;
        }
        entered.insert(&file);
        pending.append(&file);
        while (!pending.isEmpty()) {
            const ProfileFile *current = pending.takeLast();
            const auto includes = current->data().includes();
            for (const IncludeRule &include : includes) {
                const ProfileFile *next = byName.value(include.name());
                if (next && !entered.contains(next)) {
                    entered.insert(next);
                    pending.append(next);
                }
            }
        }
    }
    return int(entered.size());
}
