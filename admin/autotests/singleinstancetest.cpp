/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Two real orla-admin-kiosk processes on the offscreen platform: the second
// start hands its command line to the first and ends.
//
// Runs on the private test bus, so that the first instance starts without
// the read-only warning and waits in its event loop.

#include "kiosktree.h"
#include "orla-admin-kiosk-version.h"
#include "scratchroot.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class SingleInstanceTest : public QObject
{
    Q_OBJECT

    QString m_program;
    std::unique_ptr<QTemporaryDir> m_scratch;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Its own socket folder, display and settings: nothing meets a real instance.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_scratch->path());
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":orla-single-instance-test"));
        env.insert(QStringLiteral("HOME"), m_scratch->path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_scratch->path() + QStringLiteral("/config"));
        return env;
    }

    std::unique_ptr<QProcess> launch(const QStringList &arguments) const
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment());
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(m_program, arguments);
        return process;
    }

    // The first instance listens once its socket is there.
    bool waitForListening() const
    {
        for (int i = 0; i < 200; ++i) {
            const auto entries = QDir(m_scratch->path()).entryList(QDir::System | QDir::NoDotAndDotDot);
            for (const QString &entry : entries) {
                if (entry.startsWith(QLatin1String("orla-admin-kiosk-")) && !entry.endsWith(QLatin1String(".lock"))) {
                    return true;
                }
            }
            QTest::qWait(50);
        }
        return false;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        if (!ScratchRoot::ownsPasswdFile(&why)) {
            QSKIP(qPrintable(why));
        }
        m_program = QStringLiteral(ORLA_ADMIN_KIOSK_PROGRAM);
        QVERIFY2(QFileInfo(m_program).isExecutable(), qPrintable(m_program));
    }

    void init()
    {
        m_scratch = std::make_unique<QTemporaryDir>();
        QVERIFY(m_scratch->isValid());
        KioskTree::reset(KioskTree::Switches::Off);
        KioskTree::writeProfile(QStringLiteral("base"), QStringLiteral("+file r uo: /etc/hosts\n"));
        KioskTree::writeUser(QStringLiteral("daemon"), QStringLiteral("@include base\n"));
    }

    void cleanup()
    {
        m_scratch.reset();
    }

    void secondStartsForwardAndEnd()
    {
        auto first = launch({});
        QVERIFY(first->waitForStarted());
        QVERIFY(waitForListening());

        for (const QStringList &arguments : {QStringList{}, QStringList{QStringLiteral("--raise")}}) {
            auto second = launch(arguments);
            QVERIFY(second->waitForFinished(15000));
            QCOMPARE(second->exitStatus(), QProcess::NormalExit);
            QCOMPARE(second->exitCode(), 0);
            // The first one is still there.
            QVERIFY(!first->waitForFinished(500));
        }

        // An option the program does not know ends the second start with an
        // error before anything is forwarded.
        auto wrong = launch({QStringLiteral("--bogus")});
        QVERIFY(wrong->waitForFinished(15000));
        QVERIFY(wrong->exitCode() != 0);
        QVERIFY(!first->waitForFinished(500));

        auto quitter = launch({QStringLiteral("--quit")});
        QVERIFY(quitter->waitForFinished(15000));
        QCOMPARE(quitter->exitCode(), 0);
        QVERIFY(first->waitForFinished(15000));
        QCOMPARE(first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->exitCode(), 0);
    }

    void firstStartWithQuitEndsAtOnce()
    {
        auto only = launch({QStringLiteral("--quit")});
        QVERIFY(only->waitForFinished(15000));
        QCOMPARE(only->exitStatus(), QProcess::NormalExit);
        QCOMPARE(only->exitCode(), 0);
    }

    void helpAndVersionEndWithoutAWindow()
    {
        for (const QString &option : {QStringLiteral("--help"), QStringLiteral("--version")}) {
            QProcess process;
            process.setProcessEnvironment(environment());
            process.start(m_program, {option});
            QVERIFY(process.waitForFinished(15000));
            QCOMPARE(process.exitCode(), 0);
            const QByteArray out = process.readAllStandardOutput();
            QVERIFY2(option == QLatin1String("--help") ? out.contains("--quit") : out.contains(ORLA_ADMIN_KIOSK_VERSION_STRING), out.constData());
        }
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)

#include "singleinstancetest.moc"
