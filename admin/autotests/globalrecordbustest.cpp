/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// A global recording from the main window through the real road: the real
// helper on the private test bus, a real kiosk account and the module's trace
// reporter, which logs what the account does while the recording runs.
//
// Runs under testbus/run-with-system-bus.sh --accounts --module.

#include "mainwindowtestcase.h"

#include "profile/profileparser.h"
#include "systempaths.h"

#include <QProcess>

namespace
{
const QString kioskUser = QStringLiteral("kioskglobal");

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QSet<QString> readFiles(const ProfileData &data)
{
    QSet<QString> files;
    const QSet<ObjectRule> rules = data.objectRules();
    for (const ObjectRule &rule : rules) {
        if (rule.modes().contains(ObjectRule::Read)) {
            files.insert(rule.filename());
        }
    }
    return files;
}
}

class GlobalRecordBusTest : public MainWindowTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        MainWindowTestCase::initTestCase();
        if (qEnvironmentVariableIsEmpty("ORLA_TESTBUS_DIR")) {
            QSKIP("needs the private system bus with accounts and the module: run under testbus/run-with-system-bus.sh --accounts --module");
        }
        QVERIFY(run(QStringLiteral("adduser"),
                    {QStringLiteral("--quiet"), QStringLiteral("--disabled-password"), QStringLiteral("--gecos"), QString(), kioskUser}));
    }

    void init()
    {
        MainWindowTestCase::init();
        KioskTree::writeProfile(QStringLiteral("base"), QStringLiteral("+file r uo: /etc/hosts\n"));
        KioskTree::writeUser(kioskUser, QStringLiteral("@include base\n"));
        // Kiosk mode on: the recording lifts it and gives it back.
        KioskTree::setSwitches(true, true);
    }

    void recordingAKioskUsersWork()
    {
        WindowDriver w = open();
        QVERIFY2(!m_window->systemState()->readOnlyInfo().readOnly, "read-only: run on the private test bus");

        recordGlobally(w, 2, [this]() {
            // The recording runs: the kiosk user works meanwhile.
            QCOMPARE(KioskTree::switchValue(QString::fromUtf8(SystemPaths::complainParameter)), QStringLiteral("1"));
            QVERIFY(run(QStringLiteral("su"), {QStringLiteral("-"), kioskUser, QStringLiteral("-c"), QStringLiteral("cat /etc/hostname")}));
        });
        // The login shell's files in the home came back for every user's home, and said so.
        QCOMPARE(m_answerer->titles(), completedTitles());
        QVERIFY2(m_answerer->boxes().at(2).text.contains(QLatin1String("/home/*")), qPrintable(m_answerer->boxes().at(2).text));

        const QString name = kioskUser + QStringLiteral("_global_record_1");
        ProfileState *recorded = w.profileState(name);
        QVERIFY(recorded);
        QVERIFY2(readFiles(recorded->file()->data()).contains(QStringLiteral("/etc/hostname")),
                 qPrintable(ProfileParser::profileDataSerialization(recorded->file()->data())));
        QVERIFY(recorded->isEditable());
        // The helper gave kiosk mode back; the new profile waits to be saved.
        QCOMPARE(KioskTree::switchValue(QString::fromUtf8(SystemPaths::complainParameter)), QStringLiteral("0"));
        QCOMPARE(KioskTree::switchValue(QString::fromUtf8(SystemPaths::enforceParameter)), QStringLiteral("1"));
        QVERIFY(!KioskTree::hasProfile(name));

        trigger("actionSaveChanges", {QMessageBox::Yes});
        QVERIFY(readFiles(ProfileParser::parseText(KioskTree::profile(name)).data()).contains(QStringLiteral("/etc/hostname")));
    }
};

QTEST_MAIN(GlobalRecordBusTest)

#include "globalrecordbustest.moc"
