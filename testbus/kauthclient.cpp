/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Executes one KAuth action the way the administration program does and prints
// how it ended, so that shell tests, the demo and an unprivileged account can
// drive the helper without a program of their own.
//
//   kauthclient [--timeout MS] [--helper-id ID] [--arguments FILE|-] [--stop-after SECONDS]
//               ACTION [KEY=VALUE...]
//
// The argument map is the JSON object in FILE (or standard input), then the
// KEY=VALUE pairs, whose values are read as JSON where they parse as such
// (true, 12, ["a","b"], {"a":"b"}) and as plain strings otherwise. JSON arrays
// arrive as string lists when every element is a string.
//
// --stop-after asks the helper to stop that long after the action started, as
// the program does when the administrator ends a recording, and goes on
// waiting for the reply.
//
// --direct calls the helper on the bus itself, past every check of KAuth's
// client (an action id polkit does not know, say), the way any local
// process can; it prints "answered" or "no answer" and exits 0 or 2.
//
// Output: each progress step as it comes, one line {"progress": DATA} (DATA
// the step's map, or its percentage when the helper reports one); then
// "success", "refused" or "error CODE: TEXT" on a line of its own, then the
// reply data as a JSON object. Exit status 0, 1 and 2 for the three, 64 for a
// usage error.

#include "failures/kauthexception.h"
#include "protocol/helperaction.h"
#include "protocol/helperactionsmap.h"
#include "protocol/helperconstants.h"
#include "protocol/kauthjob.h"

#include <KAuth/ExecuteJob>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDataStream>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace
{
QVariant fromJson(const QVariant &value)
{
    if (value.userType() == QMetaType::QVariantList) {
        QVariantList list = value.toList();
        if (std::all_of(list.cbegin(), list.cend(), [](const QVariant &element) {
                return element.userType() == QMetaType::QString;
            })) {
            return value.toStringList();
        }
        for (QVariant &element : list) {
            element = fromJson(element);
        }
        return list;
    }
    if (value.userType() == QMetaType::QVariantMap) {
        QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            it.value() = fromJson(it.value());
        }
        return map;
    }
    return value;
}

QVariant parseValue(const QString &text)
{
    // Wrapping in an array lets scalars (true, 3, "x") parse too.
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray("[") + text.toUtf8() + QByteArray("]"), &error);
    if (error.error == QJsonParseError::NoError && document.isArray() && document.array().size() == 1) {
        return fromJson(document.array().first().toVariant());
    }
    return text;
}

int usage(const QString &message)
{
    QTextStream(stderr) << "kauthclient: " << message << Qt::endl;
    return 64;
}

