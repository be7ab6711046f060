/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_PROFILETEXT_H
#define ORLA_PROFILETEXT_H

#include <QMap>
#include <QString>
#include <QStringList>

/** Generated profiles in the store's text format, for tests and benchmarks alike. */
namespace ProfileText
{
/** An include line for each of @p includes, then @p rules read rules for @p targets on files of application @p app. */
QString text(const QStringList &includes, int app, int rules, const QString &targets = QStringLiteral("uo"));
/** p00000, p00001 and so on: profiles of realistic size, two includes and thirty rules, about 1.3 kB each; ten thousand of them still go to the helper in one
 * update. */
QMap<QString, QString> many(int count);
}

#endif
