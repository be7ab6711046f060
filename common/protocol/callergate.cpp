/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "protocol/callergate.h"

#include <KAuth/ActionReply>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDynamicPropertyChangeEvent>
#include <QRandomGenerator>

#include <limits>

namespace
{
// KAuth's names (KAuth 5, D-Bus backend).
const char shutdownTimerProperty[] = "__KAuth_Helper_Shutdown_Timer";
const QString kauthInterface = QStringLiteral("org.kde.kf5auth");
const QString remoteSignalName = QStringLiteral("remoteSignal");
constexpr int actionStartedSignal = 0;
constexpr int actionPerformedSignal = 1;

const QString polkitService = QStringLiteral("org.freedesktop.PolicyKit1");
const QString polkitPath = QStringLiteral("/org/freedesktop/PolicyKit1/Authority");
const QString polkitInterface = QStringLiteral("org.freedesktop.PolicyKit1.Authority");
// polkit may ask the administrator for a password; nothing bounds how long
// that takes but the caller, whose going cancels the question.
constexpr int polkitTimeout = std::numeric_limits<int>::max();
constexpr uint allowUserInteraction = 1;

// Who polkit is asked about: a connection to the system bus.
struct PolkitSubject {
    QString kind;
    QVariantMap details;
};
}

Q_DECLARE_METATYPE(PolkitSubject)

namespace
{
QDBusArgument &operator<<(QDBusArgument &argument, const PolkitSubject &subject)
{
    argument.beginStructure();
    argument << subject.kind << subject.details;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PolkitSubject &subject)
{
    argument.beginStructure();
    argument >> subject.kind >> subject.details;
    argument.endStructure();
    return argument;
}

// Whether polkit's answer (is_authorized, is_challenge, details) says yes.
bool authorised(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return false;
    }
    const QDBusArgument result = reply.arguments().constFirst().value<QDBusArgument>();
    if (result.currentType() != QDBusArgument::StructureType) {
        return false;
    }
    bool isAuthorised = false;
    bool isChallenge = false;
    QMap<QString, QString> details;
    result.beginStructure();
    result >> isAuthorised >> isChallenge >> details;
    result.endStructure();
    return isAuthorised;
}

QByteArray serialized(KAuth::ActionReply reply, const QString &description = QString())
{
    if (!description.isEmpty()) {
        reply.setErrorDescription(description);
    }
    return reply.serialized();
}
}

CallerGate::CallerGate(QObject *responder, const QStringList &ownActions, const QStringList &stoppableActions)
    : m_responder(responder)
    , m_ownActions(ownActions)
    , m_stoppableActions(stoppableActions)
{
    qDBusRegisterMetaType<PolkitSubject>();
    qDBusRegisterMetaType<QMap<QString, QString>>();
    // KAuth has made the application, its bus connection and its object once
    // it attaches its shutdown timer; the bus delivers nothing to any object
    // before the event loop runs, so the first call already meets the gate.
    m_responder->installEventFilter(this);
}

CallerGate::~CallerGate() = default;

bool CallerGate::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_responder && event->type() == QEvent::DynamicPropertyChange
        && static_cast<QDynamicPropertyChangeEvent *>(event)->propertyName() == shutdownTimerProperty && !m_kauth) {
        attach();
    }
    return false;
}

void CallerGate::attach()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    m_shutdownTimer = m_responder->property(shutdownTimerProperty).value<QTimer *>();
    m_kauth = bus.objectRegisteredAt(QStringLiteral("/"));
    if (!m_shutdownTimer || !m_kauth) {
        return;
    }
    bus.unregisterObject(QStringLiteral("/"));
    if (!bus.registerObject(QStringLiteral("/"), this, QDBusConnection::ExportScriptableSlots)) {
        // Without the gate nobody could reach the helper at all.
        bus.registerObject(QStringLiteral("/"), m_kauth);
        m_kauth.clear();
        return;
    }
    connect(m_kauth, SIGNAL(remoteSignal(int, QString, QByteArray)), this, SLOT(relay(int, QString, QByteArray)));
    m_callers = new QDBusServiceWatcher(this);
    m_callers->setConnection(bus);
    m_callers->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_callers, &QDBusServiceWatcher::serviceUnregistered, this, &CallerGate::callerGone);
}

