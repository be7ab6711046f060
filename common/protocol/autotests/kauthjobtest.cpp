#include "failures/kauthexception.h"
#include "protocol/helperconstants.h"
#include "protocol/kauthjob.h"
#include "protocol/updateactionsmap.h"

#include <KAuth/Action>
#include <KAuth/ActionReply>
#include <KAuth/ExecuteJob>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <limits>
#include <sys/prctl.h>

namespace
{
// The two KAuth D-Bus signal kinds the client acts on.
constexpr int actionPerformedSignal = 1;
constexpr int progressStepDataSignal = 4;

/**
 * Stands in for the helper on the bus: it answers KAuth's calls the way a
 * helper does, with the reply it is told to give, or not at all. The client
 * side under test is KAuth's own.
 */
class FakeHelper : public QDBusVirtualObject
{
public:
    enum Mode {
        Answer,
        Silent,
        // Reports progress every 100 ms, trickleSteps times, then answers.
        Trickle,
    };

    Mode mode = Answer;
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    QVariantMap progress;
    int trickleSteps = 10;

    QString receivedAction;
    QVariantMap receivedArguments;
    int stopRequests = 0;

    QString introspect(const QString &) const override
    {
        return QString();
    }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.member() == QLatin1String("stopAction")) {
            ++stopRequests;
            if (!message.isReplyRequired()) {
                return true;
            }
            return connection.send(message.createReply());
        }
        if (message.member() != QLatin1String("performAction") || message.arguments().size() < 3) {
            return false;
        }

        receivedAction = message.arguments().constFirst().toString();
        // The arguments cross the bus as one QDataStream blob, the last argument.
        QByteArray blob = message.arguments().constLast().toByteArray();
        QDataStream stream(&blob, QIODevice::ReadOnly);
        receivedArguments.clear();
        stream >> receivedArguments;

        if (mode == Trickle) {
            trickle(connection, trickleSteps);
        }
        if (mode == Answer) {
            if (!progress.isEmpty()) {
                QByteArray progressBlob;
                QDataStream progressStream(&progressBlob, QIODevice::WriteOnly);
                progressStream << progress;
                emitRemoteSignal(connection, progressStepDataSignal, progressBlob);
            }
            emitRemoteSignal(connection, actionPerformedSignal, reply.serialized());
        }
        // A silent helper still takes the call, as one that is stuck in its action would.
        return connection.send(message.createReply(QVariant(mode == Answer ? reply.serialized() : QByteArray())));
    }

private:
    void trickle(const QDBusConnection &connection, int stepsLeft)
    {
        QTimer::singleShot(100, [this, connection, stepsLeft]() {
            if (stepsLeft == 0) {
                emitRemoteSignal(connection, actionPerformedSignal, reply.serialized());
                return;
            }
            QByteArray blob;
            QDataStream stream(&blob, QIODevice::WriteOnly);
            stream << QVariantMap();
            emitRemoteSignal(connection, progressStepDataSignal, blob);
            trickle(connection, stepsLeft - 1);
        });
    }

    void emitRemoteSignal(const QDBusConnection &connection, int type, const QByteArray &blob)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/"), QStringLiteral("org.kde.kf5auth"), QStringLiteral("remoteSignal"));
        signal << type << receivedAction << blob;
        connection.send(signal);
    }
};

const QLatin1String helperConnectionName("orla-fake-helper");

// A child that ends with the test, even when the test itself is killed.
class ChildProcess : public QProcess
{
protected:
    void setupChildProcess() override
    {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    }
};

void stopChild(QProcess &child)
{
    if (child.state() == QProcess::NotRunning) {
        return;
    }
    child.terminate();
    if (!child.waitForFinished(5000)) {
        child.kill();
        child.waitForFinished(5000);
    }
}
}

class KAuthJobTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_busDir;
    ChildProcess m_bus;
    ChildProcess m_polkit;
    FakeHelper m_helper;
    QByteArray m_oldSystemBus;

    KAuth::ExecuteJob *updateJob(const QVariantMap &arguments, int timeout = 60000)
    {
        KAuth::Action action(HelperConstants::updateActionId);
        action.setHelperId(HelperConstants::helperId);
        action.setArguments(arguments);
        action.setTimeout(timeout);
        return action.execute();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // A bus of our own stands in for the system bus, so nothing here
        // depends on, or reaches, the machine's bus, polkit or helpers.
        QVERIFY(m_busDir.isValid());
        const QString config = m_busDir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig>\n"
                   "  <type>session</type>\n"
                   "  <listen>unix:dir="
                   + QFile::encodeName(m_busDir.path())
                   + "</listen>\n"
                     "  <auth>EXTERNAL</auth>\n"
                     "  <policy context=\"default\">\n"
                     "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                     "    <allow eavesdrop=\"true\"/>\n"
                     "    <allow own=\"*\"/>\n"
                     "  </policy>\n"
                     "</busconfig>\n");
        file.close();

        m_bus.setProgram(QStringLiteral("dbus-daemon"));
        m_bus.setArguments({QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"), QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        m_bus.start();
        if (!m_bus.waitForStarted(10000)) {
            QSKIP("dbus-daemon is not available");
        }
        QVERIFY(m_bus.waitForReadyRead(10000));
        QTRY_VERIFY(m_bus.canReadLine());
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY(!address.isEmpty());

        // KAuth asks polkit whether an action exists before it sends it to a
        // helper; without an answer every action would be invalid.
        m_polkit.start(QStringLiteral(FAKEPOLKIT_PATH), {QString::fromUtf8(address)});
        QVERIFY(m_polkit.waitForStarted(10000));
        QVERIFY(m_polkit.waitForReadyRead(10000));
        QCOMPARE(m_polkit.readLine().trimmed(), QByteArray("ready"));

        // Set before KAuth first touches the system bus.
        m_oldSystemBus = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);

        QDBusConnection connection = QDBusConnection::connectToBus(QString::fromUtf8(address), helperConnectionName);
        QVERIFY(connection.isConnected());
        QVERIFY(connection.registerVirtualObject(QStringLiteral("/"), &m_helper));
        QVERIFY(connection.registerService(HelperConstants::helperId));
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(helperConnectionName);
        m_polkit.closeWriteChannel();
        stopChild(m_polkit);
        stopChild(m_bus);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_oldSystemBus);
    }

    void init()
    {
        m_helper.mode = FakeHelper::Answer;
        m_helper.reply = KAuth::ActionReply::SuccessReply();
        m_helper.progress.clear();
        m_helper.receivedAction.clear();
        m_helper.receivedArguments.clear();
        m_helper.stopRequests = 0;
    }

    void successCarriesArgumentsAndReply()
    {
        UpdateActionsMap arguments(QStringLiteral("ru_RU.UTF-8"));
        arguments.setUsersToRename({{QStringLiteral("alice"), QStringLiteral("disabled/alice")}});
        arguments.setProfilesToUpdate({{QStringLiteral("firefox"), QStringLiteral("/usr/lib/firefox/** rw,\n")}});
        arguments.setProfilesToRemove({QStringLiteral("old"), QStringLiteral("older")});

        KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
        reply.addData(HelperConstants::warningsDataKey, QStringList{QStringLiteral("w1"), QStringLiteral("w2")});
        reply.addData(HelperConstants::traceTextKey, QStringLiteral("/etc/hosts r,\n"));
        reply.addData(HelperConstants::globalRecordDataKey, QVariantMap{{QStringLiteral("alice"), QStringLiteral("/a r,\n")}});
        reply.addData(HelperConstants::globalModeEnableKey, false);
        m_helper.reply = reply;
        m_helper.progress = {{HelperConstants::traceApplicationPidKey, 4242}};

        KAuth::ExecuteJob *job = updateJob(arguments);
        job->setAutoDelete(false);
        QSignalSpy progress(job, &KAuth::ExecuteJob::newData);
        try {
            QVERIFY(Utils::executeKAuthJob(job));
        } catch (const KAuthException &e) {
            delete job;
            QFAIL(qPrintable(e.fullDetails()));
        }

        // What the helper rebuilds from the wire reads back exactly what was sent.
        QCOMPARE(m_helper.receivedAction, QString(HelperConstants::updateActionId));
        QCOMPARE(m_helper.receivedArguments, QVariantMap(arguments));
        const UpdateActionsMap received(m_helper.receivedArguments);
        QCOMPARE(received.locale(), QStringLiteral("ru_RU.UTF-8"));
        QCOMPARE(received.usersToRename(), arguments.usersToRename());
        QCOMPARE(received.profilesToUpdate(), arguments.profilesToUpdate());
        QCOMPARE(received.profilesToRemove(), arguments.profilesToRemove());

        // Reply and progress data keep their types on the way back.
        const QVariantMap data = job->data();
        QCOMPARE(data.value(HelperConstants::warningsDataKey).userType(), int(QMetaType::QStringList));
        QCOMPARE(data.value(HelperConstants::warningsDataKey).toStringList(), QStringList({QStringLiteral("w1"), QStringLiteral("w2")}));
        QCOMPARE(data.value(HelperConstants::traceTextKey).toString(), QStringLiteral("/etc/hosts r,\n"));
        QCOMPARE(data.value(HelperConstants::globalRecordDataKey).userType(), int(QMetaType::QVariantMap));
        QCOMPARE(data.value(HelperConstants::globalRecordDataKey).toMap().value(QStringLiteral("alice")).toString(), QStringLiteral("/a r,\n"));
        QCOMPARE(data.value(HelperConstants::globalModeEnableKey).userType(), int(QMetaType::Bool));
        QCOMPARE(progress.count(), 1);
        QCOMPARE(progress.at(0).at(0).toMap().value(HelperConstants::traceApplicationPidKey).toInt(), 4242);
        delete job;
    }

    void refusedAuthorisationIsFalse()
    {
        m_helper.reply = KAuth::ActionReply::AuthorizationDeniedReply();
        try {
            QVERIFY(!Utils::executeKAuthJob(updateJob(UpdateActionsMap(QString()))));
        } catch (const KAuthException &e) {
            QFAIL(qPrintable(e.fullDetails()));
        }
    }

    void failures_data()
    {
        QTest::addColumn<KAuth::ActionReply>("reply");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");

        KAuth::ActionReply helperError = KAuth::ActionReply::HelperErrorReply();
        helperError.setErrorDescription(QStringLiteral("Can not write file '/etc/tavrix/kiosk2/alice': No space left on device"));
        // The helper's own codes lie outside KAuth's enumeration and arrive as a backend error.
        QTest::newRow("helper error") << helperError << int(KAuth::ActionReply::BackendError) << helperError.errorDescription();

        KAuth::ActionReply ownCode = KAuth::ActionReply::HelperErrorReply(42);
        ownCode.setErrorDescription(QStringLiteral("own code"));
        QTest::newRow("helper error with its own code") << ownCode << int(KAuth::ActionReply::BackendError) << QStringLiteral("own code");

        KAuth::ActionReply busy = KAuth::ActionReply::HelperBusyReply();
        busy.setErrorDescription(QStringLiteral("busy"));
        QTest::newRow("helper busy") << busy << int(KAuth::ActionReply::HelperBusyError) << QStringLiteral("busy");

        KAuth::ActionReply cancelled = KAuth::ActionReply::UserCancelledReply();
        QTest::newRow("cancelled is not a refusal") << cancelled << int(KAuth::ActionReply::UserCancelledError) << QString();
    }

    void failures()
    {
        QFETCH(KAuth::ActionReply, reply);
        QFETCH(int, code);
        QFETCH(QString, text);

        m_helper.reply = reply;
        try {
            Utils::executeKAuthJob(updateJob(UpdateActionsMap(QString())));
            QFAIL("a failed action was reported as done");
        } catch (const KAuthException &e) {
            QCOMPARE(int(e.id()), code);
            QCOMPARE(e.details(), text);
            QCOMPARE(e.fullDetails(), text);
        }
    }

    void unknownHelperIsAnError()
    {
        KAuth::Action action(QStringLiteral("org.orla.kiosk.nosuchhelper.update"));
        action.setHelperId(QStringLiteral("org.orla.kiosk.nosuchhelper"));
        action.setArguments(UpdateActionsMap(QString()));
        action.setTimeout(10000);
        QElapsedTimer timer;
        timer.start();
        try {
            Utils::executeKAuthJob(action.execute());
            QFAIL("an action of a helper that does not exist succeeded");
        } catch (const KAuthException &e) {
            QCOMPARE(e.id(), KAuth::ActionReply::DBusError);
            QVERIFY(!e.details().isEmpty());
        }
        QVERIFY(timer.elapsed() < 20000);
    }

    void silentHelperEndsAtTheWatchdog()
    {
        m_helper.mode = FakeHelper::Silent;
        QElapsedTimer timer;
        timer.start();
        try {
            Utils::executeKAuthJob(updateJob(UpdateActionsMap(QString())), 300);
            QFAIL("a helper that never answered was taken for a success");
        } catch (const KAuthException &e) {
            QCOMPARE(e.id(), KAuth::ActionReply::DBusError);
            QCOMPARE(e.fullDetails(), QStringLiteral("The privileged helper did not answer."));
        }
        QVERIFY(timer.elapsed() < 10000);
        // Giving up also tells the helper to stop.
        QTRY_COMPARE(m_helper.stopRequests, 1);
    }

    void waitWhileAlive_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("answered");
        // A second of work reported every 100 ms outlasts a 300 ms silence limit.
        QTest::newRow("helper at work") << int(FakeHelper::Trickle) << true;
        QTest::newRow("stuck helper") << int(FakeHelper::Silent) << false;
    }

    void waitWhileAlive()
    {
        QFETCH(int, mode);
        QFETCH(bool, answered);
        m_helper.mode = FakeHelper::Mode(mode);
        QElapsedTimer timer;
        timer.start();
        try {
            // The action's own time-out is the program's ten minutes; the
            // silence limit alone ends the wait on a stuck helper.
            QVERIFY(Utils::executeKAuthJobWhileAlive(updateJob(UpdateActionsMap(QString()), 600000), 300));
            QVERIFY(answered);
        } catch (const KAuthException &e) {
            QVERIFY2(!answered, qPrintable(e.fullDetails()));
            QCOMPARE(e.fullDetails(), QStringLiteral("The privileged helper did not answer."));
            QVERIFY(timer.elapsed() < 10000);
        }
    }

    void watchdogBound_data()
    {
        QTest::addColumn<int>("timeout");
        QTest::addColumn<int>("bound");
        QTest::newRow("KAuth default") << -1 << 55000;
        QTest::newRow("zero") << 0 << 55000;
        QTest::newRow("ten minutes") << 600000 << 630000;
        QTest::newRow("a day") << 86400000 << 86430000;
        QTest::newRow("no overflow") << std::numeric_limits<int>::max() << std::numeric_limits<int>::max();
    }

    void watchdogBound()
    {
        QFETCH(int, timeout);
        QFETCH(int, bound);
        QCOMPARE(Utils::kauthJobWatchdog(timeout), bound);
    }

    void oversizedArgumentsAreRefusedBeforeSending()
    {
        // 17 million characters are 34 MB as UTF-16: more than the bus carries.
        QMap<QString, QString> texts;
        texts.insert(QStringLiteral("big"), QString(17 * 1000 * 1000, QLatin1Char('x')));
        UpdateActionsMap map{QString()};
        map.setProfilesToUpdate(texts);
        try {
            Utils::executeKAuthJob(updateJob(map));
            QFAIL("an update larger than the bus carries was sent");
        } catch (const KAuthException &e) {
            QCOMPARE(e.id(), KAuth::ActionReply::BackendError);
            QVERIFY2(e.fullDetails().contains(QLatin1String("too large")), qPrintable(e.fullDetails()));
        }
        QVERIFY(m_helper.receivedAction.isEmpty());
        // The connection is still usable for the next action.
        QVERIFY(Utils::executeKAuthJob(updateJob(UpdateActionsMap(QString()))));
    }

    void noJobIsAnError()
    {
        QVERIFY_EXCEPTION_THROWN(Utils::executeKAuthJob(nullptr), KAuthException);
    }
};

QTEST_GUILESS_MAIN(KAuthJobTest)

#include "kauthjobtest.moc"
