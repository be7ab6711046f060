/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_CALLERGATE_H
#define ORLA_CALLERGATE_H

#include "orlacommon_export.h"

#include <QDBusContext>
#include <QDBusMessage>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

/**
 * The helper's door on the bus: it takes KAuth's calls in KAuth's place and
 * hands KAuth only the requests polkit has already authorised.
 *
 * KAuth runs one request at a time and asks polkit itself before it calls a
 * slot. Any local account could occupy it: a request whose caller is gone
 * before polkit looks gets an error from polkit instead of an answer, for
 * which KAuth waits for ever; every other caller meanwhile is answered
 * "busy", which KAuth's client drops. And KAuth sends its report of an
 * action to everyone waiting for an action of that id, so one account's
 * refusal reached the administrator's save as its own.
 *
 * The gate asks polkit about each caller itself, all at the same time and
 * each on its own, watches each caller's bus name and forgets a request whose
 * caller has gone (cancelling its question to polkit). A request polkit
 * refuses, or of an action that is not ours, is answered to its caller alone.
 * An authorised request goes on to KAuth when KAuth is idle; KAuth's reports
 * of it go to that caller alone (and to authorised callers of the same action
 * that asked meanwhile, which is how a recording is stopped from another job).
 * A stop request counts only from those callers.
 *
 * KAuth itself sees every such request come from the helper's own bus name,
 * which polkit authorises at once, over a call inside this process; its own
 * object is reachable on the bus only for that call, at a path nobody can
 * guess.
 */
class ORLACOMMON_EXPORT CallerGate : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kf5auth")

public:
    /** Takes the place of KAuth's object once KAuth has set up @p responder; @p ownActions are the helper's action ids. */
    CallerGate(QObject *responder, const QStringList &ownActions, const QStringList &stoppableActions);
    ~CallerGate() override;

public Q_SLOTS:
    // KAuth's helper interface, as its client calls it.
    Q_SCRIPTABLE QByteArray performAction(const QString &action, const QByteArray &callerID, const QVariantMap &details, const QByteArray &arguments);
    Q_SCRIPTABLE void stopAction(const QString &action);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private Q_SLOTS:
    void authorisationAnswered(QDBusPendingCallWatcher *watcher);
    void callerGone(const QString &name);
    void relay(int type, const QString &action, const QByteArray &blob);

private:
    struct Request {
        quint64 serial = 0;
        QDBusMessage call;
        QString caller;
        QString action;
        QVariantMap details;
        QByteArray arguments;
        QString cancellation;
        bool stopped = false;
    };

    void attach();
    void askPolkit(const Request &request);
    void admit(Request request);
    void run(const Request &request);
    void answer(const Request &request, const QByteArray &reply, bool report);
    void forget(const QString &caller);
    void keepAlive();
    void stopRunningAction();

    QObject *const m_responder;
    const QStringList m_ownActions;
    const QStringList m_stoppableActions;
    QPointer<QObject> m_kauth;
    QPointer<QTimer> m_shutdownTimer;
    QDBusServiceWatcher *m_callers = nullptr;
    // Requests waiting for polkit, one per caller.
    QHash<QString, Request> m_pending;
    quint64 m_nextSerial = 1;

    // The request KAuth runs, and who hears its reports.
    bool m_running = false;
    QString m_runningAction;
    QSet<QString> m_listeners;
    bool m_stopAtStart = false;
};

#endif
