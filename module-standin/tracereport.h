/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_TRACEREPORT_H
#define ORLA_TRACEREPORT_H

#include "profile/objectrule.h"

#include <QByteArray>

#include <sys/types.h>

/**
 * One access that trace mode let through although the user's profiles do
 * not allow it, as one kernel log record:
 *
 *   tavrix: trace uid=1000 file r o /etc/hostname
 *
 * The path is the last field, its bytes escaped so that any path fits in
 * one line without blanks: see escapePath().
 */
class TraceReport
{
public:
    enum class Parse {
        NotAReport, // some other kernel line
        Malformed, // starts like a report but cannot be read
        Report,
    };

    uid_t uid = 0;
    ObjectRule::Type type = ObjectRule::File;
    ObjectRule::Mode mode = ObjectRule::Read;
    ObjectRule::Target target = ObjectRule::TargetOther;
    QByteArray path;

    /** The record without a line end. */
    QByteArray record() const;

    /**
     * Reads one line of dmesg output: a record, optionally behind dmesg's
     * "[seconds.micros] " stamp.
     */
    static Parse parse(const QByteArray &line, TraceReport *report);

    /**
     * The line that says how many accesses of @p uid trace mode held back
     * from the log so far in this period:
     *
     *   tavrix: trace uid=1000 dropped 1234
     *
     * A later line of the same uid replaces an earlier one.
     */
    static QByteArray droppedRecord(uid_t uid, qint64 count);
    /** Reads such a line of dmesg output; false for any other line. */
    static bool parseDropped(const QByteArray &line, uid_t *uid, qint64 *count);

    /**
     * Bytes below 0x21, 0x7f and above, and the backslash become \xHH (two
     * lower-case hex digits); every other byte stands for itself.
     */
    static QByteArray escapePath(const QByteArray &path);
    /** The reverse of escapePath(); false on a stray backslash or bad digits. */
    static bool unescapePath(const QByteArray &escaped, QByteArray *path);
};

#endif