QByteArray CallerGate::performAction(const QString &action, const QByteArray &callerID, const QVariantMap &details, const QByteArray &arguments)
{
    setDelayedReply(true);
    Request request;
    request.call = message();
    request.caller = message().service();
    request.action = action;
    request.details = details;
    request.arguments = arguments;

    // KAuth's client names its own connection; polkit is asked about that one.
    if (callerID != request.caller.toUtf8()) {
        answer(request, serialized(KAuth::ActionReply::AuthorizationDeniedReply()), true);
        return QByteArray();
    }
    if (!m_ownActions.contains(action)) {
        answer(request, serialized(KAuth::ActionReply::NoSuchActionReply()), true);
        return QByteArray();
    }
    // KAuth's client sends one action at a time; a second one is answered as
    // KAuth answers it, and waits for nothing.
    if (m_pending.contains(request.caller)) {
        answer(request, serialized(KAuth::ActionReply::HelperBusyReply()), false);
        return QByteArray();
    }
    request.serial = m_nextSerial++;
    request.cancellation = QStringLiteral("orla-%1").arg(request.serial);
    m_pending.insert(request.caller, request);
    // Watched before polkit is asked: a caller gone before then is one that
    // polkit does not find.
    m_callers->addWatchedService(request.caller);
    keepAlive();
    askPolkit(request);
    return QByteArray();
}

void CallerGate::askPolkit(const Request &request)
{
    QMap<QString, QString> details;
    for (auto it = request.details.cbegin(); it != request.details.cend(); ++it) {
        details.insert(it.key(), it.value().toString());
    }
    QDBusMessage check = QDBusMessage::createMethodCall(polkitService, polkitPath, polkitInterface, QStringLiteral("CheckAuthorization"));
    check << QVariant::fromValue(PolkitSubject{QStringLiteral("system-bus-name"), {{QStringLiteral("name"), request.caller}}}) << request.action
          << QVariant::fromValue(details) << allowUserInteraction << request.cancellation;
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(check, polkitTimeout), this);
    watcher->setProperty("caller", request.caller);
    watcher->setProperty("serial", request.serial);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &CallerGate::authorisationAnswered);
}

void CallerGate::authorisationAnswered(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    const QString caller = watcher->property("caller").toString();
    const auto it = m_pending.find(caller);
    if (it == m_pending.end() || it->serial != watcher->property("serial").toULongLong()) {
        // The caller has gone, or given up on the request.
        return;
    }
    const Request request = it.value();
    m_pending.erase(it);
    if (!authorised(watcher->reply())) {
        answer(request, serialized(KAuth::ActionReply::AuthorizationDeniedReply()), true);
        forget(caller);
    } else {
        admit(request);
    }
    keepAlive();
}

void CallerGate::admit(Request request)
{
    if (m_running) {
        if (request.action == m_runningAction) {
            // Another job of the running action, as the program sends one to
            // stop it: it hears the running action's reply, and KAuth's
            // client drops the busy answer.
            m_listeners.insert(request.caller);
            if (request.stopped) {
                stopRunningAction();
            }
            answer(request, serialized(KAuth::ActionReply::HelperBusyReply()), false);
            return;
        }
        answer(request,
               serialized(KAuth::ActionReply::HelperBusyReply(),
                          QCoreApplication::translate("CallerGate", "The privileged helper is busy with another action. Try again once it has finished.")),
               true);
        forget(request.caller);
        return;
    }
    if (request.stopped && !m_stoppableActions.contains(request.action)) {
        // Its caller gave up on it while polkit was asked: a save nobody
        // waits for any more is not made.
        answer(request, serialized(KAuth::ActionReply::HelperBusyReply()), false);
        forget(request.caller);
        return;
    }
    run(request);
}

