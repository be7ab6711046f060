/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Measures the update action through the whole road (KAuth client, system bus,
// polkit, the helper saving through one kiosk transaction) beside writing the
// same bytes as plain files without syncing, the floor any save stands on, and
// beside the store's one-file-at-a-time safe save, for growing numbers of
// profiles; and
// finds how large one update may grow before the bus refuses to carry it.
//
// Runs on the private bus of testbus/ in a build whose kiosk tree lies below a
// scratch directory:
//
//   testbus/run-with-system-bus.sh --config BUILD/testbus/bus -- BUILD/bin/helperbenchmark

#include "failures/detailsexception.h"
#include "failures/kauthexception.h"
#include "protocol/helperconstants.h"
#include "protocol/kauthjob.h"
#include "protocol/updateactionsmap.h"
#include "store/systemkiosk.h"
#include "systempaths.h"

#include <KAuth/Action>
#include <KAuth/ExecuteJob>

#include <QBuffer>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cstdio>

namespace
{
constexpr int programTimeout = 600000;

// A profile of realistic size: two includes and forty object rules, about 1.4 kB.
QString profileText(int number)
{
    QString text = QStringLiteral("#include <base-session>\n#include <fonts>\n");
    for (int i = 0; i < 40; ++i) {
        text += QStringLiteral("/usr/share/app%1/data/file%2 r,u\n").arg(number).arg(i);
    }
    return text;
}

QMap<QString, QString> profiles(int count)
{
    QMap<QString, QString> map;
    for (int i = 0; i < count; ++i) {
        map.insert(QStringLiteral("bench%1").arg(i, 6, 10, QLatin1Char('0')), profileText(i));
    }
    return map;
}

// The argument map as KAuth puts it into the bus message.
qint64 wireSize(const QVariantMap &arguments)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QDataStream stream(&buffer);
    stream << arguments;
    return buffer.size();
}

void clearProfiles()
{
    QDir dir(QString::fromUtf8(SystemPaths::systemProfilesDir));
    dir.removeRecursively();
    QDir().mkpath(dir.path());
}

// Returns an empty string on success, otherwise what went wrong.
QString sendUpdate(const QVariantMap &arguments)
{
    KAuth::Action action(HelperConstants::updateActionId);
    action.setHelperId(HelperConstants::helperId);
    action.setArguments(arguments);
    action.setTimeout(programTimeout);
    try {
        if (!Utils::executeKAuthJob(action.execute())) {
            return QStringLiteral("authorisation refused");
        }
    } catch (const KAuthException &e) {
        return QStringLiteral("error %1: %2").arg(e.id()).arg(e.fullDetails());
    }
    return QString();
}

void print(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

int measure(const QList<int> &sizes)
{
    print(QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
              .arg(QStringLiteral("profiles"), 8)
              .arg(QStringLiteral("wire MiB"), 9)
              .arg(QStringLiteral("action ms"), 10)
              .arg(QStringLiteral("ms/profile"), 11)
              .arg(QStringLiteral("unsynced ms"), 12)
              .arg(QStringLiteral("action/unsynced"), 16)
              .arg(QStringLiteral("per-file safe ms"), 17));

    // The first action starts the helper; that cost is not the update's.
    const QString warmUp = sendUpdate(UpdateActionsMap(QStringLiteral("C")));
    if (!warmUp.isEmpty()) {
        print(QStringLiteral("the helper cannot be reached: ") + warmUp);
        return 1;
    }

    const SystemKiosk kiosk;
    for (const int count : sizes) {
        const QMap<QString, QString> texts = profiles(count);
        UpdateActionsMap map(QStringLiteral("C"));
        map.setProfilesToUpdate(texts);

        clearProfiles();
        QElapsedTimer timer;
        timer.start();
        const QString failure = sendUpdate(map);
        const double actionMs = timer.nsecsElapsed() / 1e6;
        if (!failure.isEmpty()) {
            print(QStringLiteral("%1 profiles: %2").arg(count).arg(failure));
            continue;
        }

        clearProfiles();
        timer.restart();
        const QString dir = QString::fromUtf8(SystemPaths::systemProfilesDir) + QLatin1Char('/');
        for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
            QFile file(dir + it.key());
            if (!file.open(QIODevice::WriteOnly) || file.write(it.value().toUtf8()) < 0) {
                print(QStringLiteral("plain writing failed: ") + file.errorString());
                return 1;
            }
        }
        const double unsyncedMs = timer.nsecsElapsed() / 1e6;

        clearProfiles();
        timer.restart();
        try {
            for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
                kiosk.updateSystemProfile(it.key(), it.value());
            }
        } catch (const DetailsException &e) {
            print(QStringLiteral("direct writing failed: ") + e.fullDetails());
            return 1;
        }
        const double directMs = timer.nsecsElapsed() / 1e6;

        print(QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                  .arg(count, 8)
                  .arg(wireSize(map) / 1048576.0, 9, 'f', 2)
                  .arg(actionMs, 10, 'f', 1)
                  .arg(actionMs / count, 11, 'f', 3)
                  .arg(unsyncedMs, 12, 'f', 1)
                  .arg(actionMs / unsyncedMs, 16, 'f', 2)
                  .arg(directMs, 17, 'f', 1));
    }
    clearProfiles();
    return 0;
}

