/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "table.h"

#include "timing.h"

#include <algorithm>
#include <cstdio>

namespace
{
QString line(const QList<Table::Column> &columns, const QStringList &cells)
{
    QString text;
    for (int i = 0; i < columns.size(); ++i) {
        const QString cell = cells.value(i);
        text += i == 0 ? cell.leftJustified(columns.at(i).width) : QLatin1Char(' ') + cell.rightJustified(columns.at(i).width);
    }
    // A row may leave its last cells empty, such as a target only some steps have.
    while (text.endsWith(QLatin1Char(' '))) {
        text.chop(1);
    }
    return text;
}
}

Table::Table(const QList<Column> &columns)
    : m_columns(columns)
{
    QStringList titles;
    for (const Column &column : columns) {
        titles.append(column.title);
    }
    std::printf("%s\n", qPrintable(line(m_columns, titles)));
}

Table Table::ofRuns(int stepWidth, const QString &baseline)
{
    const QString versus = QStringLiteral("vs ") + baseline;
    return Table({{QString(), stepWidth}, {QStringLiteral("best"), 12}, {QStringLiteral("median"), 12}, {versus, std::max(12, int(versus.size()) + 4)}});
}

void Table::row(const QStringList &cells) const
{
    std::printf("%s\n", qPrintable(line(m_columns, cells)));
}

void Table::runs(const QString &step, const Timing &timing, const Timing &baseline, int decimals) const
{
    row({step, ms(timing.best(), decimals), ms(timing.median(), decimals), times(timing.median(), baseline.median())});
}

QString Table::ms(double value, int decimals)
{
    return QString::number(value, 'f', decimals) + QStringLiteral(" ms");
}

QString Table::times(double value, double baseline, int decimals)
{
    return baseline > 0 ? QString::number(value / baseline, 'f', decimals) + QLatin1Char('x') : QStringLiteral("-");
}
