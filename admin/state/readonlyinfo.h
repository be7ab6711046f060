/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_READONLYINFO_H
#define ORLA_READONLYINFO_H

#include <QSet>

/** Whether the program may change the kiosk configuration, and why not. */
struct ReadOnlyInfo {
    enum Reason : int {
        // The process does not run at the highest integrity level.
        ReasonNoMaxIntegrity = 0,
    };

    bool readOnly = false;
    QSet<int> reasons;
};

#endif
