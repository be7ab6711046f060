/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Measures what the module stand-in's reporter costs a busy machine, side by
// side in one run: a file-heavy command run as a kiosk account with no
// reporter, with the reporter and trace mode off, and with trace mode on;
// reading /usr/share/doc with trace mode off and on by turns;
// how many opens per second the reporter turns into reports; what holding
// each program start for its uid costs; and how often the accesses of a
// process that ends at once are lost to the uid race.
//
// Needs root and a scratch-root build: the kiosk account's profile, the
// switches and the log all lie below the scratch root, and the tree read is
// generated in a temporary directory.

#include "benchmarkoptions.h"
#include "scratchkiosktree.h"
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

void runAsKiosk(const QStringList &command)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral("setpriv"), ScratchKioskTree::asKioskAccount(command));
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
    parser.parse(app);
    if (geteuid() != 0 || !getpwnam("nobody")) {
        std::fprintf(stderr, "needs root and the account nobody\n");
        return 1;
    }
    if (!ScratchKioskTree::isScratchBuild()) {
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
    const QStringList readTree = TreeFiles::readEveryFile(tree.path(), {QStringLiteral("-name"), QStringLiteral("f*")});

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
    // Program starts are what the reporter holds up; nothing else is.
    constexpr int starts = 50;
    const auto startPrograms = [] {
        for (int i = 0; i < starts; ++i) {
            runAsKiosk({QStringLiteral("true")});
        }
    };
    const Timing startsBare = Timing::measure(repeat, startPrograms);
    Timing startsHeld;
    Timing off;
    Timing on;
    Timing docOff;
    Timing docOn;
    double opensPerSecond = 0;
    int missed = 0;
    {
        Reporter reporter;
        if (!reporter.start()) {
            kiosk.removeUserProfile(account);
            return 1;
        }
        off = Timing::measure(repeat, readTheTree);
        startsHeld = Timing::measure(repeat, startPrograms);
        // Trace mode off and on again, each noticed by the reporter: every
        // run is a period of its own, with the whole of one uid's allowance.
        const auto freshTracePeriod = [&kiosk, &tree] {
            kiosk.enableComplain(false);
            runAsKiosk({QStringLiteral("cat"), tree.filePath(QStringLiteral("race0"))});
            QThread::msleep(300);
            kiosk.enableComplain(true);
            clearLog();
        };
        // Installed documentation: many small files in deep directories, as an application's data.
        const QStringList readDoc = TreeFiles::readEveryFile(QStringLiteral("/usr/share/doc"), {QStringLiteral("-type"), QStringLiteral("f")});
        // Off and on by turns, so that whatever else loads the machine weighs on both alike.
        const auto timedDocRead = [&readDoc] {
            QElapsedTimer timer;
            timer.start();
            runAsKiosk(readDoc);
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            // The reporter's queue drains before the next run starts.
            QThread::msleep(500);
            return ms;
        };
        QVector<double> docOffRuns;
        QVector<double> docOnRuns;
        runAsKiosk(readDoc); // the page cache, for both alike
        for (int i = 0; i < repeat; ++i) {
            kiosk.enableComplain(false);
            docOffRuns.append(timedDocRead());
            freshTracePeriod();
            docOnRuns.append(timedDocRead());
        }
        docOff = Timing::fromRuns(docOffRuns);
        docOn = Timing::fromRuns(docOnRuns);

        QVector<double> onRuns;
        QVector<double> handledRuns;
        const QByteArray last = tree.filePath(QStringLiteral("d%1/f%2").arg((files - 1) / 100).arg(files - 1)).toUtf8() + '\n';
        for (int i = 0; i < repeat; ++i) {
            freshTracePeriod();
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

        freshTracePeriod();
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
    std::printf("\n%d program starts as %s (median of %d):\n", starts, qPrintable(account), repeat);
    table.row({QStringLiteral("  no reporter"), Table::ms(startsBare.median()), Table::times(startsBare.median(), startsBare.median())});
    table.row({QStringLiteral("  each held for its uid"), Table::ms(startsHeld.median()), Table::times(startsHeld.median(), startsBare.median())});
    std::printf("\nreading /usr/share/doc as %s, reporter running, trace mode off and on by turns (median of %d):\n", qPrintable(account), repeat);
    const Table doc({{QString(), 30}, {QStringLiteral("trace off"), 12}, {QStringLiteral("trace on"), 12}, {QStringLiteral("on vs off"), 12}});
    doc.row({QStringLiteral("  /usr/share/doc"), Table::ms(docOff.median()), Table::ms(docOn.median()), Table::times(docOn.median(), docOff.median(), 2)});
    std::printf("opens reported per second:     %10.0f\n", opensPerSecond);
    std::printf("one-file cat runs missed:      %6d of %d\n", missed, races);
    return 0;
}
