/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The main window over a scratch kiosk tree, everything short of sending
// actions to the helper: what the lists show, what the actions offer, and what
// each edit does to the working copy.
//
// Runs on the private test bus, where the authorisation service lets this
// process change things; without it the window would be read-only.

#include "mainwindowtestcase.h"

#include "items/unknownprofilewidgetitem.h"
#include "store/mainwindowsettings.h"
#include "systempaths.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextDocument>

class MainWindowTest : public MainWindowTestCase
{
    Q_OBJECT

    // The tree most tests look at: one profile or user per status.
    void writeStandardTree()
    {
        KioskTree::writeProfile(QStringLiteral("base"), QStringLiteral("+file r uo: /etc/hosts\n"));
        KioskTree::writeProfile(QStringLiteral("orla-desktop"), QStringLiteral("@include base\n+file rw u: /tmp\n"));
        KioskTree::writeProfile(QStringLiteral("empty"), QString());
        KioskTree::writeProfile(QStringLiteral("cycA"), QStringLiteral("@include cycB\n+file r u: /a\n"));
        KioskTree::writeProfile(QStringLiteral("cycB"), QStringLiteral("@include cycA\n+file r u: /b\n"));
        KioskTree::writeProfile(QStringLiteral("broken"), QStringLiteral("+file r u: /x\nthis is not a rule\n"));
        KioskTree::writeProfile(QStringLiteral("usesBroken"), QStringLiteral("@include broken\n"));
        KioskTree::writeProfile(QStringLiteral("dangling"), QStringLiteral("@include nowhere\n"));

        // Accounts every Linux system has, and one that no system has.
        KioskTree::writeUser(QStringLiteral("daemon"), QStringLiteral("@include base\n"));
        KioskTree::writeUser(QStringLiteral("bin"), QStringLiteral("@include base\n"), false);
        KioskTree::writeUser(QStringLiteral("sys"), QStringLiteral("+file r u: /etc/motd\n"));
        KioskTree::writeUser(QStringLiteral("games"), QStringLiteral("@include base\n@include ghostprofile\n"));
        KioskTree::writeUser(QStringLiteral("kioskghost"), QStringLiteral("@include base\n"));
    }

private Q_SLOTS:
    void init()
    {
        MainWindowTestCase::init();
        writeStandardTree();
    }

    void notReadOnlyOnTheTestBus()
    {
        open();
        QVERIFY2(!m_window->systemState()->readOnlyInfo().readOnly,
                 "the window is read-only: run this test on the private test bus, which lets it change the kiosk configuration");
    }

