/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The window of an administrator who may not change anything: here the
// authorisation service is out of reach, which the integrity check takes as
// "no". Everything is shown; nothing is offered.

#include "mainwindowtestcase.h"

#include "failures/catalogues.h"
#include "systempaths.h"

#include <QFileInfo>
#include <QLocale>

class MainWindowReadOnlyTest : public MainWindowTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        MainWindowTestCase::init();
        KioskTree::writeProfile(QStringLiteral("base"), QStringLiteral("+file r uo: /etc/hosts\n"));
        KioskTree::writeProfile(QStringLiteral("empty"), QString());
        KioskTree::writeUser(QStringLiteral("daemon"), QStringLiteral("@include base\n@include ghost\n"));
        KioskTree::writeUser(QStringLiteral("bin"), QStringLiteral("@include base\n"), false);
        KioskTree::writeUser(QStringLiteral("sys"), QStringLiteral("+file r u: /etc/motd\n"));
        // Switches that disagree would be questioned, were anything allowed.
        KioskTree::setSwitches(false, true, true);
    }

    void startWarnsOnceAndOffersNothing()
    {
        m_answerer->answer(QMessageBox::Ok);
        WindowDriver w = start();
        expectBox(QStringLiteral("Warning"), QStringLiteral("To administer the system you must log in to the session under a high level of integrity"));

        const ReadOnlyInfo info = m_window->systemState()->readOnlyInfo();
        QVERIFY(info.readOnly);
        QCOMPARE(info.reasons, QSet<int>{ReadOnlyInfo::ReasonNoMaxIntegrity});

        QCOMPARE(w.statusLabel()->text(),
                 QStringLiteral("Read only mode. Kiosk mode now: <b>Off</b>, after reboot will: <b>On</b>. Global kiosk rules record mode: <b>Enabled</b>"));
        QVERIFY(!w.action("actionAddUser")->isEnabled());
        QVERIFY(!w.action("actionSaveChanges")->isEnabled());
        QVERIFY(!w.action("actionEnableKioskMode")->isEnabled());
        QVERIFY(!w.action("actionDisableKioskMode")->isEnabled());
        QAction *recording = w.action("actionGlobalRecordingMode");
        QVERIFY(!recording->isEnabled());
        QVERIFY(recording->isCheckable());
        QVERIFY(recording->isChecked());
        // Reloading is still offered.
        QVERIFY(w.action("actionCancelChanges")->isEnabled());
    }

    // The program's catalogue is the locale's language's, or none at all.
    void speaksTheLocalesLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("boxTitle");
        QTest::addColumn<QString>("text");
        QTest::newRow("Russian") << QStringLiteral("ru_RU.UTF-8") << QStringLiteral("Системный киоск") << QStringLiteral("Предупреждение")
                                 << QStringLiteral("Для администрирования системы нужно войти в сеанс с высоким уровнем целостности");
        QTest::newRow("English") << QStringLiteral("en_US.UTF-8") << QStringLiteral("System Kiosk") << QStringLiteral("Warning")
                                 << QStringLiteral("To administer the system you must log in to the session under a high level of integrity");
    }

    void speaksTheLocalesLanguage()
    {
        QFETCH(QString, locale);
        QFETCH(QString, title);
        QFETCH(QString, boxTitle);
        QFETCH(QString, text);
        if (!QFileInfo::exists(QString::fromUtf8(SystemPaths::translationsDir) + QStringLiteral("/orla-admin-kiosk_common_ru.qm"))) {
            QSKIP("no catalogues where this build looks for them");
        }
        QObject catalogues;
        const bool installed = Utils::installCatalogue(QLocale(locale), QStringLiteral("orla-admin-kiosk_common"), &catalogues);
        QCOMPARE(installed, locale.startsWith(QLatin1String("ru")));
        m_answerer->answer(QMessageBox::Ok);
        start();
        QCOMPARE(m_window->windowTitle(), title);
        expectBox(boxTitle, text);
        // Qt's own buttons in the same language.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel") != QStringLiteral("Cancel"), installed);
    }

    void everythingIsShownButNothingChanges()
    {
        m_answerer->answer(QMessageBox::Ok);
        WindowDriver w = start();
        QCOMPARE(w.userTexts(), (QStringList{QStringLiteral("bin (disabled)"), QStringLiteral("daemon (has errors)"), QStringLiteral("sys (has warnings)")}));

        QVERIFY(w.selectUser(QStringLiteral("bin")));
        QVERIFY(!w.action("actionDeleteUser")->isEnabled());
        QVERIFY(!w.action("actionEnableUser")->isEnabled());
        QVERIFY(!w.action("actionDisableUser")->isEnabled());

        QVERIFY(w.selectUser(QStringLiteral("daemon")));
        QVERIFY(w.profilesBox()->isEnabled());
        QCOMPARE(w.profileTexts(), (QStringList{QStringLiteral("base"), QStringLiteral("empty (has warnings)"), QStringLiteral("ghost (unknown)")}));
        QCOMPARE(w.checkedProfiles(), (QStringList{QStringLiteral("base"), QStringLiteral("ghost")}));
        for (int row = 0; row < w.profiles()->count(); ++row) {
            QCOMPARE(w.profiles()->item(row)->flags(), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        }
        QVERIFY(w.selectProfile(QStringLiteral("empty")));
        QVERIFY(!w.action("actionDeleteProfile")->isEnabled());
        QCOMPARE(w.action("actionEditProfile")->text(), QStringLiteral("View profile"));
        QCOMPARE(w.action("actionEditProfile")->toolTip(), QStringLiteral("View profile"));
        QVERIFY(w.action("actionShowProfileStatus")->isVisible());

        // The editor opened from here shows, and only closes.
        QVERIFY(w.selectProfile(QStringLiteral("base")));
        QString title;
        QDialogButtonBox::StandardButtons buttons;
        inEditor(
            [&buttons](EditProfileDialog *, const EditorForm &f) {
                buttons = f.buttons->standardButtons();
                return false;
            },
            &title);
        trigger("actionEditProfile");
        QCOMPARE(title, QStringLiteral("View profile: base"));
        QCOMPARE(buttons, QDialogButtonBox::StandardButtons(QDialogButtonBox::Close));
        QVERIFY(!w.profileState(QStringLiteral("base"))->isChanged());

        // Called anyway, the slots neither ask nor change anything.
        m_answerer->reset();
        m_window->deleteUserActionTriggered();
        m_window->disableUserActionTriggered();
        m_window->deleteProfileActionTriggered();
        m_window->createUserActionTriggered();
        m_window->saveActionTriggered();
        m_window->enableKioskModeActionTriggered();
        m_window->disableKioskModeActionTriggered();
        QVERIFY(!m_window->systemState()->isChanged());
        QVERIFY(m_answerer->boxes().isEmpty());
        QVERIFY(m_answerer->unexpected().isEmpty());
    }

    void ownRulesAreExplainedWithoutAnOffer()
    {
        m_answerer->answer(QMessageBox::Ok);
        WindowDriver w = start();
        QVERIFY(w.selectUser(QStringLiteral("sys")));
        triggerAfresh("actionShowUserStatus", {QMessageBox::Ok});
        QVERIFY(m_answerer->unexpected().isEmpty());
        expectBox(QStringLiteral("User rules"),
                  QStringLiteral("User 'sys' has object rules descriptions. "
                                 "To be able to edit a profile, you need to make the rules in a separate profile, which will be included in the user."));
        QCOMPARE(m_answerer->boxes().first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(!w.profileState(QStringLiteral("sys_extra_1")));
    }

    void closingAsksNothing()
    {
        m_answerer->answer(QMessageBox::Ok);
        start();
        m_answerer->reset();
        QVERIFY(m_window->close());
        QVERIFY(m_answerer->boxes().isEmpty());
        QVERIFY(m_answerer->unexpected().isEmpty());
    }
};

QTEST_MAIN(MainWindowReadOnlyTest)

#include "mainwindowreadonlytest.moc"
