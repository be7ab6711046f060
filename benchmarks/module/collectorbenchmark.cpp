/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Measures the access collector over generated trace logs, side by side in
// one run with merely reading the same bytes through a process (cat): an
// application's start (distinct reads spread over many folders) and a flood
// of names made anew in one folder, as many as the reporter lets one uid
// write in a trace-mode period. The recorder gives the collector 30 seconds
// per user.
//
// Needs neither root nor a scratch root: the logs lie in a temporary
// directory and name files that do not exist.

#include "benchmarkoptions.h"
#include "table.h"
#include "timing.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace
{
constexpr char uid[] = "1000";

QByteArray applicationLog(int lines)
{
    QByteArray log;
    for (int i = 0; i < lines; ++i) {
        log += "[ 1.0] tavrix: trace uid=1000 file r o /usr/share/orla-bench/d" + QByteArray::number(i / 50) + "/file" + QByteArray::number(i) + ".dat\n";
    }
    return log;
}

// Created, then written: as a program that makes its files under random names.
QByteArray floodLog(int lines)
{
    QByteArray log;
    for (int i = 0; i < lines / 2; ++i) {
        const QByteArray path = "/srv/orla-bench/drop/Tmp" + QByteArray::number(100000 + i);
        log += "[ 1.0] tavrix: trace uid=1000 file c u " + path + "\n";
        log += "[ 1.0] tavrix: trace uid=1000 file w u " + path + "\n";
    }
    return log;
}

Timing runs(int repeat, const QString &program, const QStringList &arguments, const QString &input)
{
    return Timing::measure(repeat, [&] {
        QProcess process;
        process.setStandardInputFile(input);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), qPrintable(process.errorString()));
            std::exit(1);
        }
    });
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QList<int> sizes{10000, 100000};
    int repeat = 3;
    BenchmarkOptions parser(QStringLiteral("Times the access collector over generated trace logs against reading the same bytes."));
    parser.add(QStringLiteral("lines"), QStringLiteral("Report lines of each log, one size after another."), &sizes);
    parser.add(QStringLiteral("repeat"), QStringLiteral("Runs of each measurement; the median counts."), &repeat);
    parser.parse(app);

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary directory: %s\n", qPrintable(dir.errorString()));
        return 1;
    }
    const Table table({{QString(), 34}, {QStringLiteral("cat"), 10}, {QStringLiteral("uccollect"), 12}, {QStringLiteral("vs cat"), 9}, {QStringLiteral("lines/s"), 12}});
    for (const int lines : qAsConst(sizes)) {
        const QList<QPair<QString, QByteArray>> logs{{QStringLiteral("application, %1 lines").arg(lines), applicationLog(lines)},
                                                     {QStringLiteral("names made anew, %1 lines").arg(lines), floodLog(lines)}};
        for (const auto &log : logs) {
            const QString path = dir.filePath(QStringLiteral("kernel.log"));
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(log.second) != log.second.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
            file.close();
            const Timing reading = runs(repeat, QStringLiteral("cat"), {}, path);
            const Timing collecting = runs(repeat, QStringLiteral(UCCOLLECT_PATH), {QString::fromLatin1(uid)}, path);
            table.row({QStringLiteral("  ") + log.first,
                       Table::ms(reading.median()),
                       Table::ms(collecting.median()),
                       Table::times(collecting.median(), reading.median()),
                       QString::number(qRound64(lines / (collecting.median() / 1000.0)))});
        }
    }
    return 0;
}
