/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "profiletext.h"

namespace ProfileText
{
QString text(const QStringList &includes, int app, int rules, const QString &targets)
{
    QString text;
    for (const QString &include : includes) {
        text += QStringLiteral("@include %1\n").arg(include);
    }
    for (int i = 0; i < rules; ++i) {
        text += QStringLiteral("+file r %1: /usr/share/app%2/data/file%3\n").arg(targets).arg(app).arg(i);
    }
    return text;
}

QMap<QString, QString> many(int count)
{
    const QStringList includes = {QStringLiteral("base-session"), QStringLiteral("fonts")};
    QMap<QString, QString> profiles;
    for (int i = 0; i < count; ++i) {
        profiles.insert(QStringLiteral("p%1").arg(i, 5, 10, QLatin1Char('0')), text(includes, i, 30, QStringLiteral("u")));
    }
    return profiles;
}
}
