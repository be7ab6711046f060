/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_GLOBALRECORDRESULT_H
#define ORLA_GLOBALRECORDRESULT_H

#include <QStringList>

/** What ending a global recording produced. */
struct GlobalRecordResult {
    bool done = false; // false until the helper's job ended
    QStringList createdProfiles; // in creation order
    QStringList warnings;
    // The sentence of a reload that failed after the stop; the working copy
    // then is the one from before, with the recorded profiles added.
    QString reloadError;
};

#endif
