/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_TABLE_H
#define ORLA_TABLE_H

#include <QList>
#include <QString>
#include <QStringList>

class Timing;

/**
 * Figures printed as they are measured, one row each, under a header: the
 * first column (what was measured) left-aligned, the figures right-aligned,
 * usually ending in the ratio to a baseline measured in the same run.
 */
class Table
{
public:
    struct Column {
        QString title;
        int width;
    };

    /** Prints the header at once. */
    explicit Table(const QList<Column> &columns);

    /**
     * The usual table of timed steps: what ran, its best and its median run,
     * and how many times the baseline's median its median is.
     */
    static Table ofRuns(int stepWidth, const QString &baseline);

    void row(const QStringList &cells) const;
    /** A row of a table ofRuns(), in milliseconds with @p decimals places. */
    void runs(const QString &step, const Timing &timing, const Timing &baseline, int decimals = 1) const;

    /** Milliseconds with @p decimals places. */
    static QString ms(double value, int decimals = 1);
    /** How many times @p baseline @p value is, as "2.5x"; "-" without a baseline. */
    static QString times(double value, double baseline, int decimals = 1);

private:
    QList<Column> m_columns;
};

#endif
