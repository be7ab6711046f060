/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_KIOSKSAVE_H
#define ORLA_KIOSKSAVE_H

#include "orlacommon_export.h"
#include "protocol/updateactionsmap.h"

#include <QString>

#include <functional>

class KioskTransaction;

/**
 * A save of the kiosk tree as the administrator asks for it: the program's
 * update, or an earlier configuration put back. Either is kept as an earlier
 * configuration itself before anything visible changes, and is applied whole
 * or not at all (KioskTransaction).
 *
 * Failures come back as the sentence the administrator reads, which always
 * says whether the tree is as it was.
 */
class ORLACOMMON_EXPORT KioskSave
{
public:
    /**
     * @p progress is called at most once a heartbeat interval during a
     * long save, so that whoever waits can tell a slow save from a stuck one.
     */
    explicit KioskSave(const std::function<void()> &progress = {});

    /** Applies @p map; empty on success, else why nothing (or not all) was saved. */
    QString apply(const UpdateActionsMap &map);

    /** Puts the earlier configuration @p id back; empty on success, else why not. */
    QString restore(const QString &id);

    /** What @p map does, in a few words, for the list of earlier configurations. */
    static QString summary(const UpdateActionsMap &map);

private:
    QString commit(KioskTransaction &transaction, const QString &summary);

    std::function<void()> m_progress;
};

#endif