// One update of a single profile of the given number of characters, in a
// process of its own: a refused message costs the client its bus connection.
int sendOnce(int characters)
{
    UpdateActionsMap map(QStringLiteral("C"));
    const QString line = QStringLiteral("/usr/share/x r,u\n");
    QString text;
    text.reserve(characters);
    while (text.size() + line.size() <= characters) {
        text += line;
    }
    text += QString(characters - text.size(), QLatin1Char('#'));
    map.setProfilesToUpdate({{QStringLiteral("limit"), text}});

    const QString failure = sendUpdate(map);
    // Whether the process can still reach the helper after a refusal.
    const QString after = failure.isEmpty() ? QString() : sendUpdate(UpdateActionsMap(QStringLiteral("C")));
    print(QString::number(wireSize(map)));
    print(failure);
    print(after);
    clearProfiles();
    return failure.isEmpty() ? 0 : 2;
}

int probeLimit(const QString &program)
{
    struct Probe {
        bool passed = false;
        qint64 wire = 0;
        QString failure;
        QString after;
    };
    const auto probe = [&program](int characters) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(program, {QStringLiteral("--send-characters"), QString::number(characters)});
        child.waitForFinished(programTimeout);
        const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'));
        Probe result;
        result.passed = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
        result.wire = lines.value(0).toLongLong();
        result.failure = lines.value(1);
        result.after = lines.value(2);
        return result;
    };

    // Characters travel as UTF-16: the bus's 32 MiB lie near 16 Mi characters.
    int low = 1 << 20;
    int high = 24 << 20;
    Probe failed = probe(high);
    if (failed.passed) {
        print(QStringLiteral("an update of %1 characters still passes").arg(high));
        return 0;
    }
    while (high - low > 4096) {
        const int middle = low + (high - low) / 2;
        const Probe result = probe(middle);
        if (result.passed) {
            low = middle;
        } else {
            high = middle;
            failed = result;
        }
    }
    const Probe passed = probe(low);
    print(QStringLiteral("largest update that passes: %1 characters, %2 bytes of arguments (%3 MiB)")
              .arg(low)
              .arg(passed.wire)
              .arg(passed.wire / 1048576.0, 0, 'f', 3));
    print(QStringLiteral("smallest that fails:        %1 characters, %2 bytes of arguments").arg(high).arg(failed.wire));
    print(QStringLiteral("the failure:                ") + failed.failure);
    print(QStringLiteral("next action of that client: ") + (failed.after.isEmpty() ? QStringLiteral("passes") : failed.after));
    return 0;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption sizesOption(QStringLiteral("sizes"),
                                         QStringLiteral("Comma-separated numbers of profiles per update."),
                                         QStringLiteral("list"),
                                         QStringLiteral("1,100,1000,10000"));
    const QCommandLineOption limitOption(QStringLiteral("probe-limit"), QStringLiteral("Find the largest update the bus carries."));
    const QCommandLineOption sendOption(QStringLiteral("send-characters"), QStringLiteral("Internal: send one profile of this size."), QStringLiteral("n"));
    parser.addOptions({sizesOption, limitOption, sendOption});
    parser.process(app);

    if (QString::fromUtf8(SystemPaths::systemRoot).isEmpty()) {
        print(QStringLiteral("this build writes the real kiosk tree; build with -DORLA_SYSTEM_ROOT=<scratch dir>"));
        return 77;
    }
    if (qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS")) {
        print(QStringLiteral("run on the private bus: testbus/run-with-system-bus.sh --config BUILD/testbus/bus -- ") + app.applicationFilePath());
        return 77;
    }

    if (parser.isSet(sendOption)) {
        return sendOnce(parser.value(sendOption).toInt());
    }
    if (parser.isSet(limitOption)) {
        return probeLimit(app.applicationFilePath());
    }

    QList<int> sizes;
    for (const QString &size : parser.value(sizesOption).split(QLatin1Char(','))) {
        bool ok = false;
        const int count = size.toInt(&ok);
        if (!ok || count <= 0) {
            print(QStringLiteral("not a number of profiles: ") + size);
            return 64;
        }
        sizes.append(count);
    }
    return measure(sizes);
}