// KAuth's call as its client makes it: the caller's own bus name as the
// caller id, no details, the arguments as one QDataStream blob.
int callDirectly(const QString &helperId, const QString &actionId, const QVariantMap &arguments, int timeout)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    QDBusMessage call = QDBusMessage::createMethodCall(helperId, QStringLiteral("/"), QStringLiteral("org.kde.kf5auth"), QStringLiteral("performAction"));
    QByteArray blob;
    QDataStream stream(&blob, QIODevice::WriteOnly);
    stream << arguments;
    call << actionId << bus.baseService().toUtf8() << QVariantMap() << blob;
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeout);
    QTextStream out(stdout);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        out << "no answer\n";
        return 2;
    }
    out << "answered\n";
    return 0;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("action"), QStringLiteral("Action id, or its last part (update, enable, ...)"));
    parser.addPositionalArgument(QStringLiteral("arguments"), QStringLiteral("KEY=VALUE pairs of the argument map"), QStringLiteral("[KEY=VALUE...]"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("Action time-out in milliseconds"),
                                           QStringLiteral("ms"),
                                           QString::number(HelperConstants::actionTimeoutMs));
    const QCommandLineOption helperOption(QStringLiteral("helper-id"),
                                          QStringLiteral("Helper identifier"),
                                          QStringLiteral("id"),
                                          QString(HelperConstants::helperId));
    const QCommandLineOption argumentsOption(QStringLiteral("arguments"),
                                             QStringLiteral("JSON object file with the argument map (- for standard input)"),
                                             QStringLiteral("file"));
    const QCommandLineOption stopOption(QStringLiteral("stop-after"),
                                        QStringLiteral("Ask the helper to stop this many seconds after the start"),
                                        QStringLiteral("seconds"));
    const QCommandLineOption directOption(QStringLiteral("direct"), QStringLiteral("Call the helper on the bus directly, without KAuth's client"));
    parser.addOptions({timeoutOption, helperOption, argumentsOption, stopOption, directOption});
    parser.process(app);

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        return usage(QStringLiteral("no action given"));
    }
    const QString helperId = parser.value(helperOption);
    QString actionId = positional.takeFirst();
    if (!actionId.contains(QLatin1Char('.'))) {
        actionId = helperId + QLatin1Char('.') + actionId;
    }
    bool timeoutOk = false;
    const int timeout = parser.value(timeoutOption).toInt(&timeoutOk);
    if (!timeoutOk) {
        return usage(QStringLiteral("the time-out is not a number"));
    }

    int stopAfterMs = -1;
    if (parser.isSet(stopOption)) {
        bool stopOk = false;
        const double seconds = parser.value(stopOption).toDouble(&stopOk);
        // Beyond a day, or not a number at all, it is a typing mistake.
        if (!stopOk || !(seconds >= 0 && seconds <= 86400)) {
            return usage(QStringLiteral("--stop-after needs a number of seconds from 0 to 86400"));
        }
        stopAfterMs = static_cast<int>(seconds * 1000);
    }

    QVariantMap arguments;
    if (parser.isSet(argumentsOption)) {
        QFile file(parser.value(argumentsOption));
        const bool opened = file.fileName() == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
        if (!opened) {
            return usage(QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
        }
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        if (!document.isObject()) {
            return usage(QStringLiteral("%1 is not a JSON object: %2").arg(file.fileName(), error.errorString()));
        }
        arguments = fromJson(document.object().toVariantMap()).toMap();
    }
    for (const QString &pair : qAsConst(positional)) {
        const int equals = pair.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            return usage(QStringLiteral("'%1' is not KEY=VALUE").arg(pair));
        }
        arguments.insert(pair.left(equals), parseValue(pair.mid(equals + 1)));
    }

    if (parser.isSet(directOption)) {
        return callDirectly(helperId, actionId, arguments, timeout);
    }

    KAuth::ExecuteJob *job = Utils::helperAction(actionId, HelperActionsMap(arguments), nullptr, timeout, helperId).execute();
    // The reply data is read after the run.
    job->setAutoDelete(false);

    QTextStream out(stdout);
    // Flushed line by line: a test reads them while the action still runs.
    const auto printProgress = [&out](const QJsonValue &step) {
        out << QJsonDocument(QJsonObject{{QStringLiteral("progress"), step}}).toJson(QJsonDocument::Compact) << Qt::endl;
    };
    QObject::connect(job, &KAuth::ExecuteJob::newData, job, [printProgress](const QVariantMap &data) {
        printProgress(QJsonObject::fromVariantMap(data));
    });
    QObject::connect(job, &KJob::percentChanged, job, [printProgress](KJob *, unsigned long percent) {
        printProgress(static_cast<qint64>(percent));
    });

    QTimer stopTimer;
    stopTimer.setSingleShot(true);
    QObject::connect(&stopTimer, &QTimer::timeout, job, [job]() {
        // ExecuteJob's own kill() asks the helper to stop; KJob's would only
        // forget the job. The job stays unfinished and its reply still comes.
        job->kill(KJob::Quietly);
    });
    QObject::connect(job, &KJob::finished, &stopTimer, &QTimer::stop);
    if (stopAfterMs >= 0) {
        stopTimer.start(stopAfterMs);
    }

    int status = 0;
    try {
        if (Utils::executeKAuthJob(job)) {
            out << "success\n";
        } else {
            out << "refused\n";
            status = 1;
        }
    } catch (const KAuthException &e) {
        out << "error " << e.id() << ": " << e.fullDetails() << '\n';
        status = 2;
    }
    out << QJsonDocument(QJsonObject::fromVariantMap(job->data())).toJson(QJsonDocument::Compact) << Qt::endl;
    delete job;
    return status;
}
