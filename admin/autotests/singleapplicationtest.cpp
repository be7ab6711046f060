/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <signal.h>

namespace
{
constexpr int waitMs = 10000;

// The probe's next line of output, waiting for it.
QString readLine(QProcess &process)
{
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(waitMs)) {
            return QString();
        }
    }
    return QString::fromUtf8(process.readLine()).trimmed();
}
}

class SingleApplicationTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void secondStartHandsOverAndEnds();
    void oneInstancePerDisplay_data();
    void oneInstancePerDisplay();
    void staleSocketIsTakenOver();
    void simultaneousStartsMakeOneInstance();

private:
    // Owned by the test; killed and deleted in cleanup().
    QProcess *start(const QStringList &arguments, const QString &display = QStringLiteral(":42"));
    // Runs a later instance to its end; its output line.
    QString forward(const QStringList &arguments, int *exitCode, const QString &display = QStringLiteral(":42"));

    std::unique_ptr<QTemporaryDir> m_runtime;
    std::vector<std::unique_ptr<QProcess>> m_started;
};

void SingleApplicationTest::init()
{
    // A runtime directory of its own keeps the test away from a real session's instances.
    m_runtime = std::make_unique<QTemporaryDir>();
    QVERIFY(m_runtime->isValid());
}

void SingleApplicationTest::cleanup()
{
    for (const auto &process : m_started) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(waitMs);
        }
    }
    m_started.clear();
    m_runtime.reset();
}

QProcess *SingleApplicationTest::start(const QStringList &arguments, const QString &display)
{
    m_started.push_back(std::make_unique<QProcess>());
    QProcess *process = m_started.back().get();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime->path());
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->start(QStringLiteral(PROBE_PATH), arguments);
    return process;
}

QString SingleApplicationTest::forward(const QStringList &arguments, int *exitCode, const QString &display)
{
    QProcess *process = start(arguments, display);
    const QString line = readLine(*process);
    process->waitForFinished(waitMs);
    *exitCode = process->exitCode();
    return line;
}

void SingleApplicationTest::secondStartHandsOverAndEnds()
{
    QProcess *first = start({});
    QVERIFY(readLine(*first).startsWith(QLatin1String("primary ")));

    int exitCode = -1;
    QCOMPARE(forward({QStringLiteral("--raise"), QStringLiteral("/home/ä b")}, &exitCode), QStringLiteral("sent"));
    QCOMPARE(exitCode, 0);
    QCOMPARE(readLine(*first), QStringLiteral("received --raise|||/home/ä b"));

    QCOMPARE(forward({QStringLiteral("quit")}, &exitCode), QStringLiteral("sent"));
    QCOMPARE(exitCode, 0);
    QCOMPARE(readLine(*first), QStringLiteral("received quit"));
    QVERIFY(first->waitForFinished(waitMs));
    QCOMPARE(first->exitCode(), 0);

    // A clean end leaves no socket behind.
    const QDir runtime(m_runtime->path());
    QCOMPARE(runtime.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot).filter(QRegularExpression(QStringLiteral("^[^.]*-[0-9a-f]{16}$"))),
             QStringList());
}

void SingleApplicationTest::oneInstancePerDisplay_data()
{
    QTest::addColumn<QString>("secondDisplay");
    QTest::addColumn<bool>("shared");
    QTest::newRow("same display") << QStringLiteral(":42") << true;
    QTest::newRow("same display, screen given") << QStringLiteral(":42.0") << true;
    QTest::newRow("other display") << QStringLiteral(":43") << false;
}

void SingleApplicationTest::oneInstancePerDisplay()
{
    QFETCH(QString, secondDisplay);
    QFETCH(bool, shared);

    QProcess *first = start({});
    QVERIFY(readLine(*first).startsWith(QLatin1String("primary ")));
    QProcess *second = start({QStringLiteral("hello")}, secondDisplay);
    const QString line = readLine(*second);
    if (shared) {
        QCOMPARE(line, QStringLiteral("sent"));
        QCOMPARE(readLine(*first), QStringLiteral("received hello"));
    } else {
        QVERIFY2(line.startsWith(QLatin1String("primary ")), qPrintable(line));
    }
}

void SingleApplicationTest::staleSocketIsTakenOver()
{
    QProcess *crashed = start({});
    const QString line = readLine(*crashed);
    QVERIFY(line.startsWith(QLatin1String("primary ")));
    const QString socket = line.mid(int(qstrlen("primary ")));
    ::kill(pid_t(crashed->processId()), SIGKILL);
    QVERIFY(crashed->waitForFinished(waitMs));
    QVERIFY2(QFileInfo::exists(socket), "a killed instance leaves its socket");

    QProcess *next = start({});
    QCOMPARE(readLine(*next), line);
    int exitCode = -1;
    QCOMPARE(forward({QStringLiteral("hello")}, &exitCode), QStringLiteral("sent"));
    QCOMPARE(readLine(*next), QStringLiteral("received hello"));
}

void SingleApplicationTest::simultaneousStartsMakeOneInstance()
{
    QList<QProcess *> processes;
    for (int i = 0; i < 5; ++i) {
        processes.append(start({QStringLiteral("from%1").arg(i)}));
    }
    int primaries = 0;
    int sent = 0;
    QProcess *primary = nullptr;
    for (QProcess *process : std::as_const(processes)) {
        const QString line = readLine(*process);
        if (line.startsWith(QLatin1String("primary "))) {
            ++primaries;
            primary = process;
        } else if (line == QLatin1String("sent")) {
            ++sent;
        }
    }
    QCOMPARE(primaries, 1);
    QCOMPARE(sent, 4);
    QStringList received;
    for (int i = 0; i < 4; ++i) {
        received.append(readLine(*primary));
    }
    QCOMPARE(received.filter(QRegularExpression(QStringLiteral("^received from\\d$"))).size(), 4);
}

QTEST_GUILESS_MAIN(SingleApplicationTest)

#include "singleapplicationtest.moc"
