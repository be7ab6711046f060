/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Answers every polkit authorisation check on a private bus with "authorised",
// so that KAuth's client takes its actions as valid and sends them on to the
// helper. Lives in a process of its own: KAuth asks polkit synchronously from
// the test's main thread.
//
//   fakepolkit BUS-ADDRESS
//
// Prints "ready" once it owns the polkit name; ends when its standard input
// closes (the test ended, whatever way).

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace
{
struct AuthorizationResult {
    bool authorized = true;
    bool challenge = false;
    QMap<QString, QString> details;
};
}

Q_DECLARE_METATYPE(AuthorizationResult)

namespace
{
QDBusArgument &operator<<(QDBusArgument &argument, const AuthorizationResult &result)
{
    argument.beginStructure();
    argument << result.authorized << result.challenge << result.details;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, AuthorizationResult &result)
{
    argument.beginStructure();
    argument >> result.authorized >> result.challenge >> result.details;
    argument.endStructure();
    return argument;
}

class FakeAuthority : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override
    {
        return QString();
    }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.member() == QLatin1String("CheckAuthorization")) {
            QDBusMessage reply = message.createReply();
            reply << QVariant::fromValue(AuthorizationResult());
            return connection.send(reply);
        }
        if (message.member() == QLatin1String("GetAll")) {
            return connection.send(message.createReply(QVariant(QVariantMap())));
        }
        return connection.send(message.createErrorReply(QDBusError::UnknownMethod, message.member()));
    }
};
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fakepolkit BUS-ADDRESS\n");
        return 64;
    }
    qDBusRegisterMetaType<AuthorizationResult>();

    QDBusConnection connection = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[1]), QStringLiteral("fakepolkit"));
    FakeAuthority authority;
    if (!connection.isConnected() || !connection.registerVirtualObject(QStringLiteral("/org/freedesktop/PolicyKit1/Authority"), &authority)
        || !connection.registerService(QStringLiteral("org.freedesktop.PolicyKit1"))) {
        std::fprintf(stderr, "fakepolkit: cannot serve on %s\n", argv[1]);
        return 1;
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input]() {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });

    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
