/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Measures the update action through the whole road (KAuth client, system bus,
// polkit, the helper saving through one kiosk transaction) beside writing the
// same bytes as plain files without syncing, the floor any save stands on, and
// beside the store's one-file-at-a-time safe save, for growing numbers of
// profiles and for one profile of many megabytes; and finds how large one
// update may grow before the bus refuses to carry it.
//
// Runs on the private bus of testbus/ in a build whose kiosk tree lies below a
// scratch directory:
//
//   testbus/run-with-system-bus.sh --config BUILD/testbus/bus -- BUILD/bin/helperbenchmark

#include "benchmarkoptions.h"
#include "profiletext.h"
#include "scratchroot.h"
#include "table.h"
#include "timing.h"
#include "treefiles.h"

#include "failures/detailsexception.h"
#include "failures/kauthexception.h"
#include "profile/profileparser.h"
#include "protocol/helperaction.h"
#include "protocol/helperconstants.h"
#include "protocol/kauthjob.h"
#include "protocol/updateactionsmap.h"
#include "store/systemkiosk.h"
#include "systempaths.h"

#include <KAuth/ExecuteJob>

#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QProcess>

#include <cstdio>

namespace
{
// The figures are only worth something for profiles the store reads as such.
// Every line is a rule or an include of the text format, none an invalid line.
bool isOurFormat(const QString &text, int includes)
{
    const ProfileData data = ProfileParser::parseText(text).data();
    return data.isValid() && data.includes().size() == includes && data.objectRules().size() == text.count(QLatin1Char('\n')) - includes;
}

// One profile of @p mebibytes of rules; on the wire twice as much (UTF-16).
QMap<QString, QString> bigProfile(int mebibytes)
{
    QString text;
    text.reserve(mebibytes * 1024 * 1024 + 100);
    for (int i = 0; text.size() < mebibytes * 1024 * 1024; ++i) {
        text += QStringLiteral("+file r u: /usr/share/big/directory/file-%1\n").arg(i);
    }
    return {{QStringLiteral("big"), text}};
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
    try {
        if (!Utils::executeKAuthJob(Utils::helperAction(HelperConstants::updateActionId, HelperActionsMap(arguments)).execute())) {
            return QStringLiteral("authorisation refused");
        }
    } catch (const KAuthException &e) {
        return QStringLiteral("error %1: %2").arg(e.id()).arg(e.fullDetails());
    }
    return QString();
}

void print(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
}

// One update of @p texts through the helper, beside the same bytes written as
// plain files and through the store's safe save, as one row of @p table.
// False when the update failed or the floor could not be written.
bool measureUpdate(const Table &table, const QString &what, const QMap<QString, QString> &texts, const SystemKiosk &kiosk)
{
    UpdateActionsMap map(QStringLiteral("C"));
    map.setProfilesToUpdate(texts);

    clearProfiles();
    QString failure;
    const Timing action = Timing::measure(1, [&] {
        failure = sendUpdate(map);
    });
    if (!failure.isEmpty()) {
        print(QStringLiteral("%1: %2").arg(what, failure));
        return false;
    }

    clearProfiles();
    const QString dir = QString::fromUtf8(SystemPaths::systemProfilesDir) + QLatin1Char('/');
    bool written = true;
    const Timing unsynced = Timing::measure(1, [&] {
        for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
            written = TreeFiles::write(dir + it.key(), it.value().toUtf8()) && written;
        }
    });
    if (!written) {
        print(QStringLiteral("plain writing failed below ") + dir);
        return false;
    }

    clearProfiles();
    QString directFailure;
    const Timing direct = Timing::measure(1, [&] {
        try {
            for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
                kiosk.updateSystemProfile(it.key(), it.value());
            }
        } catch (const DetailsException &e) {
            directFailure = e.fullDetails();
        }
    });
    if (!directFailure.isEmpty()) {
        print(QStringLiteral("direct writing failed: ") + directFailure);
        return false;
    }

    table.row({what,
               QString::number(wireSize(map) / 1048576.0, 'f', 2),
               Table::ms(action.best()),
               Table::ms(action.best() / texts.size(), 3),
               Table::ms(unsynced.best()),
               Table::times(action.best(), unsynced.best()),
               Table::ms(direct.best())});
    return true;
}

int measure(const QList<int> &sizes, int bigMebibytes)
{
    // The first action starts the helper; that cost is not the update's.
    const QString warmUp = sendUpdate(UpdateActionsMap(QStringLiteral("C")));
    if (!warmUp.isEmpty()) {
        print(QStringLiteral("the helper cannot be reached: ") + warmUp);
        return 1;
    }

    const Table table({{QStringLiteral("profiles"), 14},
                       {QStringLiteral("wire MiB"), 9},
                       {QStringLiteral("action"), 12},
                       {QStringLiteral("per profile"), 12},
                       {QStringLiteral("unsynced"), 12},
                       {QStringLiteral("vs unsynced"), 12},
                       {QStringLiteral("per-file safe"), 14}});
    const SystemKiosk kiosk;
    for (const int count : sizes) {
        if (!measureUpdate(table, QString::number(count), ProfileText::many(count), kiosk)) {
            return 1;
        }
    }
    if (!measureUpdate(table, QStringLiteral("1 of %1 MiB").arg(bigMebibytes), bigProfile(bigMebibytes), kiosk)) {
        return 1;
    }
    clearProfiles();
    return 0;
}

// One update of a single profile of the given number of characters, in a
// process of its own: a refused message costs the client its bus connection.
int sendOnce(int characters)
{
    UpdateActionsMap map(QStringLiteral("C"));
    const QString line = QStringLiteral("+file r u: /usr/share/x\n");
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
        child.waitForFinished(HelperConstants::actionTimeoutMs);
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
    QList<int> sizes{1, 100, 1000, 10000};
    int bigMebibytes = 10;
    bool probe = false;
    int sendCharacters = 0;
    BenchmarkOptions parser(QStringLiteral("Times update actions through the helper on the private test bus."));
    parser.add(QStringLiteral("sizes"), QStringLiteral("Numbers of profiles per update."), &sizes);
    parser.add(QStringLiteral("big"), QStringLiteral("Mebibytes of the one big profile."), &bigMebibytes);
    parser.addSwitch(QStringLiteral("probe-limit"), QStringLiteral("Find the largest update the bus carries."), &probe);
    parser.add(QStringLiteral("send-characters"), QStringLiteral("Internal: send one profile of this size."), &sendCharacters);
    parser.parse(app);
    if (!isOurFormat(ProfileText::many(1).first(), 2) || !isOurFormat(bigProfile(1).first(), 0)) {
        std::fprintf(stderr, "helperbenchmark: the generated profiles are not in the profile text format\n");
        return 1;
    }

    QString why;
    if (!ScratchRoot::isScratchBuild(&why)) {
        print(why);
        return 77;
    }
    if (qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS")) {
        print(QStringLiteral("run on the private bus: testbus/run-with-system-bus.sh --config BUILD/testbus/bus -- ") + app.applicationFilePath());
        return 77;
    }

    if (sendCharacters > 0) {
        return sendOnce(sendCharacters);
    }
    if (probe) {
        return probeLimit(app.applicationFilePath());
    }
    return measure(sizes, bigMebibytes);
}
