/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "singleinstance/singleapplication.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <unistd.h>

namespace
{
constexpr char acknowledgement = 'A';
// Time a starting process gives a running instance to accept its connection.
constexpr int probeTimeout = 1000;
// A message is a command line; anything bigger is not one of ours.
constexpr qint64 maxMessageBytes = 1 << 20;

QString displayName()
{
    QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) {
        display = qEnvironmentVariable("WAYLAND_DISPLAY");
    }
    // ":0" and ":0.0" are one display.
    static const QRegularExpression screen(QStringLiteral("^(.*:\\d+)\\.\\d+$"));
    const QRegularExpressionMatch match = screen.match(display);
    return match.hasMatch() ? match.captured(1) : display;
}

constexpr QDataStream::Version streamVersion = QDataStream::Qt_5_15;
}

SingleApplication::SingleApplication(int &argc, char **argv, bool gui)
    : QApplication(argc, argv)
{
    Q_UNUSED(gui)
    startServer();
}

SingleApplication::~SingleApplication()
{
    // Closing removes the socket, so the next start need not take over a stale one.
    if (m_server) {
        m_server->close();
    }
}

QString SingleApplication::serverPath()
{
    const QString application = QCoreApplication::applicationName().left(32);
    const QByteArray key = application.toUtf8() + '\n' + QByteArray::number(qulonglong(getuid())) + '\n' + displayName().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16);
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QLatin1Char('/') + application + QLatin1Char('-') + QString::fromLatin1(hash);
}

bool SingleApplication::isRunning() const
{
    return m_running;
}

void SingleApplication::startServer()
{
    const QString path = serverPath();
    // Two processes starting together must not both find the socket stale and
    // remove each other's fresh one.
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.lock();

    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(probeTimeout)) {
        probe.disconnectFromServer();
        m_running = true;
        return;
    }

    // Nobody answers: whatever socket is there was left by a crashed instance.
    QLocalServer::removeServer(path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleApplication::acceptConnection);
    if (!m_server->listen(path)) {
        // Without a socket this instance still works; it only cannot be found.
        delete m_server;
        m_server = nullptr;
    }
}

void SingleApplication::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket]() {
            readMessage(socket);
        });
        readMessage(socket);
    }
}

void SingleApplication::readMessage(QLocalSocket *socket)
{
    if (socket->bytesAvailable() > maxMessageBytes) {
        socket->abort();
        return;
    }
    QDataStream in(socket);
    in.setVersion(streamVersion);
    in.startTransaction();
    QString message;
    in >> message;
    if (!in.commitTransaction()) {
        return; // the rest has not arrived yet
    }
    socket->write(&acknowledgement, 1);
    socket->flush();
    socket->disconnectFromServer();
    // Delivered after the sender has its answer: a receiver that asks the
    // administrator something must not make the sender wait for the answer.
    QMetaObject::invokeMethod(
        this,
        [this, message]() {
            Q_EMIT messageReceived(message);
        },
        Qt::QueuedConnection);
}

bool SingleApplication::sendMessage(const QString &message, int timeout)
{
    if (!m_running) {
        return false;
    }
    QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    socket.connectToServer(serverPath());
    if (!socket.waitForConnected(int(deadline.remainingTime()))) {
        return false;
    }
    QDataStream out(&socket);
    out.setVersion(streamVersion);
    out << message;
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime()))) {
            return false;
        }
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime()))) {
            return false;
        }
    }
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == acknowledgement;
}
