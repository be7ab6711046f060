/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_BENCHMARK_POSITIVEOPTION_H
#define ORLA_BENCHMARK_POSITIVEOPTION_H

class QCommandLineOption;
class QCommandLineParser;

// Sizes and counts of a benchmark run. Leaves @p value alone when the option
// is not given; false, with the reason on standard error, when it is given
// but is not a positive whole number.
bool positive(const QCommandLineParser &parser, const QCommandLineOption &option, int *value);

#endif
