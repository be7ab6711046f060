/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_TIMING_H
#define ORLA_TIMING_H

#include <QVector>

#include <functional>

/**
 * The times of several runs of one piece of work, in milliseconds: the wall
 * time, and the processor time of the thread that measured, which a machine
 * busy with other work disturbs less. The best run is the closest to the cost
 * of the work itself; the median shows what a run usually costs.
 */
class Timing
{
public:
    /** Runs @p work @p repeat times, one after another, in this thread. */
    static Timing measure(int repeat, const std::function<void()> &work);
    /** The wall times of runs measured elsewhere, such as a wait for another process. */
    static Timing fromRuns(const QVector<double> &wallMs);

    double best() const;
    double median() const;
    double cpuBest() const;
    double cpuMedian() const;

private:
    QVector<double> m_wall;
    QVector<double> m_cpu;
};

#endif
