/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_REPORTLIMIT_H
#define ORLA_REPORTLIMIT_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>

#include <sys/types.h>

/**
 * How much of the log one uid may fill while trace mode is on, so that one
 * kiosk user's flood neither grows the log without bound nor keeps the
 * reporter from everyone else's accesses.
 *
 * A report the log holds already (same uid, object, mode and target) is
 * never written again: the collector needs one line per distinct access.
 * New reports of one uid are let through by a bucket of burst reports,
 * refilled at perSecond, and at most total in one trace-mode period. What
 * is held back is counted per uid and said in the log itself, in a line the
 * collector reads (droppedRecord()), so that the count reaches whoever reads
 * the recording.
 */
class ReportLimit
{
public:
    struct Caps {
        int perSecond = 2000;
        int burst = 10000;
        int total = 100000;
    };

    ReportLimit();
    explicit ReportLimit(const Caps &caps);

    /** A new trace-mode period: every count starts afresh. */
    void startPeriod();

    /** The log was emptied: what it held must be written again when it comes again. */
    void logCleared();

    /**
     * Whether nothing of @p uid can be written now: its accesses need not
     * even be looked at. Each one passed over counts as held back
     * (skipped()).
     */
    bool saturated(uid_t uid, qint64 nowMs);
    void skipped(uid_t uid);

    /** Whether @p record of @p uid goes into the log now; counts it either way. */
    bool admit(uid_t uid, const QByteArray &record, qint64 nowMs);

    /**
     * The count lines that are due: for each uid whose count changed since
     * it was last said, at most one line per sayEveryMs, or now when @p all.
     */
    QList<QByteArray> counts(qint64 nowMs, bool all);

    /** Whether a count is still to be said. */
    bool countPending() const;

    /** Held-back accesses of @p uid in this period: distinct ones, and those not looked at. */
    qint64 held(uid_t uid) const;

    static constexpr qint64 sayEveryMs = 250;

private:
    struct Account {
        qint64 tokens = 0;
        qint64 refilledAt = 0;
        int writtenInPeriod = 0;
        // Reports the log holds now, and reports held back and not written since.
        QSet<QByteArray> written;
        QSet<QByteArray> heldBack;
        // Held back beyond what heldBack keeps, and not looked at.
        qint64 uncounted = 0;
        qint64 said = 0;
        qint64 saidAt = 0;
    };

    Account &account(uid_t uid, qint64 nowMs);
    void refill(Account &account, qint64 nowMs) const;
    void hold(Account &account, const QByteArray &record) const;

    Caps m_caps;
    QHash<uid_t, Account> m_accounts;
};

#endif
