/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_RULECOLLECTOR_H
#define ORLA_RULECOLLECTOR_H

#include "profile/objectrule.h"

#include <QByteArray>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QStringList>

#include <sys/types.h>

/**
 * Turns the trace reports of one uid in a kernel log into profile rules:
 * one rule per object, with every mode and target it was reported with.
 */
class RuleCollector
{
public:
    explicit RuleCollector(uid_t uid);

    /** One line of dmesg output; lines that are no trace report are passed over. */
    void addLine(const QByteArray &line);

    struct Collected {
        /** Object rule lines of the profile text format, ordered by path and then type. */
        QString rulesText;
        /**
         * Why reports were passed over (unreadable ones, paths no profile
         * can hold) and which rules were widened.
         */
        QStringList notes;
    };
    /** The rules and the notes on them, from one look at the file system. */
    Collected collect() const;

    /** What the reporter said it held back for this uid; empty when nothing. */
    QString droppedNote() const;

private:
    bool readDropped(const QByteArray &line);
    using Rules = QMap<QPair<QByteArray, int>, ObjectRule>;
    bool profileCanHold(const ObjectRule &rule) const;
    QByteArray forEveryHome(const QByteArray &path, ObjectRule::Target target);
    QByteArray forEverySessionTmpDir(const QByteArray &path, ObjectRule::Target target);
    Rules withRandomNamesFolded(QStringList *notes) const;
    Rules withFoldersProposed(const Rules &rules, QStringList *notes) const;

    const uid_t m_uid;
    // By path bytes and type, so that the order is the same on every run.
    Rules m_rules;
    QStringList m_notes;
    QSet<QPair<QByteArray, int>> m_leftOut;
    qint64 m_dropped = 0;
    // Rules written for every user's own home instead of one account's.
    QSet<QByteArray> m_homeRules;
    // Rules written for every session's own temporary directory.
    QSet<QByteArray> m_tmpDirRules;
};

#endif