    void formAndActions()
    {
        WindowDriver w = open();
        const QStringList names =
            QStringLiteral(
                "_centralwidget verticalLayout statusLabel splitter usersGroupBox verticalLayout_4 usersListWidget profilesGroupBox "
                "verticalLayout_2 profilesListWidget menuBar menuFile menuUsers menuProfiles commonToolBar actionCancelChanges "
                "actionSaveChanges actionExit actionEnableKioskMode actionAddUser actionDeleteUser actionCreateProfile actionDeleteProfile "
                "actionEditProfile actionDisableUser actionDisableKioskMode actionEnableUser actionShowUserStatus actionShowProfileStatus "
                "actionGlobalRecordingMode")
                .split(QLatin1Char(' '));
        for (const QString &name : names) {
            QVERIFY2(m_window->findChild<QObject *>(name), qPrintable(name));
        }
        QCOMPARE(m_window->windowTitle(), QStringLiteral("System Kiosk"));
        const QStringList menus{QStringLiteral("File"), QStringLiteral("Users"), QStringLiteral("Profiles")};
        QStringList shown;
        const auto menuActions = m_window->menuBar()->actions();
        for (QAction *menu : menuActions) {
            shown << menu->text();
        }
        // The help menu comes last.
        QCOMPARE(shown.mid(0, 3), menus);
        QCOMPARE(shown.size(), 4);

        QCOMPARE(w.action("actionSaveChanges")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(w.action("actionCancelChanges")->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
        QVERIFY(!w.action("actionAddUser")->icon().isNull());
        // The theme lacks the desktop's play icon: the standard one stands in.
        QVERIFY(!QIcon::hasThemeIcon(QStringLiteral("noatunplay")));
        QCOMPARE(w.action("actionEnableUser")->icon().name(), QStringLiteral("media-playback-start"));

        const auto statusBarLabels = m_window->statusBar()->findChildren<QLabel *>();
        QStringList hints;
        for (const QLabel *label : statusBarLabels) {
            hints << label->text();
        }
        QVERIFY(
            hints.contains(QStringLiteral("When choosing a profile for a graphical application, be sure to also select a profile for the graphical session, "
                                          "the default is 'orla-desktop'.")));
    }

    void contextMenusOfferTheGroupsActions_data()
    {
        QTest::addColumn<bool>("users");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("users") << true
                               << QStringList{QStringLiteral("Add user"),
                                              QStringLiteral("Delete user"),
                                              QStringLiteral("Enable kiosk rules for user"),
                                              QStringLiteral("Disable kiosk rules for user"),
                                              QStringLiteral("Show status")};
        QTest::newRow("profiles") << false
                                  << QStringList{QStringLiteral("Create profile"),
                                                 QStringLiteral("Delete profile"),
                                                 QStringLiteral("Edit profile"),
                                                 QStringLiteral("Show status")};
    }

    void contextMenusOfferTheGroupsActions()
    {
        QFETCH(bool, users);
        QFETCH(QStringList, texts);
        WindowDriver w = open();
        QVERIFY(w.selectUser(QStringLiteral("daemon")));

        QStringList shown;
        QTimer::singleShot(100, this, [&shown]() {
            QWidget *popup = QApplication::activePopupWidget();
            if (!popup) {
                return;
            }
            const auto actions = popup->actions();
            for (const QAction *action : actions) {
                // The desktop adds keyboard accelerators to menus it shows.
                shown << QString(action->text()).remove(QLatin1Char('&'));
            }
            popup->close();
        });
        QListWidget *list = users ? w.users() : w.profiles();
        Q_EMIT list->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(shown, texts);
    }

    void listsShowEveryStatus()
    {
        WindowDriver w = open();
        QCOMPARE(w.userTexts(),
                 (QStringList{QStringLiteral("bin (disabled)"),
                              QStringLiteral("daemon"),
                              QStringLiteral("games (has errors)"),
                              QStringLiteral("kioskghost (has errors)"),
                              QStringLiteral("sys (has warnings)")}));

        // Nothing selected: no profiles, and nothing to tick.
        QCOMPARE(w.profiles()->count(), 0);
        QVERIFY(!w.profilesBox()->isEnabled());
        QVERIFY(!w.action("actionShowUserStatus")->isVisible());
        QVERIFY(!w.action("actionDeleteUser")->isEnabled());
        QVERIFY(!w.action("actionEnableUser")->isEnabled());
        QVERIFY(!w.action("actionDisableUser")->isEnabled());
        QVERIFY(w.action("actionAddUser")->isEnabled());

        QVERIFY(w.selectUser(QStringLiteral("games")));
        QVERIFY(w.profilesBox()->isEnabled());
        QCOMPARE(w.profileTexts(),
                 (QStringList{QStringLiteral("base"),
                              QStringLiteral("broken (has errors)"),
                              QStringLiteral("cycA (has errors)"),
                              QStringLiteral("cycB (has errors)"),
                              QStringLiteral("dangling (has errors)"),
                              QStringLiteral("empty (has warnings)"),
                              QStringLiteral("orla-desktop"),
                              QStringLiteral("usesBroken (has errors)"),
                              QStringLiteral("ghostprofile (unknown)")}));
        QCOMPARE(w.checkedProfiles(), (QStringList{QStringLiteral("base"), QStringLiteral("ghostprofile")}));
        QVERIFY(w.action("actionShowUserStatus")->isVisible());
    }

    void profileSelectionDrivesTheProfileActions()
    {
        WindowDriver w = open();
        QVERIFY(w.selectUser(QStringLiteral("games")));

        QVERIFY(w.selectProfile(QStringLiteral("base")));
        QVERIFY(!w.action("actionShowProfileStatus")->isVisible());
        QVERIFY(w.action("actionDeleteProfile")->isEnabled());

        QVERIFY(w.selectProfile(QStringLiteral("cycA")));
        QVERIFY(w.action("actionShowProfileStatus")->isVisible());

        QVERIFY(w.selectProfile(QStringLiteral("ghostprofile")));
        QVERIFY(w.action("actionShowProfileStatus")->isVisible());
        QVERIFY(!w.action("actionDeleteProfile")->isEnabled());
        // Not even the slot deletes it.
        m_window->deleteProfileActionTriggered();
        QVERIFY(w.profileItem(QStringLiteral("ghostprofile")));
        expectNoStrayBoxes();
    }

    void statusBoxes_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("profile"); // empty: the user's own status
        QTest::addColumn<QString>("text");

        QTest::newRow("unknown include") << QStringLiteral("games") << QString() << QStringLiteral("User 'games' has unknown includes");
        QTest::newRow("no account") << QStringLiteral("kioskghost") << QString() << QStringLiteral("User 'kioskghost'  not found");
        QTest::newRow("cycle") << QStringLiteral("daemon") << QStringLiteral("cycA")
                               << QStringLiteral("Profile 'cycA' has cyclic dependencies and has include with error");
        QTest::newRow("include with error") << QStringLiteral("daemon") << QStringLiteral("usesBroken")
                                            << QStringLiteral("Profile 'usesBroken' has include with error");
        QTest::newRow("invalid lines") << QStringLiteral("daemon") << QStringLiteral("broken") << QStringLiteral("Profile 'broken' has invalid config lines");
        QTest::newRow("no rules") << QStringLiteral("daemon") << QStringLiteral("empty") << QStringLiteral("Profile 'empty' doesn't have allowed rules");
        QTest::newRow("dangling include") << QStringLiteral("daemon") << QStringLiteral("dangling")
                                          << QStringLiteral("Profile 'dangling' has unknown includes");
        QTest::newRow("placeholder") << QStringLiteral("games") << QStringLiteral("ghostprofile") << QStringLiteral("Nonexistent profile 'ghostprofile'");
    }

    void statusBoxes()
    {
        QFETCH(QString, user);
        QFETCH(QString, profile);
        QFETCH(QString, text);

        WindowDriver w = open();
        QVERIFY(w.selectUser(user));
        m_answerer->answer(QMessageBox::Ok);
        if (profile.isEmpty()) {
            w.action("actionShowUserStatus")->trigger();
        } else {
            QVERIFY(w.selectProfile(profile));
            w.action("actionShowProfileStatus")->trigger();
        }
        expectBox(QStringLiteral("Warning"), text);
        QCOMPARE(m_answerer->boxes().first().icon, QMessageBox::Warning);
    }

    void namesAreShownAsTheyAre()
    {
        // A name is anyone's choice; a message box must not render it.
        const QString name = QStringLiteral("<font size=7>big<img src=\"x\"> &amp;");
        const QString other = QStringLiteral("<b>bold<i>");
        // Nor may a right-to-left override show this include as "evil_txt.exe",
        // nor a terminal's escape sequence reach anyone.
        const QString evil = QStringLiteral("evil_\u202eexe.txt\x1b[8m");
        const QString escaped = QStringLiteral("evil_\\u202eexe.txt\\x1b[8m");
        KioskTree::writeProfile(name, QStringLiteral("not a rule\n"));
        KioskTree::writeProfile(other, QStringLiteral("+file r uo: /srv\n"));
        KioskTree::writeUser(QStringLiteral("daemon"), QStringLiteral("@include ") + evil + QLatin1Char('\n'));
        WindowDriver w = open();
        QVERIFY(w.select(QStringLiteral("daemon"), name));
        trigger("actionShowProfileStatus", {QMessageBox::Ok});
        QVERIFY(w.selectProfile(other));
        trigger("actionDeleteProfile", {QMessageBox::No});
        QVERIFY(w.selectProfile(evil));
        QCOMPARE(w.profileItem(evil)->text(), escaped + QStringLiteral(" (unknown)"));
        trigger("actionShowProfileStatus", {QMessageBox::Ok});
        QCOMPARE(m_answerer->boxes().size(), 3);
        // What the box shows, read the way the box reads its text.
        const auto shown = [](const QString &text) {
            QTextDocument document;
            if (Qt::mightBeRichText(text)) {
                document.setHtml(text);
            } else {
                document.setPlainText(text);
            }
            return document.toPlainText().simplified();
        };
        QCOMPARE(shown(m_answerer->boxes().at(0).text), QStringLiteral("Profile '%1' doesn't have allowed rules and has invalid config lines").arg(name));
        QCOMPARE(shown(m_answerer->boxes().at(1).text), QStringLiteral("Are you sure want to delete kiosk profile '%1'?").arg(other));
        QCOMPARE(m_answerer->boxes().at(2).text, QStringLiteral("Nonexistent profile '%1'").arg(escaped));
        QVERIFY(w.profileState(other));
    }

    void joinNames_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("quote");
        QTest::addColumn<QString>("joined");

        QTest::newRow("none") << QStringList{} << QStringLiteral("'") << QString();
        QTest::newRow("one") << QStringList{QStringLiteral("a")} << QStringLiteral("'") << QStringLiteral("'a'");
        QTest::newRow("two") << QStringList{QStringLiteral("a"), QStringLiteral("b")} << QStringLiteral("'") << QStringLiteral("'a' and 'b'");
        QTest::newRow("three") << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")} << QStringLiteral("'")
                               << QStringLiteral("'a', 'b' and 'c'");
        QTest::newRow("no quote") << QStringList{QStringLiteral("x y"), QStringLiteral("z")} << QString() << QStringLiteral("x y and z");
        // An empty first name still counts as a name.
        QTest::newRow("empty names") << QStringList{QString(), QString()} << QStringLiteral("'") << QStringLiteral("'' and ''");
    }

