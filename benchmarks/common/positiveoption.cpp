/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "positiveoption.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <cstdio>

bool positive(const QCommandLineParser &parser, const QCommandLineOption &option, int *value)
{
    if (!parser.isSet(option)) {
        return true;
    }
    bool ok = false;
    const int number = parser.value(option).toInt(&ok);
    if (!ok || number <= 0) {
        std::fprintf(stderr, "--%s needs a positive whole number, not '%s'\n", qPrintable(option.names().constFirst()), qPrintable(parser.value(option)));
        return false;
    }
    *value = number;
    return true;
}
