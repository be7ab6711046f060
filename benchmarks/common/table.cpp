/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "table.h"

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

void Table::row(const QStringList &cells) const
{
    std::printf("%s\n", qPrintable(line(m_columns, cells)));
}

QString Table::ms(double value, int decimals)
{
    return QString::number(value, 'f', decimals) + QStringLiteral(" ms");
}

QString Table::times(double value, double baseline)
{
    return baseline > 0 ? QString::number(value / baseline, 'f', 1) + QLatin1Char('x') : QStringLiteral("-");
}