    void joinNames()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, quote);
        QFETCH(QString, joined);
        QCOMPARE(MainWindow::joinNames(names, quote), joined);
    }

    void tickingAProfileIncludesIt()
    {
        WindowDriver w = open();
        QVERIFY(!w.action("actionSaveChanges")->isEnabled());
        QCOMPARE(w.action("actionCancelChanges")->text(), QStringLiteral("Reload data from system"));

        QVERIFY(w.selectUser(QStringLiteral("daemon")));
        UserState *daemon = w.userState(QStringLiteral("daemon"));
        QVERIFY(w.setChecked(QStringLiteral("orla-desktop"), true));
        QCOMPARE(WindowDriver::includes(daemon), (QStringList{QStringLiteral("base"), QStringLiteral("orla-desktop")}));
        QVERIFY(daemon->isChanged());
        QVERIFY(m_window->systemState()->isChanged());
        QVERIFY(w.action("actionSaveChanges")->isEnabled());
        QCOMPARE(w.action("actionCancelChanges")->text(), QStringLiteral("Cancel changes"));
        QCOMPARE(w.action("actionCancelChanges")->toolTip(), QStringLiteral("Cancel changes"));

        QVERIFY(w.setChecked(QStringLiteral("base"), false));
        QCOMPARE(WindowDriver::includes(daemon), QStringList{QStringLiteral("orla-desktop")});

        // Including a profile with errors shows at once on the user.
        QVERIFY(w.setChecked(QStringLiteral("cycA"), true));
        QVERIFY(daemon->status().contains(AbstractProfileState::StatusIncludeWithError));
        QCOMPARE(w.userItem(QStringLiteral("daemon"))->text(), QStringLiteral("daemon (has errors)"));
        QVERIFY(w.action("actionShowUserStatus")->isVisible());
        QVERIFY(w.setChecked(QStringLiteral("cycA"), false));
        QCOMPARE(w.userItem(QStringLiteral("daemon"))->text(), QStringLiteral("daemon"));
        QVERIFY(!w.action("actionShowUserStatus")->isVisible());

        // The ticks belong to the user selected when they were made.
        QVERIFY(w.selectUser(QStringLiteral("games")));
        QCOMPARE(w.checkedProfiles(), (QStringList{QStringLiteral("base"), QStringLiteral("ghostprofile")}));

        // Unticking a placeholder removes the include it stands for.
        UserState *games = w.userState(QStringLiteral("games"));
        auto *placeholder = dynamic_cast<UnknownProfileWidgetItem *>(w.profileItem(QStringLiteral("ghostprofile")));
        QVERIFY(placeholder);
        QVERIFY(w.setChecked(QStringLiteral("ghostprofile"), false));
        QCOMPARE(WindowDriver::includes(games), QStringList{QStringLiteral("base")});
        QVERIFY(!games->status().contains(AbstractProfileState::StatusUnknownIncludes));
        QCOMPARE(w.userItem(QStringLiteral("games"))->text(), QStringLiteral("games"));
        // Still there, greyed and inert until the list is rebuilt.
        QCOMPARE(w.profileItem(QStringLiteral("ghostprofile")), placeholder);
        QCOMPARE(placeholder->checkState(), Qt::Unchecked);
        QCOMPARE(placeholder->flags(), Qt::NoItemFlags);
        placeholder->setCheckState(Qt::Checked);
        QCOMPARE(WindowDriver::includes(games), QStringList{QStringLiteral("base")});

        QVERIFY(w.selectUser(QStringLiteral("daemon")));
        QCOMPARE(w.checkedProfiles(), QStringList{QStringLiteral("orla-desktop")});
        // Rebuilt: the include is gone, and so is its placeholder.
        QVERIFY(w.selectUser(QStringLiteral("games")));
        QVERIFY(!w.profileItem(QStringLiteral("ghostprofile")));
    }

    void selectionDrivesTheUserActions()
    {
        WindowDriver w = open();

        QVERIFY(w.selectUser(QStringLiteral("bin")));
        QVERIFY(!w.action("actionDisableUser")->isEnabled());
        w.action("actionEnableUser")->trigger();
        QVERIFY(w.userState(QStringLiteral("bin"))->isEnable());
        QCOMPARE(w.userItem(QStringLiteral("bin"))->text(), QStringLiteral("bin"));
        QVERIFY(!w.action("actionEnableUser")->isEnabled());
        QVERIFY(w.action("actionDisableUser")->isEnabled());
        QVERIFY(m_window->systemState()->isChanged());

        QVERIFY(w.selectUser(QStringLiteral("daemon")));
        QVERIFY(w.action("actionDeleteUser")->isEnabled());
        QVERIFY(!w.action("actionEnableUser")->isEnabled());
        QVERIFY(!w.action("actionShowUserStatus")->isVisible());
        QCOMPARE(w.checkedProfiles(), QStringList{QStringLiteral("base")});
        w.action("actionDisableUser")->trigger();
        QVERIFY(!w.userState(QStringLiteral("daemon"))->isEnable());
        QCOMPARE(w.userItem(QStringLiteral("daemon"))->text(), QStringLiteral("daemon (disabled)"));
        QVERIFY(w.action("actionEnableUser")->isEnabled());
        expectNoStrayBoxes();

        // Rules of its own: profiles cannot be ticked until they move out.
        QVERIFY(w.selectUser(QStringLiteral("sys")));
        QCOMPARE(w.profiles()->count(), 0);
        QVERIFY(!w.profilesBox()->isEnabled());
        QVERIFY(w.action("actionShowUserStatus")->isVisible());
    }

    void usersWithAStatusCannotBeEnabled_data()
    {
        QTest::addColumn<QString>("user");
        QTest::newRow("errors") << QStringLiteral("kioskghost");
        // Warnings are enough to refuse.
        QTest::newRow("warnings only") << QStringLiteral("sys");
    }

    void usersWithAStatusCannotBeEnabled()
    {
        QFETCH(QString, user);
        WindowDriver w = open();
        QVERIFY(w.selectUser(user));
        w.action("actionDisableUser")->trigger();
        QVERIFY(!w.userState(user)->isEnable());

        trigger("actionEnableUser", {QMessageBox::Ok});
        expectBox(QStringLiteral("Action rejected"), QStringLiteral("User having errors cannot be activated"));
        QVERIFY(!w.userState(user)->isEnable());
        QVERIFY(w.action("actionEnableUser")->isEnabled());
    }

    void deletingAUser()
    {
        WindowDriver w = open();
        QVERIFY(w.selectUser(QStringLiteral("daemon")));

        trigger("actionDeleteUser", {QMessageBox::No});
        expectBox(QStringLiteral("Delete kiosk user rules"), QStringLiteral("Are you sure want to delete kiosk rules for 'daemon'?"));
        QVERIFY(w.userItem(QStringLiteral("daemon")));
        QVERIFY(!m_window->systemState()->isChanged());

        trigger("actionDeleteUser", {QMessageBox::Yes});
        QVERIFY(!w.userItem(QStringLiteral("daemon")));
        QVERIFY(!w.userState(QStringLiteral("daemon")));
        QCOMPARE(m_window->systemState()->removedUsers().size(), 1);
        QCOMPARE((*m_window->systemState()->removedUsers().cbegin())->name(), QStringLiteral("daemon"));
        QVERIFY(m_window->systemState()->isChanged());
        QCOMPARE(w.users()->count(), 4);
    }

    void profilesInUseCannotBeDeleted()
    {
        WindowDriver w = open();
        QVERIFY(w.select(QStringLiteral("daemon"), QStringLiteral("base")));

        trigger("actionDeleteProfile", {QMessageBox::Ok});
        // Every includer but the selected user, in alphabetical order.
        expectBox(QStringLiteral("Cannot delete profile"), QStringLiteral("Profile 'base' used by 'bin', 'games', 'kioskghost' and 'orla-desktop'"));
        QCOMPARE(m_answerer->boxes().first().icon, QMessageBox::Critical);
        QVERIFY(w.profileState(QStringLiteral("base")));
        QVERIFY(!m_window->systemState()->isChanged());
    }

    void deletingAnUnusedProfile()
    {
        KioskTree::writeProfile(QStringLiteral("selfish"), QStringLiteral("@include selfish\n+file r u: /s\n"));
        WindowDriver w = open();
        QVERIFY(w.select(QStringLiteral("daemon"), QStringLiteral("empty")));

        trigger("actionDeleteProfile", {QMessageBox::No});
        expectBox(QStringLiteral("Delete kiosk profile"), QStringLiteral("Are you sure want to delete kiosk profile 'empty'?"));
        QVERIFY(w.profileState(QStringLiteral("empty")));

        trigger("actionDeleteProfile", {QMessageBox::Yes});
        QVERIFY(!w.profileState(QStringLiteral("empty")));
        QVERIFY(!w.profileItem(QStringLiteral("empty")));
        QCOMPARE(m_window->systemState()->removedProfiles().size(), 1);
        QVERIFY(m_window->systemState()->isChanged());

        // Its own include does not keep a profile in use.
        QVERIFY(w.selectProfile(QStringLiteral("selfish")));
        triggerAfresh("actionDeleteProfile", {QMessageBox::Yes});
        QCOMPARE(m_answerer->titles(), QStringList{QStringLiteral("Delete kiosk profile")});
        QVERIFY(!w.profileState(QStringLiteral("selfish")));

        // Nor does the selected user's; the include with an error goes with the profile.
        QVERIFY(w.setChecked(QStringLiteral("usesBroken"), true));
        QVERIFY(w.selectProfile(QStringLiteral("usesBroken")));
        triggerAfresh("actionDeleteProfile", {QMessageBox::Yes});
        QCOMPARE(m_answerer->titles(), QStringList{QStringLiteral("Delete kiosk profile")});
        QVERIFY(!w.profileState(QStringLiteral("usesBroken")));
        UserState *daemon = w.userState(QStringLiteral("daemon"));
        QCOMPARE(WindowDriver::includes(daemon), QStringList{QStringLiteral("base")});
        QCOMPARE(daemon->status(), QSet<int>{});
        QCOMPARE(w.userItem(QStringLiteral("daemon"))->text(), QStringLiteral("daemon"));
    }

    void movingOwnRulesIntoAProfile()
    {
        KioskTree::writeProfile(QStringLiteral("sys_extra_1"), QStringLiteral("+file r u: /one\n"));
        KioskTree::writeProfile(QStringLiteral("sys_extra_3"), QStringLiteral("+file r u: /three\n"));
        WindowDriver w = open();
        QVERIFY(w.selectUser(QStringLiteral("sys")));

        trigger("actionShowUserStatus", {QMessageBox::No});
        expectBox(QStringLiteral("User rules"),
                  QStringLiteral("User 'sys' has object rules descriptions. "
                                 "To be able to edit a profile, you need to make the rules in a separate profile, which will be included in the user. "
                                 "Do you want to make the rules in a separate profile?"));
        QCOMPARE(m_answerer->boxes().first().buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(!m_window->systemState()->isChanged());
        QVERIFY(!w.profileState(QStringLiteral("sys_extra_4")));

        trigger("actionShowUserStatus", {QMessageBox::Yes});
        UserState *sys = w.userState(QStringLiteral("sys"));
        ProfileState *extracted = w.profileState(QStringLiteral("sys_extra_4"));
        QVERIFY(extracted);
        QCOMPARE(extracted->file()->data().objectRules().size(), 1);
        QVERIFY(sys->file()->data().objectRules().isEmpty());
        QCOMPARE(WindowDriver::includes(sys), QStringList{QStringLiteral("sys_extra_4")});
        QCOMPARE(sys->status(), QSet<int>{});
        QCOMPARE(w.userItem(QStringLiteral("sys"))->text(), QStringLiteral("sys"));

        // The user can have profiles ticked now, the new one among them.
        QVERIFY(w.profilesBox()->isEnabled());
        QCOMPARE(w.checkedProfiles(), QStringList{QStringLiteral("sys_extra_4")});
        QCOMPARE(w.profileItem(QStringLiteral("sys_extra_4"))->text(), QStringLiteral("sys_extra_4"));
        QVERIFY(!w.action("actionShowUserStatus")->isVisible());
        QVERIFY(m_window->systemState()->isChanged());
    }

    void addingAUser()
    {
        KioskTree::setPasswd({QStringLiteral("root:x:0:0:root:/root:/bin/bash"),
                              QStringLiteral("carol:x:1002:1002::/home/carol:/bin/bash"),
                              QStringLiteral("alice:x:1001:1001::/home/alice:/bin/bash"),
                              QStringLiteral("kioskghost:x:1003:1003::/home/kioskghost:/bin/bash"),
                              // Accounts whose names the program cannot manage.
                              QStringLiteral("2fast:x:1004:1004::/home/2fast:/bin/bash"),
                              QStringLiteral("averyveryveryveryverylongaccount1:x:1005:1005::/home/l:/bin/bash"),
                              QStringLiteral("nobody:x:65534:65534::/nonexistent:/usr/sbin/nologin")});
        WindowDriver w = open();

        QStringList offered;
        QStringList copyable;
        m_answerer->handle([&offered, &copyable](QWidget *widget) {
            auto *users = widget->findChild<QComboBox *>(QStringLiteral("usersComboBox"));
            auto *copy = widget->findChild<QCheckBox *>(QStringLiteral("copyUserCheckBox"));
            auto *others = widget->findChild<QComboBox *>(QStringLiteral("otherUsersComboBox"));
            for (int i = 0; i < users->count(); ++i) {
                offered << users->itemText(i);
            }
            for (int i = 0; i < others->count(); ++i) {
                copyable << others->itemText(i);
            }
            users->setCurrentIndex(users->findText(QStringLiteral("carol")));
            copy->setChecked(true);
            others->setCurrentIndex(others->findText(QStringLiteral("bin (disabled)")));
            widget->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        trigger("actionAddUser");

        // Accounts that are kiosk users already are not offered; system and
        // nobody accounts, and names the program cannot take, never.
        QCOMPARE(offered, (QStringList{QStringLiteral("alice"), QStringLiteral("carol")}));
        // Only users without any status can be copied.
        QCOMPARE(copyable, (QStringList{QStringLiteral("bin (disabled)"), QStringLiteral("daemon")}));

        UserState *carol = w.userState(QStringLiteral("carol"));
        QVERIFY(carol);
        QVERIFY(carol->isEnable());
        QVERIFY(carol->isChanged());
        QVERIFY(!carol->file()->exists());
        QCOMPARE(WindowDriver::includes(carol), QStringList{QStringLiteral("base")});
        QVERIFY(m_window->systemState()->isChanged());
        QVERIFY(w.userItem(QStringLiteral("carol")));
        QCOMPARE(m_window->selectedUser(), carol);
    }

    // Cancelled, with no account left to offer, or without the accounts at all.
    void addingAUserThatDoesNotHappen()
    {
        KioskTree::setPasswd({QStringLiteral("alice:x:1001:1001::/home/alice:/bin/bash")});
        WindowDriver w = open();
        m_answerer->handle([](QWidget *widget) {
            widget->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        });
        trigger("actionAddUser");

        KioskTree::setPasswd({QStringLiteral("kioskghost:x:1003:1003::/home/kioskghost:/bin/bash")});
        triggerAfresh("actionAddUser", {QMessageBox::Ok});
        expectBox(QStringLiteral("Warning"), QStringLiteral("Kiosk rules were created for all users"));

        QFile::remove(QString::fromUtf8(SystemPaths::passwdFile));
        triggerAfresh("actionAddUser", {QMessageBox::Ok});
        expectBox(QStringLiteral("Read users error"),
                  QStringLiteral("Could not read user list. File '%1' reading error").arg(QString::fromUtf8(SystemPaths::passwdFile)));
        QCOMPARE(w.users()->count(), 5);
        QVERIFY(!m_window->systemState()->isChanged());
    }

    void statusLine_data()
    {
        QTest::addColumn<bool>("enforce");
        QTest::addColumn<bool>("autoEnforce");
        QTest::addColumn<bool>("complain");
        QTest::addColumn<QString>("text");

        QTest::newRow("off") << false << false << false << QStringLiteral("Kiosk mode: <b>Off</b>");
        QTest::newRow("on") << true << true << false << QStringLiteral("Kiosk mode: <b>On</b>");
        QTest::newRow("on until reboot") << true << false << false << QStringLiteral("Kiosk mode now: <b>On</b>, after reboot will: <b>Off</b>");
        QTest::newRow("recording") << false << false << true << QStringLiteral("Kiosk mode: <b>Off</b>. Global kiosk rules record mode: <b>Enabled</b>");
    }

    void statusLine()
    {
        QFETCH(bool, enforce);
        QFETCH(bool, autoEnforce);
        QFETCH(bool, complain);
        QFETCH(QString, text);

        KioskTree::setSwitches(enforce, autoEnforce, complain);
        WindowDriver w = open();
        QCOMPARE(w.statusLabel()->text(), text);
        // While a recording runs the helper answers nothing else.
        QCOMPARE(w.action("actionEnableKioskMode")->isEnabled(), !enforce && !complain);
        QCOMPARE(w.action("actionDisableKioskMode")->isEnabled(), enforce && !complain);
        QVERIFY(w.action("actionGlobalRecordingMode")->isEnabled());
        QCOMPARE(w.action("actionGlobalRecordingMode")->isChecked(), complain);
        // A recording runs in trace mode; the helper would turn a second one away.
        QCOMPARE(w.action("actionCreateProfile")->isEnabled(), !complain);
    }

    void creatingAProfile()
    {
        WindowDriver w = open();
        QVERIFY(w.selectUser(QStringLiteral("daemon")));
        QString recordingTitle;
        // Creating begins with the recording dialog; the administrator declines it.
        m_answerer->handle([&recordingTitle](QWidget *widget) {
            recordingTitle = widget->windowTitle();
            static_cast<QDialog *>(widget)->reject();
        });
        m_answerer->handle([](QWidget *widget) {
            widget->findChild<QLineEdit *>(QStringLiteral("profileNameLineEdit"))->setText(QStringLiteral("viewer"));
            auto *list = widget->findChild<QListWidget *>(QStringLiteral("inclusionListWidget"));
            list->findItems(QStringLiteral("orla-desktop"), Qt::MatchExactly).constFirst()->setCheckState(Qt::Checked);
            widget->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->click();
        });
        trigger("actionCreateProfile");
        QCOMPARE(recordingTitle, QStringLiteral("Writing rules for application"));

        ProfileState *viewer = w.profileState(QStringLiteral("viewer"));
        QVERIFY(viewer);
        QVERIFY(viewer->isChanged());
        QVERIFY(!viewer->file()->exists());
        QCOMPARE(WindowDriver::includes(viewer), QStringList{QStringLiteral("orla-desktop")});
        // Ticked for the selected user, which now includes it.
        QVERIFY(w.checkedProfiles().contains(QStringLiteral("viewer")));
        QCOMPARE(WindowDriver::includes(w.userState(QStringLiteral("daemon"))), (QStringList{QStringLiteral("base"), QStringLiteral("viewer")}));
        QVERIFY(m_window->systemState()->isChanged());
        QVERIFY(!KioskTree::hasProfile(QStringLiteral("viewer")));
    }

    void cancellingReloads()
    {
        WindowDriver w = open();
        QVERIFY(w.selectUser(QStringLiteral("daemon")));
        QVERIFY(w.setChecked(QStringLiteral("orla-desktop"), true));

        trigger("actionCancelChanges", {QMessageBox::No});
        expectBox(QStringLiteral("Cancel changes"), QStringLiteral("Are you sure want to cancel changes?"));
        QVERIFY(m_window->systemState()->isChanged());

        // The module is gone: its switches cannot be read, and the working copy stays.
        QVERIFY(QFile::remove(QString::fromUtf8(SystemPaths::enforceParameter)));
        triggerAfresh("actionCancelChanges", {QMessageBox::Yes, QMessageBox::Ok});
        QCOMPARE(m_answerer->titles(), (QStringList{QStringLiteral("Cancel changes"), QStringLiteral("Data reading error")}));
        QCOMPARE(m_answerer->boxes().at(1).icon, QMessageBox::Critical);
        QVERIFY(m_answerer->boxes().at(1).text.contains(QString::fromUtf8(SystemPaths::enforceParameter)));
        QVERIFY(m_window->systemState()->isChanged());
        QVERIFY(w.checkedProfiles().contains(QStringLiteral("orla-desktop")));

        KioskTree::setSwitches(false, false);
        triggerAfresh("actionCancelChanges", {QMessageBox::Yes});
        QVERIFY(!m_window->systemState()->isChanged());
        QCOMPARE(WindowDriver::includes(w.userState(QStringLiteral("daemon"))), QStringList{QStringLiteral("base")});
        // Nothing of the old working copy is left in the lists.
        QVERIFY(!m_window->selectedUser());
        QCOMPARE(w.profiles()->count(), 0);
        QVERIFY(!w.profilesBox()->isEnabled());
        QVERIFY(!w.action("actionDeleteProfile")->isEnabled());
        QCOMPARE(w.action("actionCancelChanges")->text(), QStringLiteral("Reload data from system"));
        QVERIFY(!w.action("actionSaveChanges")->isEnabled());

        // Unchanged, the same action reads the system again, seeing what changed there.
        KioskTree::writeUser(QStringLiteral("man"), QStringLiteral("@include base\n"));
        triggerAfresh("actionCancelChanges", {QMessageBox::Yes});
        expectBox(QStringLiteral("Reload data"), QStringLiteral("Are you sure want to read data from system again?"));
        QVERIFY(w.userItem(QStringLiteral("man")));
    }

    void closingWithUnsavedChanges()
    {
        WindowDriver w = open();
        QVERIFY(w.selectUser(QStringLiteral("bin")));
        w.action("actionEnableUser")->trigger();

        m_answerer->answer(QMessageBox::Cancel);
        QVERIFY(!m_window->close());
        QVERIFY(m_window->isVisible());
        expectBox(QStringLiteral("Unsaved changes"),
                  QStringLiteral("Configuration was changed. If changes are seved they will take effect immediately after users relog. "
                                 "Do you want to save changes?"));
        QCOMPARE(m_answerer->boxes().first().buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

        // Disabling a user takes a reboot, and the question says so.
        QVERIFY(w.selectUser(QStringLiteral("daemon")));
        w.action("actionDisableUser")->trigger();
        m_answerer->reset();
        m_answerer->answer(QMessageBox::No);
        QVERIFY(m_window->close());
        expectNoStrayBoxes();
        QVERIFY(m_answerer->boxes().first().text.contains(QStringLiteral("after system reboot")));
        QVERIFY(!m_window->isVisible());
        // Nothing was saved.
        QVERIFY(KioskTree::hasUser(QStringLiteral("bin"), false));
        QVERIFY(KioskTree::hasUser(QStringLiteral("daemon")));
    }

    void geometryFromNoneToTheLastOne()
    {
        Settings::MainWindow settings;
        settings.setGeometry(QByteArray());
        settings.setState(QByteArray());
        settings.save();
        WindowDriver w = open();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        // The lists take the height, the status line only its text's.
        QVERIFY2(w.users()->height() >= 300, qPrintable(QString::number(w.users()->height())));
        QVERIFY2(w.profiles()->width() >= 300, qPrintable(QString::number(w.profiles()->width())));
        QVERIFY2(w.statusLabel()->height() <= 2 * w.statusLabel()->sizeHint().height(), qPrintable(QString::number(w.statusLabel()->height())));

        // Closing keeps the geometry for the next start.
        m_window->resize(600, 500);
        QVERIFY(m_window->close());
        expectNoStrayBoxes();
        m_window.reset();
        open();
        QCOMPARE(m_window->size(), QSize(600, 500));
    }

    void failedFirstLoadLeavesTheWindowReadOnly()
    {
        // Without the module's switches nothing is read: the window must not
        // offer to save its empty working copy over the system.
        QVERIFY(QFile::remove(QString::fromUtf8(SystemPaths::enforceParameter)));
        m_answerer->answer(QMessageBox::Ok);
        WindowDriver w = start();
        QCOMPARE(m_answerer->titles(), QStringList{QStringLiteral("Data reading error")});
        QVERIFY(w.users()->count() == 0);
        QVERIFY(!w.action("actionAddUser")->isEnabled());
        QVERIFY(!w.action("actionEnableKioskMode")->isEnabled());
        QVERIFY(!w.action("actionGlobalRecordingMode")->isEnabled());
        QVERIFY(w.statusLabel()->text().startsWith(QStringLiteral("Read only mode")));
        m_window->close();
        QVERIFY(!m_window->isVisible());

        // With the switches back, a reload gives the window back.
        KioskTree::setSwitches(false, false);
        m_window->show();
        trigger("actionCancelChanges", {QMessageBox::Yes});
        QCOMPARE(w.users()->count(), 5);
        QVERIFY(w.action("actionAddUser")->isEnabled());
        QVERIFY(!w.statusLabel()->text().contains(QStringLiteral("Read only mode")));
    }
};

QTEST_MAIN(MainWindowTest)

#include "mainwindowtest.moc"
