/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "protocol/stuckactionwatch.h"

#include "protocol/helperconstants.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDynamicPropertyChangeEvent>

namespace
{
// KAuth's names for what the watch reads (KAuth 5, D-Bus backend).
const char shutdownTimerProperty[] = "__KAuth_Helper_Shutdown_Timer";
constexpr int actionStartedSignal = 0;
constexpr int actionPerformedSignal = 1;

constexpr int tickMs = 1000;
}

StuckActionWatch::StuckActionWatch(QObject *responder, const QStringList &ownActions)
    : m_responder(responder)
    , m_ownActions(ownActions)
{
    // The application, the bus connection and KAuth's timer only exist once
    // KAuth's helper main loop has set them up; it attaches the timer last.
    m_responder->installEventFilter(this);
    m_tick.setInterval(tickMs);
    connect(&m_tick, &QTimer::timeout, this, &StuckActionWatch::check);
}

StuckActionWatch::~StuckActionWatch() = default;

bool StuckActionWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_responder && event->type() == QEvent::DynamicPropertyChange
        && static_cast<QDynamicPropertyChangeEvent *>(event)->propertyName() == shutdownTimerProperty) {
        attach();
    }
    return false;
}

void StuckActionWatch::attach()
{
    m_shutdownTimer = m_responder->property(shutdownTimerProperty).value<QTimer *>();
    QObject *helperProxy = QDBusConnection::systemBus().objectRegisteredAt(QStringLiteral("/"));
    if (!m_shutdownTimer || !helperProxy) {
        return;
    }
    connect(helperProxy, SIGNAL(remoteSignal(int, QString, QByteArray)), this, SLOT(remoteSignal(int, QString, QByteArray)));
    // The main loop only blocks once KAuth has left the action: between its
    // report and its return it merely processes what is pending.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this, &StuckActionWatch::announceReady);
    m_tick.start();
}

void StuckActionWatch::remoteSignal(int type, const QString &action, const QByteArray &blob)
{
    Q_UNUSED(blob)
    if (type == actionStartedSignal) {
        m_action = action;
        m_actionDone = false;
        m_inAction = true;
    } else if (type == actionPerformedSignal) {
        m_actionDone = true;
        m_inAction = false;
    }
}

void StuckActionWatch::announceReady()
{
    if (!m_actionDone) {
        return;
    }
    m_actionDone = false;
    QDBusConnection::systemBus().send(QDBusMessage::createSignal(QStringLiteral("/"), HelperConstants::helperId, HelperConstants::helperReadySignal));
}

void StuckActionWatch::check()
{
    // The helper's door also holds the timer while polkit is asked about a
    // caller; only KAuth's own wait inside an action is the one to watch.
    const bool authorising = m_inAction && m_shutdownTimer && !m_shutdownTimer->isActive() && m_running == 0;
    if (!authorising) {
        m_waiting.invalidate();
        return;
    }
    if (!m_waiting.isValid()) {
        m_waiting.start();
        return;
    }
    // None of the program's actions is ever one polkit does not know: such a
    // check has failed already. One of ours may wait for the administrator's
    // password, but no caller waits longer than the action's time-out.
    if (!m_ownActions.contains(m_action) || m_waiting.elapsed() >= HelperConstants::actionTimeoutMs) {
        m_tick.stop();
        // Leaves every event loop, KAuth's waiting one too; the helper then ends.
        QCoreApplication::exit(1);
    }
}

StuckActionWatch::Running::Running(StuckActionWatch &watch)
    : m_watch(watch)
{
    ++m_watch.m_running;
}

StuckActionWatch::Running::~Running()
{
    --m_watch.m_running;
}
