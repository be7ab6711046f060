/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_HELPERRUN_H
#define ORLA_HELPERRUN_H

#include "protocol/helperconstants.h"

#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>

namespace KAuth
{
class ExecuteJob;
}

/**
 * The helper's actions as the bus tests send them: built by the library's
 * one builder and run to their end, their reply, progress and failure in
 * one value.
 */
namespace HelperRun
{
struct Outcome {
    enum Kind { Success, Refused, Failure, Unanswered };
    Kind kind = Unanswered;
    /** KAuth's error code; 0 on success. */
    int code = 0;
    QString text;
    QVariantMap data;
    /** The progress steps that carry data. */
    QList<QVariantMap> progress;
    /** The helper's first word, an empty step that says the authorisation is over, came before its reply. */
    bool begun = false;
};

enum class Wait {
    /** Bounded by the watchdog (negative: the action's time-out and a margin). */
    Bounded,
    /** Ended after the watchdog's milliseconds without a word from the helper, as the program's wait is. */
    WhileAlive,
};

/** Through the library's runner, as the program does. */
Outcome execute(const QString &id, const QVariantMap &arguments, int watchdogMs = -1, Wait wait = Wait::Bounded);

/**
 * Prints @p why and every thread this run sees, with its process, parent,
 * real uid, state and where it waits in the kernel: what a test shows when
 * something it waited for never came; to stderr, for a failure message
 * would be cut short.
 */
void printProcesses(const QString &why);

/** The pid of the helper the bus runs; 0 when none runs. */
qint64 helperPid();

/**
 * Ends the helper, a stopped one too, and waits at most @p boundMs until the
 * bus has let its name go; false when it has not. The bus starts a new
 * helper for the next action.
 */
bool endHelper(int boundMs);

/** An action started and left running, for a test that acts while it runs. */
struct Running {
    Running(const QString &id, const QVariantMap &arguments, int timeoutMs = HelperConstants::actionTimeoutMs);
    ~Running();
    Running(const Running &) = delete;
    Running &operator=(const Running &) = delete;
    /** Waits at most @p boundMs for the reply; Unanswered when none came. */
    Outcome finish(int boundMs);

    /** What came so far. */
    Outcome outcome;
    bool finished = false;
    const std::unique_ptr<KAuth::ExecuteJob> job;
};
}

#endif
