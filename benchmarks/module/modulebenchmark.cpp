/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Measures what the module stand-in's reporter costs a busy machine, side by
// side in one run: a file-heavy command run as a kiosk account with no
// reporter, with the reporter and trace mode off, and with trace mode on;
// how many opens per second the reporter turns into reports; and how often
// the accesses of a process that ends at once are lost to the uid race.
//
// Needs root and a scratch-root build: the kiosk account's profile, the
// switches and the log all lie below the scratch root, and the tree read is
// generated in a temporary directory.

#include "benchmarkoptions.h"
#include "table.h"
#include "timing.h"
#include "treefiles.h"

#include "store/systemkiosk.h"
#include "systempaths.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

#include <pwd.h>
#include <unistd.h>

namespace
{
const QString account = QStringLiteral("nobody");

QStringList asKiosk(const QStringList &command)
{
    return QStringList{QStringLiteral("--reuid=") + account, QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")} + command;
}

void runAsKiosk(const QStringList &command)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral("setpriv"), asKiosk(command));
    process.waitForFinished(-1);
}

QByteArray kernelLog()
{
    QFile file(QString::fromUtf8(SystemPaths::kernelLog));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void clearLog()
{
    QFile::resize(QString::fromUtf8(SystemPaths::kernelLog), 0);
}

class Reporter
{
public:
    bool start()
    {
        m_process.start(QStringLiteral(TAVRIX_TRACED_PATH), QStringList());
        while (m_process.waitForReadyRead(10000)) {
            if (m_process.readAllStandardOutput().contains("ready\n")) {
                return true;
            }
        }
        std::fprintf(stderr, "the reporter did not start: %s\n", m_process.readAllStandardError().constData());
        return false;
    }

    ~Reporter()
    {
        m_process.terminate();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
};

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int files = 4000;
    int repeat = 5;
    int races = 300;
    BenchmarkOptions parser(QStringLiteral("Times reading a generated tree as a kiosk account with and without the module's trace reporter."));
    parser.add(QStringLiteral("files"), QStringLiteral("Files in the generated tree."), &files);
    parser.add(QStringLiteral("repeat"), QStringLiteral("Runs of each measurement; the median counts."), &repeat);
    parser.add(QStringLiteral("races"), QStringLiteral("Runs of a one-file cat for the uid race."), &races);
    if (!parser.parse(app)) {
        return 2;
    }
    if (geteuid() != 0 || !getpwnam("nobody")) {
        std::fprintf(stderr, "needs root and the account nobody\n");
        return 1;
    }
    if (QString::fromUtf8(SystemPaths::systemRoot).isEmpty()) {
        std::fprintf(stderr, "needs a scratch-root build (-DORLA_SYSTEM_ROOT=DIR): it writes a kiosk profile and the switches\n");
        return 1;
    }

    QTemporaryDir tree(QStringLiteral("/tmp/modulebenchmark-XXXXXX"));
    QFile::setPermissions(tree.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    for (int i = 0; i < files; ++i) {
        if (!TreeFiles::write(tree.filePath(QStringLiteral("d%1/f%2").arg(i / 100).arg(i)), QByteArray(512, 'x'))) {
            std::fprintf(stderr, "cannot write the tree below %s\n", qPrintable(tree.path()));
            return 1;
        }
    }
    for (int i = 0; i < races; ++i) {
        if (!TreeFiles::write(tree.filePath(QStringLiteral("race%1").arg(i)), "x\n")) {
            std::fprintf(stderr, "cannot write the tree below %s\n", qPrintable(tree.path()));
            return 1;
        }
    }
    const QStringList readTree{QStringLiteral("find"),
                               tree.path(),
                               QStringLiteral("-name"),
                               QStringLiteral("f*"),
                               QStringLiteral("-exec"),
                               QStringLiteral("cat"),
                               QStringLiteral("{}"),
                               QStringLiteral("+")};

    // The scratch root belongs to the build: what the benchmark writes there
    // is removed again, the switches left off.
    const SystemKiosk kiosk;
    kiosk.updateUserProfile(account, QString());
    kiosk.enableEnforce(false);
    kiosk.enableComplain(false);
    clearLog();

    const auto readTheTree = [&readTree] {
        runAsKiosk(readTree);
    };
    const Timing bare = Timing::measure(repeat, readTheTree);
    Timing off;
    Timing on;
    double opensPerSecond = 0;
    int missed = 0;
    {
        Reporter reporter;
        if (!reporter.start()) {
            kiosk.removeUserProfile(account);
            return 1;
        }
        off = Timing::measure(repeat, readTheTree);
        kiosk.enableComplain(true);
        QVector<double> onRuns;
        QVector<double> handledRuns;
        const QByteArray last = tree.filePath(QStringLiteral("d%1/f%2").arg((files - 1) / 100).arg(files - 1)).toUtf8() + '\n';
        for (int i = 0; i < repeat; ++i) {
            clearLog();
            QElapsedTimer timer;
            timer.start();
            runAsKiosk(readTree);
            onRuns.append(double(timer.nsecsElapsed()) / 1e6);
            // Handled once the last file's report is in the log.
            while (!kernelLog().contains(last) && timer.elapsed() < 60000) {
                QThread::msleep(5);
            }
            handledRuns.append(double(timer.nsecsElapsed()) / 1e6);
        }
        on = Timing::fromRuns(onRuns);
        opensPerSecond = files / (Timing::fromRuns(handledRuns).median() / 1000);

        clearLog();
        for (int i = 0; i < races; ++i) {
            runAsKiosk({QStringLiteral("cat"), tree.filePath(QStringLiteral("race%1").arg(i))});
        }
        QThread::msleep(1000);
        const QByteArray log = kernelLog();
        for (int i = 0; i < races; ++i) {
            missed += log.contains(tree.filePath(QStringLiteral("race%1").arg(i)).toUtf8() + '\n') ? 0 : 1;
        }
        kiosk.enableComplain(false);
    }
    kiosk.removeUserProfile(account);
    clearLog();

    std::printf("reading %d files as %s (median of %d):\n", files, qPrintable(account), repeat);
    const Table table({{QString(), 30}, {QStringLiteral("median"), 12}, {QStringLiteral("vs no reporter"), 16}});
    table.row({QStringLiteral("  no reporter"), Table::ms(bare.median()), Table::times(bare.median(), bare.median())});
    table.row({QStringLiteral("  reporter, trace mode off"), Table::ms(off.median()), Table::times(off.median(), bare.median())});
    table.row({QStringLiteral("  reporter, trace mode on"), Table::ms(on.median()), Table::times(on.median(), bare.median())});
    std::printf("opens reported per second:     %10.0f\n", opensPerSecond);
    std::printf("one-file cat runs missed:      %6d of %d\n", missed, races);
    return 0;
}
