/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ENABLESWITCHES_H
#define ORLA_ENABLESWITCHES_H

#include "kiosktree.h"
#include "testfiles.h"

#include "protocol/enableactionsmap.h"
#include "systempaths.h"

#include <QTest>
#include <QVariantMap>
#include <QVector>

#include <functional>

/**
 * The enable action's four switches (enforce, autoEnforce, complain,
 * autoComplain) in every combination of a key absent (0), true (1) or
 * false (2), for the helper called directly and through the bus alike.
 */
namespace EnableSwitches
{
namespace Detail
{
inline QStringList files()
{
    return {QString::fromUtf8(SystemPaths::enforceParameter),
            QString::fromUtf8(SystemPaths::autoEnforceFile),
            QString::fromUtf8(SystemPaths::complainParameter),
            QString::fromUtf8(SystemPaths::autoComplainFile)};
}
}

/** A column "states": all 81 rows, or those of @p codes (digits base 3, enforce lowest). */
inline void addRows(const QVector<int> &codes = {})
{
    QTest::addColumn<QVector<int>>("states");
    for (int code = 0; code < 81; ++code) {
        if (!codes.isEmpty() && !codes.contains(code)) {
            continue;
        }
        QVector<int> states;
        for (int i = 0, rest = code; i < 4; ++i, rest /= 3) {
            states.append(rest % 3);
        }
        QTest::addRow("%d%d%d%d", states[0], states[1], states[2], states[3]) << states;
    }
}

/** Writes "untouched" into the four files; the action's arguments, by the program's setters, without a locale. */
inline QVariantMap prepare(const QVector<int> &states)
{
    const std::function<void(EnableActionsMap &, bool)> setters[] = {
        &EnableActionsMap::enableEnforce,
        &EnableActionsMap::enableAutoEnforce,
        &EnableActionsMap::enableComplain,
        &EnableActionsMap::enableAutoComplain,
    };
    EnableActionsMap map{QString()};
    map.remove(HelperActionsMap::environmentKey());
    for (int i = 0; i < 4; ++i) {
        KioskTree::write(Detail::files().at(i), "untouched\n");
        if (states[i] != 0) {
            setters[i](map, states[i] == 1);
        }
    }
    return map;
}

/** Compares the four files with what @p states asked for. */
inline void verify(const QVector<int> &states)
{
    for (int i = 0; i < 4; ++i) {
        const QByteArray expected = states[i] == 0 ? "untouched\n" : states[i] == 1 ? "1\n" : "0\n";
        QCOMPARE(TestFiles::read(Detail::files().at(i)), expected);
    }
}
}

#endif
