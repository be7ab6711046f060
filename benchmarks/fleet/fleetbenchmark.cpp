/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// orla-kiosk on a large kiosk tree, each step beside what it should cost:
// check beside the program's own reload of the same tree (reading, parsing,
// every status), which it should stay within twice of; and apply of a
// bundle of that same tree, which finds nothing to change and sends
// nothing, beside check, which it should stay within one and a half times of.
//
// The tree is generated below the build's scratch root (ORLA_SYSTEM_ROOT),
// where the program and orla-kiosk read; a build against the real system
// refuses to run.

#include "applycommand.h"
#include "bundlewriter.h"
#include "checkcommand.h"
#include "exitstatus.h"
#include "kiosktreereader.h"

#include "state/systemstate.h"

#include "store/systemkiosk.h"
#include "systempaths.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <pwd.h>

namespace
{
struct Options {
    int users = 2000; // of the first tree
    int profiles = 10000;
    int layers = 50;
    int fanout = 3;
    int rules = 8;
    int repeat = 5;
};

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// Profiles in layers, each including a few of the layer below; with
// @p faults a few at the bottom name profiles that do not exist, so errors
// reach far up. Every tenth user is disabled.
bool generateTree(const Options &options, const QStringList &users, bool faults)
{
    const QString root = QString::fromUtf8(SystemPaths::systemRoot);
    QDir(root).removeRecursively();
    if (!QDir().mkpath(SystemKiosk::systemProfilesDir()) || !QDir().mkpath(SystemKiosk::disabledProfilesDir())
        || !QDir().mkpath(QString::fromUtf8(SystemPaths::moduleParametersDir))) {
        return false;
    }
    if (!writeFile(QString::fromUtf8(SystemPaths::enforceParameter), "0\n") || !writeFile(QString::fromUtf8(SystemPaths::complainParameter), "0\n")
        || !writeFile(QString::fromUtf8(SystemPaths::autoEnforceFile), "1\n")) {
        return false;
    }
    QRandomGenerator random(20261208);
    const int perLayer = std::max(1, options.profiles / options.layers);
    const auto name = [](int layer, int index) {
        return QStringLiteral("app%1-%2").arg(layer, 3, 10, QLatin1Char('0')).arg(index, 4, 10, QLatin1Char('0'));
    };
    for (int layer = 0; layer < options.layers; ++layer) {
        for (int index = 0; index < perLayer; ++index) {
            QString text;
            if (layer + 1 < options.layers) {
                for (int i = 0; i < options.fanout; ++i) {
                    text += QStringLiteral("@include %1\n").arg(name(layer + 1, int(random.bounded(perLayer))));
                }
            } else if (faults && index % 97 == 0) {
                text += QStringLiteral("@include missing-runtime\n");
            }
            for (int i = 0; i < options.rules; ++i) {
                text += QStringLiteral("+file r uo: /usr/share/app%1/data/file%2\n").arg(layer * perLayer + index).arg(i);
            }
            if (!writeFile(SystemKiosk::systemProfilesDir() + QLatin1Char('/') + name(layer, index), text.toUtf8())) {
                return false;
            }
        }
    }
    for (int user = 0; user < users.size(); ++user) {
        QString text;
        for (int i = 0; i < options.fanout; ++i) {
            text += QStringLiteral("@include %1\n").arg(name(0, int(random.bounded(perLayer))));
        }
        const QString dir = user % 10 == 9 ? SystemKiosk::disabledProfilesDir() : SystemKiosk::userProfilesDir();
        if (!writeFile(dir + QLatin1Char('/') + users.at(user), text.toUtf8())) {
            return false;
        }
    }
    return true;
}

// Kiosk users without accounts, as in a tree prepared for other machines.
QStringList generatedUsers(int count)
{
    QStringList users;
    for (int user = 0; user < count; ++user) {
        users.append(QStringLiteral("kiosk%1").arg(user, 5, 10, QLatin1Char('0')));
    }
    return users;
}

// The accounts of this machine, for a tree that apply takes.
QStringList accounts()
{
    QStringList users;
    setpwent();
    while (const passwd *entry = getpwent()) {
        users.append(QString::fromUtf8(entry->pw_name));
    }
    endpwent();
    return users;
}

qint64 median(int repeat, const std::function<void()> &step)
{
    QList<qint64> times;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        times.append(timer.nsecsElapsed() / 1000000);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

void report(const char *step, qint64 ms, const char *baseline, qint64 baselineMs, double target)
{
    const double ratio = baselineMs > 0 ? double(ms) / double(baselineMs) : 0.0;
    std::printf("%-28s %7lld ms   %-28s %7lld ms   %5.2fx (target: at most %.1fx)\n", step, ms, baseline, baselineMs, ratio, target);
}
}

int main(int argc, char *argv[])
{
    // The working state belongs to a widget program; nothing is shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times orla-kiosk check and an apply with nothing to change on a generated kiosk tree."));
    parser.addHelpOption();
    const QCommandLineOption repeatOption(QStringLiteral("repeat"), QStringLiteral("Runs of each step (median shown)."), QStringLiteral("n"));
    parser.addOption(repeatOption);
    parser.process(application);
    Options options;
    if (parser.isSet(repeatOption)) {
        options.repeat = std::max(1, parser.value(repeatOption).toInt());
    }

    const QString root = QDir::cleanPath(QString::fromUtf8(SystemPaths::systemRoot));
    if (root.isEmpty() || root == QLatin1String("/")) {
        std::fprintf(stderr, "This build reads the real kiosk tree; configure it with -DORLA_SYSTEM_ROOT=<scratch directory>.\n");
        return 2;
    }
    // The program's integrity check asks the authorisation service; a
    // machine without one must not make the reload wait for it.
    if (qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS") && !QFile::exists(QStringLiteral("/run/dbus/system_bus_socket"))) {
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/orla-benchmark-no-bus");
    }
    if (!generateTree(options, generatedUsers(options.users), true)) {
        std::fprintf(stderr, "cannot write the tree below %s\n", qPrintable(root));
        return 1;
    }
    std::printf("tree below %s: %d users, %d profiles; median of %d runs\n", qPrintable(root), options.users, options.profiles, options.repeat);

    QString text;
    QTextStream out(&text);
    int checkStatus = -1;
    const qint64 check = median(options.repeat, [&]() {
        text.clear();
        checkStatus = CheckCommand::run(QString(), CheckCommand::Format::Text, KioskCheck::Accounts::Check, out, out);
    });
    SystemState state;
    const qint64 reload = median(options.repeat, [&]() {
        state.reload();
    });

    report("check", check, "program's reload", reload, 2.0);

    // apply refuses a configuration with errors before it compares: this
    // tree has none, and its users are this machine's accounts.
    const QStringList users = accounts();
    if (!generateTree(options, users, false)) {
        std::fprintf(stderr, "cannot write the tree below %s\n", qPrintable(root));
        return 1;
    }
    std::printf("tree without errors: %lld users (this machine's accounts), %d profiles\n", qlonglong(users.size()), options.profiles);
    const qint64 cleanCheck = median(options.repeat, [&]() {
        text.clear();
        checkStatus = CheckCommand::run(QString(), CheckCommand::Format::Text, KioskCheck::Accounts::Check, out, out);
    });
    QTemporaryDir dir;
    const QString bundle = dir.filePath(QStringLiteral("tree.okb"));
    BundleWriter::writeFile(KioskTreeReader().read(), bundle);
    int applyStatus = -1;
    const qint64 apply = median(options.repeat, [&]() {
        text.clear();
        applyStatus = ApplyCommand::run(bundle, ApplyCommand::Mode::Apply, out, out);
    });

    report("apply, nothing to change", apply, "check", cleanCheck, 1.5);
    if (applyStatus != ExitStatus::Unchanged) {
        std::printf("apply did not find the tree unchanged (exit status %d):\n%s\n", applyStatus, qPrintable(text));
        return 1;
    }

    QDir(root).removeRecursively();
    return 0;
}