void CallerGate::run(const Request &request)
{
    m_running = true;
    m_runningAction = request.action;
    m_listeners = {request.caller};
    m_stopAtStart = request.stopped;

    // KAuth's own object answers only this call, made inside the process:
    // its bus name is ours, which polkit authorises without asking anyone.
    QDBusConnection bus = QDBusConnection::systemBus();
    quint64 random[2];
    QRandomGenerator::system()->fillRange(random);
    const QString path = QStringLiteral("/run%1%2").arg(random[0], 16, 16, QLatin1Char('0')).arg(random[1], 16, 16, QLatin1Char('0'));
    QByteArray reply;
    if (bus.registerObject(path, m_kauth, QDBusConnection::ExportNonScriptableSlots)) {
        QDBusMessage call = QDBusMessage::createMethodCall(bus.baseService(), path, QString(), QStringLiteral("performAction"));
        call << request.action << bus.baseService().toUtf8() << request.details << request.arguments;
        const QDBusMessage answered = bus.call(call, QDBus::Block, std::numeric_limits<int>::max());
        bus.unregisterObject(path);
        if (answered.type() == QDBusMessage::ReplyMessage && !answered.arguments().isEmpty()) {
            reply = answered.arguments().constFirst().toByteArray();
        }
    }
    const bool reported = !reply.isEmpty();
    if (!reported) {
        reply = serialized(KAuth::ActionReply::DBusErrorReply(), QCoreApplication::translate("CallerGate", "The privileged helper could not start the action."));
    }

    const QSet<QString> listeners = m_listeners;
    m_running = false;
    m_runningAction.clear();
    m_listeners.clear();
    m_stopAtStart = false;
    answer(request, reply, !reported);
    for (const QString &listener : listeners) {
        forget(listener);
    }
    keepAlive();
}

void CallerGate::answer(const Request &request, const QByteArray &reply, bool report)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    // KAuth's client takes its result from the report, and reads the call's
    // own answer only when it is an error.
    if (report) {
        QDBusMessage performed = QDBusMessage::createTargetedSignal(request.caller, QStringLiteral("/"), kauthInterface, remoteSignalName);
        performed << actionPerformedSignal << request.action << reply;
        bus.send(performed);
    }
    bus.send(request.call.createReply(QVariant(reply)));
}

void CallerGate::relay(int type, const QString &action, const QByteArray &blob)
{
    if (!m_running) {
        return;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    for (const QString &listener : qAsConst(m_listeners)) {
        QDBusMessage report = QDBusMessage::createTargetedSignal(listener, QStringLiteral("/"), kauthInterface, remoteSignalName);
        report << type << action << blob;
        bus.send(report);
    }
    if (type == actionStartedSignal && m_stopAtStart) {
        m_stopAtStart = false;
        stopRunningAction();
    }
}

void CallerGate::stopAction(const QString &action)
{
    const QString caller = message().service();
    const auto it = m_pending.find(caller);
    if (it != m_pending.end() && it->action == action) {
        it->stopped = true;
        return;
    }
    if (m_running && action == m_runningAction && m_listeners.contains(caller)) {
        stopRunningAction();
    }
    // Anyone else's stop request would end the administrator's recording.
}

void CallerGate::stopRunningAction()
{
    QMetaObject::invokeMethod(m_kauth, "stopAction", Qt::DirectConnection, Q_ARG(QString, m_runningAction));
}

void CallerGate::callerGone(const QString &name)
{
    const auto it = m_pending.find(name);
    if (it != m_pending.end()) {
        QDBusMessage cancel = QDBusMessage::createMethodCall(polkitService, polkitPath, polkitInterface, QStringLiteral("CancelCheckAuthorization"));
        cancel << it->cancellation;
        QDBusConnection::systemBus().send(cancel);
        m_pending.erase(it);
    }
    m_listeners.remove(name);
    m_callers->removeWatchedService(name);
    keepAlive();
}

void CallerGate::forget(const QString &caller)
{
    if (!m_pending.contains(caller) && !m_listeners.contains(caller)) {
        m_callers->removeWatchedService(caller);
    }
}

void CallerGate::keepAlive()
{
    // KAuth ends an idle helper after a while; a request still with polkit
    // (an administrator typing the password) keeps it.
    if (!m_shutdownTimer || m_running) {
        return;
    }
    if (m_pending.isEmpty()) {
        if (!m_shutdownTimer->isActive()) {
            m_shutdownTimer->start();
        }
    } else {
        m_shutdownTimer->stop();
    }
}
