/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "store/kiosktracersettings.h"
#include "store/mainwindowsettings.h"
#include "systempaths.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <memory>

namespace
{
// The recorder runs as root; a test build keeps its storage below the scratch root.
std::unique_ptr<QSettings> tracerStorage()
{
    const QString file = QString::fromUtf8(SystemPaths::tracerSettingsFile);
    return file.isEmpty() ? std::make_unique<QSettings>(QStringLiteral("orla-admin-kiosk"), QStringLiteral("kiosk_tracer"))
                          : std::make_unique<QSettings>(file, QSettings::NativeFormat);
}

// What the recorder does at the end of a run: hand the set out exactly once.
QSet<QString> popTempUsers()
{
    Settings::KioskTracer tracer;
    const QSet<QString> users = tracer.tempUserProfiles();
    tracer.setTempUserProfiles({});
    tracer.save();
    return users;
}
}

class SettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Keeps the tests away from the real configuration of whoever runs them.
        QStandardPaths::setTestModeEnabled(true);
    }

    void init()
    {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/orla-admin-kiosk");
        QDir(dir).removeRecursively();
        if (SystemPaths::tracerSettingsFile[0] != '\0') {
            QFile::remove(QString::fromUtf8(SystemPaths::tracerSettingsFile));
        }
    }

    void windowBlobsStartEmptyAndSurvive()
    {
        const QByteArray geometry("\x01\xd9\xd0\xcb\x00\x03", 6);
        const QByteArray state("\x00\xff state", 8);
        {
            Settings::MainWindow window;
            QVERIFY(window.geometry().isEmpty());
            QVERIFY(window.state().isEmpty());
            window.setGeometry(geometry);
            window.setState(state);
        }
        Settings::MainWindow window;
        QCOMPARE(window.geometry(), geometry);
        QCOMPARE(window.state(), state);

        // Older and newer builds of the program share these names.
        QSettings raw(QStringLiteral("orla-admin-kiosk"), QStringLiteral("main_window"));
        QVERIFY(raw.fileName().endsWith(QStringLiteral("/orla-admin-kiosk/main_window.conf")));
        QCOMPARE(raw.value(QStringLiteral("geometry")).toByteArray(), geometry);
        QCOMPARE(raw.value(QStringLiteral("state")).toByteArray(), state);
    }

    void tempUsersPopOnce_data()
    {
        QTest::addColumn<QStringList>("users");
        QTest::newRow("one") << QStringList{QStringLiteral("kiosk_tmp_1")};
        QTest::newRow("several") << QStringList{QStringLiteral("kiosk_tmp_1"), QStringLiteral("kiosk_tmp_2"), QStringLiteral("kiosk_tmp_3")};
        QTest::newRow("odd characters") << QStringList{QStringLiteral("a,b"), QStringLiteral("c\"d"), QStringLiteral(" e ")};
    }

    void tempUsersPopOnce()
    {
        QFETCH(QStringList, users);
        const QSet<QString> set(users.cbegin(), users.cend());
        {
            Settings::KioskTracer tracer;
            QVERIFY(tracer.tempUserProfiles().isEmpty());
            tracer.setTempUserProfiles(set);
            tracer.save();
        }
        QCOMPARE(tracerStorage()->value(QStringLiteral("tempUsers")).toStringList().size(), users.size());
        QCOMPARE(popTempUsers(), set);
        QCOMPARE(popTempUsers(), QSet<QString>());
    }
};

QTEST_GUILESS_MAIN(SettingsTest)

#include "settingstest.moc"
