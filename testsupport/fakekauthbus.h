/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_FAKEKAUTHBUS_H
#define ORLA_FAKEKAUTHBUS_H

#include <KAuth/ActionReply>

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <memory>

/**
 * Stands in for the helper on a private bus: it answers KAuth's calls the
 * way a helper does, with the reply it is told to give, or not at all. The
 * client side under test is KAuth's own.
 *
 * KAuth's messages between client and helper (performAction, stopAction and
 * the remoteSignal steps, on org.kde.kf5auth at "/") have no public API: no
 * class of KAuth's stands in for a helper, nor sends a stop for an action the
 * caller did not start. This stand-in, and the bus tests that play a hostile
 * caller with such a raw stop, speak those messages themselves; the tests
 * use no KAuth private property or proxy object otherwise.
 */
class FakeKAuthHelper : public QDBusVirtualObject
{
public:
    enum Mode {
        Answer, // progress, if any, then the reply at once
        Silent, // takes the call and never answers
        Hold, // progress, then the reply only once a stop request comes
        Trickle, // an empty progress step every 100 ms, trickleSteps times, then the reply
    };

    Mode mode = Answer;
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    QVariantMap progress;
    int trickleSteps = 10;
    // Before the first step: the authorisation, as long as the administrator takes.
    int trickleFirstStepMs = 100;
    // False: after its steps the helper falls silent for good, stuck in its action.
    bool trickleReplies = true;
    // Called as an action begins (receivedAction names it) and as a held
    // action ends: where the real helper changes the switches.
    std::function<void()> onAction;
    std::function<void()> onRelease;

    QString receivedAction;
    QVariantMap receivedArguments;
    int actions = 0;
    int stopRequests = 0;
    int busyAnswers = 0;

    void reset();
    bool isHolding() const;
    // A held action that a client of another process began, as far as this
    // process can tell: it never sent it, and has heard nothing of it.
    void holdWithoutCaller(const QString &action);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    void release(const QDBusConnection &connection);
    void trickle(const QDBusConnection &connection, const QString &action, int stepsLeft, int delayMs);
    // The helper's word that it has left the action and takes the next one.
    void emitReady(const QDBusConnection &connection);
    void emitRemoteSignal(const QDBusConnection &connection, int type, const QString &action, const QByteArray &blob);

    QString m_heldAction;
    QDBusMessage m_heldCall;
    bool m_holding = false;
    // KAuth's helper keeps a stop request that came between actions for the next one.
    bool m_stopPending = false;
};

/**
 * A private bus, a polkit that allows everything on it, and the fake helper
 * under the helper's name. Started before anything in the process touches
 * the system bus, it is the system bus for the rest of the process.
 */
class FakeKAuthBus
{
public:
    FakeKAuthBus();
    ~FakeKAuthBus();

    // False, with the reason, when the bus cannot be set up here.
    bool start(QString *why);

    FakeKAuthHelper &helper();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_bus;
    std::unique_ptr<QProcess> m_polkit;
    FakeKAuthHelper m_helper;
    QByteArray m_oldSystemBus;
    bool m_connected = false;
};

#endif
