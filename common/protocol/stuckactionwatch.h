/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_STUCKACTIONWATCH_H
#define ORLA_STUCKACTIONWATCH_H

#include "orlacommon_export.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

/**
 * Ends the helper when an action has started but never reaches the helper's
 * own code.
 *
 * KAuth decodes a caller's arguments and asks polkit before it calls a slot,
 * and waits for polkit's answer in an event loop of its own. An action that
 * polkit does not know, or a caller gone before polkit looks at it, gets an
 * error instead of an answer, and KAuth waits for ever: the helper stays
 * registered on the bus, answering nobody. Ending it lets the bus start a
 * fresh one for the next caller.
 *
 * The watch reads two things KAuth sets up in its helper main loop: the idle
 * shutdown timer it attaches to the responder (stopped while an action is in
 * progress) and the signal its helper object sends when an action starts.
 * Without them (another KAuth) it does nothing.
 *
 * It also tells callers when the helper is ready for their next action.
 * KAuth's helper reports an action done before it has left it, and answers a
 * call that reaches it in between as "busy", an answer KAuth's client never
 * reads: that caller would wait for ever. Once KAuth has left the action and
 * the helper has nothing more to do, the watch sends the ready signal
 * (HelperConstants::helperReadySignal), which the library's job runner waits
 * for before it sends a caller's next action.
 */
class ORLACOMMON_EXPORT StuckActionWatch : public QObject
{
    Q_OBJECT

public:
    /** Watches the actions KAuth hands to @p responder, whose actions are @p ownActions. */
    StuckActionWatch(QObject *responder, const QStringList &ownActions);
    ~StuckActionWatch() override;

    /** Held by each action slot for as long as it runs. */
    class Running
    {
    public:
        explicit Running(StuckActionWatch &watch);
        ~Running();
        Running(const Running &) = delete;
        Running &operator=(const Running &) = delete;

    private:
        StuckActionWatch &m_watch;
    };

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private Q_SLOTS:
    void remoteSignal(int type, const QString &action, const QByteArray &blob);
    void check();
    void announceReady();

private:
    void attach();

    QObject *const m_responder;
    const QStringList m_ownActions;
    QPointer<QTimer> m_shutdownTimer;
    QTimer m_tick;
    QElapsedTimer m_waiting;
    QString m_action;
    int m_running = 0;
    bool m_actionDone = false;
    bool m_inAction = false;
};

#endif
