/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "fakekauthbus.h"

#include "protocol/helperconstants.h"

#include <QDBusConnection>
#include <QDataStream>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <sys/prctl.h>

namespace
{
// The KAuth D-Bus signal kinds a client acts on.
constexpr int actionPerformedSignal = 1;
constexpr int progressStepDataSignal = 4;

const QLatin1String helperConnectionName("orla-fake-helper");

// A child that ends with the test, even when the test itself is killed.
class ChildProcess : public QProcess
{
protected:
    void setupChildProcess() override
    {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    }
};

void stopChild(QProcess &child)
{
    if (child.state() == QProcess::NotRunning) {
        return;
    }
    child.terminate();
    if (!child.waitForFinished(5000)) {
        child.kill();
        child.waitForFinished(5000);
    }
}
}

void FakeKAuthHelper::reset()
{
    mode = Answer;
    reply = KAuth::ActionReply::SuccessReply();
    progress.clear();
    trickleSteps = 10;
    trickleFirstStepMs = 100;
    trickleReplies = true;
    onAction = nullptr;
    onRelease = nullptr;
    receivedAction.clear();
    receivedArguments.clear();
    actions = 0;
    stopRequests = 0;
    busyAnswers = 0;
    m_holding = false;
    m_heldCall = QDBusMessage();
    m_heldAction.clear();
    m_stopPending = false;
}

bool FakeKAuthHelper::isHolding() const
{
    return m_holding;
}

void FakeKAuthHelper::holdWithoutCaller(const QString &action)
{
    m_holding = true;
    m_heldAction = action;
    m_heldCall = QDBusMessage();
}

QString FakeKAuthHelper::introspect(const QString &) const
{
    return QString();
}

bool FakeKAuthHelper::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    if (message.member() == QLatin1String("stopAction")) {
        ++stopRequests;
        if (m_holding) {
            release(connection);
        } else {
            m_stopPending = true;
        }
        return !message.isReplyRequired() || connection.send(message.createReply());
    }
    if (message.member() != QLatin1String("performAction") || message.arguments().size() < 3) {
        return false;
    }
    // One action at a time, like KAuth's helper: the busy answer goes back as
    // the call's reply only, which KAuth's client does not read.
    if (m_holding) {
        ++busyAnswers;
        return connection.send(message.createReply(QVariant(KAuth::ActionReply::HelperBusyReply().serialized())));
    }

    ++actions;
    receivedAction = message.arguments().constFirst().toString();
    // The arguments cross the bus as one QDataStream blob, the last argument.
    QByteArray blob = message.arguments().constLast().toByteArray();
    QDataStream stream(&blob, QIODevice::ReadOnly);
    receivedArguments.clear();
    stream >> receivedArguments;

    if (mode == Silent || mode == Trickle) {
        if (mode == Trickle) {
            trickle(connection, receivedAction, trickleSteps, trickleFirstStepMs);
        }
        // Takes the call, as a helper stuck in its action would.
        return connection.send(message.createReply(QVariant(QByteArray())));
    }
    if (onAction) {
        onAction();
    }
    if (!progress.isEmpty()) {
        QByteArray progressBlob;
        QDataStream progressStream(&progressBlob, QIODevice::WriteOnly);
        progressStream << progress;
        emitRemoteSignal(connection, progressStepDataSignal, receivedAction, progressBlob);
    }
    if (mode == Hold) {
        message.setDelayedReply(true);
        m_heldCall = message;
        m_heldAction = receivedAction;
        m_holding = true;
        if (m_stopPending) {
            release(connection);
        }
        return true;
    }
    emitRemoteSignal(connection, actionPerformedSignal, receivedAction, reply.serialized());
    const bool sent = connection.send(message.createReply(QVariant(reply.serialized())));
    emitReady(connection);
    return sent;
}

void FakeKAuthHelper::release(const QDBusConnection &connection)
{
    m_holding = false;
    m_stopPending = false;
    if (onRelease) {
        onRelease();
    }
    emitRemoteSignal(connection, actionPerformedSignal, m_heldAction, reply.serialized());
    if (m_heldCall.type() == QDBusMessage::MethodCallMessage) {
        connection.send(m_heldCall.createReply(QVariant(reply.serialized())));
    }
    m_heldCall = QDBusMessage();
    emitReady(connection);
}

