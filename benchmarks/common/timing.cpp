/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "timing.h"

#include <QElapsedTimer>

#include <algorithm>
#include <ctime>

namespace
{
double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double medianOf(const QVector<double> &sorted)
{
    return sorted.isEmpty() ? 0.0 : sorted.at(sorted.size() / 2);
}
}

Timing Timing::measure(int repeat, const std::function<void()> &work)
{
    Timing timing;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer wall;
        wall.start();
        const double cpuStart = threadCpuMilliseconds();
        work();
        timing.m_cpu.append(threadCpuMilliseconds() - cpuStart);
        timing.m_wall.append(double(wall.nsecsElapsed()) / 1e6);
    }
    std::sort(timing.m_wall.begin(), timing.m_wall.end());
    std::sort(timing.m_cpu.begin(), timing.m_cpu.end());
    return timing;
}

Timing Timing::fromRuns(const QVector<double> &wallMs)
{
    Timing timing;
    timing.m_wall = wallMs;
    std::sort(timing.m_wall.begin(), timing.m_wall.end());
    return timing;
}

double Timing::best() const
{
    return m_wall.isEmpty() ? 0.0 : m_wall.constFirst();
}

double Timing::median() const
{
    return medianOf(m_wall);
}

double Timing::cpuBest() const
{
    return m_cpu.isEmpty() ? 0.0 : m_cpu.constFirst();
}

double Timing::cpuMedian() const
{
    return medianOf(m_cpu);
}