void FakeKAuthHelper::trickle(const QDBusConnection &connection, const QString &action, int stepsLeft, int delayMs)
{
    QTimer::singleShot(delayMs, this, [this, connection, action, stepsLeft]() {
        if (stepsLeft == 0) {
            if (!trickleReplies) {
                return;
            }
            emitRemoteSignal(connection, actionPerformedSignal, action, reply.serialized());
            emitReady(connection);
            return;
        }
        QByteArray blob;
        QDataStream stream(&blob, QIODevice::WriteOnly);
        stream << QVariantMap();
        emitRemoteSignal(connection, progressStepDataSignal, action, blob);
        trickle(connection, action, stepsLeft - 1, 100);
    });
}

void FakeKAuthHelper::emitRemoteSignal(const QDBusConnection &connection, int type, const QString &action, const QByteArray &blob)
{
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/"), QStringLiteral("org.kde.kf5auth"), QStringLiteral("remoteSignal"));
    signal << type << action << blob;
    connection.send(signal);
}

void FakeKAuthHelper::emitReady(const QDBusConnection &connection)
{
    connection.send(QDBusMessage::createSignal(QStringLiteral("/"), HelperConstants::helperId, HelperConstants::helperReadySignal));
}

FakeKAuthBus::FakeKAuthBus()
    : m_bus(std::make_unique<ChildProcess>())
    , m_polkit(std::make_unique<ChildProcess>())
{
}

FakeKAuthBus::~FakeKAuthBus()
{
    if (m_connected) {
        QDBusConnection::disconnectFromBus(helperConnectionName);
    }
    m_polkit->closeWriteChannel();
    stopChild(*m_polkit);
    stopChild(*m_bus);
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_oldSystemBus);
}

FakeKAuthHelper &FakeKAuthBus::helper()
{
    return m_helper;
}

bool FakeKAuthBus::start(QString *why)
{
    const auto fail = [why](const char *reason) {
        *why = QString::fromLatin1(reason);
        return false;
    };
    // A bus of our own stands in for the system bus, so nothing here
    // depends on, or reaches, the machine's bus, polkit or helpers.
    if (!m_dir.isValid()) {
        return fail("no temporary directory");
    }
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return fail("cannot write the bus configuration");
    }
    file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n"
               "  <type>session</type>\n"
               "  <listen>unix:dir="
               + QFile::encodeName(m_dir.path())
               + "</listen>\n"
                 "  <auth>EXTERNAL</auth>\n"
                 "  <policy context=\"default\">\n"
                 "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                 "    <allow eavesdrop=\"true\"/>\n"
                 "    <allow own=\"*\"/>\n"
                 "  </policy>\n"
                 "</busconfig>\n");
    file.close();

    m_bus->setProgram(QStringLiteral("dbus-daemon"));
    m_bus->setArguments(
        {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"), QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    m_bus->start();
    if (!m_bus->waitForStarted(10000)) {
        return fail("dbus-daemon is not available");
    }
    while (!m_bus->canReadLine()) {
        if (!m_bus->waitForReadyRead(10000)) {
            return fail("dbus-daemon printed no address");
        }
    }
    const QByteArray address = m_bus->readLine().trimmed();
    if (address.isEmpty()) {
        return fail("dbus-daemon printed no address");
    }

    // KAuth asks polkit whether an action exists before it sends it to a
    // helper; without an answer every action would be invalid.
    m_polkit->start(QStringLiteral(FAKEPOLKIT_PATH), {QString::fromUtf8(address)});
    if (!m_polkit->waitForStarted(10000) || !m_polkit->waitForReadyRead(10000) || m_polkit->readLine().trimmed() != "ready") {
        return fail("the stand-in polkit did not start");
    }

    // Set before KAuth first touches the system bus.
    m_oldSystemBus = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);

    QDBusConnection connection = QDBusConnection::connectToBus(QString::fromUtf8(address), helperConnectionName);
    m_connected = true;
    if (!connection.isConnected() || !connection.registerVirtualObject(QStringLiteral("/"), &m_helper)
        || !connection.registerService(HelperConstants::helperId)) {
        return fail("cannot serve the helper's name on the private bus");
    }
    return true;
}
