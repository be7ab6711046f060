/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Editing a profile from the main window: when the editor is offered, what
// the window does with what it hands back, and how the statuses of the
// profiles and users around the edited one follow.
//
// Runs on the private test bus, where the authorisation service lets this
// process change things; without it the window would be read-only.

#include "mainwindowtestcase.h"

class EditProfileWindowTest : public MainWindowTestCase
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        MainWindowTestCase::init();
        KioskTree::writeProfile(QStringLiteral("base"), QStringLiteral("+file r uo: /etc/hosts\n"));
        KioskTree::writeProfile(QStringLiteral("desktop"), QStringLiteral("@include base\n+file rw u: /tmp\n"));
        KioskTree::writeProfile(QStringLiteral("broken"), QStringLiteral("+file r u: /x\nthis is not a rule\n"));
        KioskTree::writeProfile(QStringLiteral("dangling"), QStringLiteral("@include nowhere\n"));
        // Accounts every Linux system has.
        KioskTree::writeUser(QStringLiteral("daemon"), QStringLiteral("@include desktop\n@include base\n"));
        KioskTree::writeUser(QStringLiteral("bin"), QStringLiteral("@include dangling\n@include ghost\n"));
        KioskTree::setSwitches(false, false);
    }

    void notReadOnlyOnTheTestBus()
    {
        open();
        QVERIFY2(!m_window->systemState()->readOnlyInfo().readOnly,
                 "the window is read-only: run this test on the private test bus, which lets it change the kiosk configuration");
    }

    void editIsOfferedForEditableProfiles()
    {
        WindowDriver w = open();
        QAction *edit = w.action("actionEditProfile");
        QVERIFY(w.selectUser(QStringLiteral("bin")));
        QVERIFY(!edit->isEnabled());
        QCOMPARE(edit->text(), QStringLiteral("Edit profile"));

        // An unknown include is an error that still lets the profile be edited;
        // unreadable lines and a profile that does not exist do not.
        QVERIFY(w.selectProfile(QStringLiteral("dangling")));
        QVERIFY(edit->isEnabled());
        QVERIFY(w.selectProfile(QStringLiteral("broken")));
        QVERIFY(!edit->isEnabled());
        QVERIFY(w.selectProfile(QStringLiteral("ghost")));
        QVERIFY(!edit->isEnabled());

        // Triggered anyway, nothing opens.
        m_window->editProfileActionTriggered();
        QVERIFY(!m_window->systemState()->isChanged());
        expectNoStrayBoxes();
    }

    void editsReachTheWorkingCopyOnlyWhenAccepted()
    {
        WindowDriver w = open();
        QVERIFY(w.select(QStringLiteral("daemon"), QStringLiteral("desktop")));
        inEditor([](EditProfileDialog *, const EditorForm &f) {
            f.table->item(0, EditProfileDialog::FilenameColumn)->setText(QStringLiteral("/var/tmp"));
            f.name->setText(QStringLiteral("renamed"));
            return false;
        });
        trigger("actionEditProfile");
        // Cancelled, nothing changed.
        QVERIFY(!m_window->systemState()->isChanged());
        QVERIFY(!w.action("actionSaveChanges")->isEnabled());
        QCOMPARE(w.profileState(QStringLiteral("desktop"))->file()->data().objectRules().cbegin()->filename(), QStringLiteral("/tmp"));
        QCOMPARE(w.includes(w.userState(QStringLiteral("daemon"))), (QStringList{QStringLiteral("base"), QStringLiteral("desktop")}));

        QString title;
        inEditor(
            [](EditProfileDialog *, const EditorForm &f) {
                f.table->item(0, EditProfileDialog::FilenameColumn)->setText(QStringLiteral("/var/tmp"));
                return true;
            },
            &title);
        trigger("actionEditProfile");
        QCOMPARE(title, QStringLiteral("Edit profile: desktop"));

        ProfileState *desktop = w.profileState(QStringLiteral("desktop"));
        QVERIFY(desktop->isChanged());
        QVERIFY(m_window->systemState()->isChanged());
        QVERIFY(w.action("actionSaveChanges")->isEnabled());
        const auto rules = desktop->file()->data().objectRules();
        QCOMPARE(rules.size(), 1);
        QCOMPARE(rules.cbegin()->filename(), QStringLiteral("/var/tmp"));
        QCOMPARE(w.includes(desktop), QStringList{QStringLiteral("base")});
        // The status line was read again.
        QCOMPARE(w.statusLabel()->text(), QStringLiteral("Kiosk mode: <b>Off</b>"));
    }

    void renamingReachesIncludersAndTheList()
    {
        WindowDriver w = open();
        QVERIFY(w.select(QStringLiteral("daemon"), QStringLiteral("base")));
        QString tip;
        inEditor([&tip](EditProfileDialog *, const EditorForm &f) {
            // The editor sees the whole working state: desktop includes base,
            // so base's editor refuses to include desktop.
            tip = f.entry(QStringLiteral("desktop"))->toolTip();
            f.name->setText(QStringLiteral("core"));
            return true;
        });
        trigger("actionEditProfile");
        QCOMPARE(tip, QStringLiteral("'base' used in 'desktop'"));

        ProfileState *core = w.profileState(QStringLiteral("core"));
        QVERIFY(core);
        QVERIFY(!w.profileState(QStringLiteral("base")));
        QCOMPARE(w.includes(w.profileState(QStringLiteral("desktop"))), QStringList{QStringLiteral("core")});
        QCOMPARE(w.includes(w.userState(QStringLiteral("daemon"))), (QStringList{QStringLiteral("core"), QStringLiteral("desktop")}));
        // The list shows the new name, still ticked for the user, with no
        // unknown include anywhere.
        QVERIFY(w.profileTexts().contains(QStringLiteral("core")));
        QVERIFY(w.checkedProfiles().contains(QStringLiteral("core")));
        QVERIFY(w.profileState(QStringLiteral("desktop"))->status().isEmpty());
        QVERIFY(w.userState(QStringLiteral("daemon"))->status().isEmpty());
    }

    void renamingToAnUnknownIncludeResolvesIt()
    {
        WindowDriver w = open();
        QVERIFY(w.selectUser(QStringLiteral("bin")));
        QVERIFY(w.userState(QStringLiteral("bin"))->status().contains(AbstractProfileState::StatusUnknownIncludes));
        QVERIFY(w.selectProfile(QStringLiteral("base")));
        inEditor([](EditProfileDialog *, const EditorForm &f) {
            f.name->setText(QStringLiteral("ghost"));
            return true;
        });
        trigger("actionEditProfile");

        // bin's include of ghost names a profile now: no unknown include, and
        // the list holds ghost once, ticked, no placeholder beside it.
        QVERIFY(!w.userState(QStringLiteral("bin"))->status().contains(AbstractProfileState::StatusUnknownIncludes));
        QCOMPARE(w.profileTexts().filter(QStringLiteral("ghost")), QStringList{QStringLiteral("ghost")});
        QVERIFY(w.checkedProfiles().contains(QStringLiteral("ghost")));
        QCOMPARE(m_window->selectedProfile(), w.profileState(QStringLiteral("ghost")));
    }

    void includersFollowTheEditedProfilesErrors()
    {
        WindowDriver w = open();
        QVERIFY(w.select(QStringLiteral("daemon"), QStringLiteral("base")));
        QVERIFY(w.userState(QStringLiteral("daemon"))->status().isEmpty());

        // A rule without a filename is kept, and makes the profile invalid:
        // whoever includes it now includes a profile with errors.
        inEditor([](EditProfileDialog *, const EditorForm &f) {
            f.table->item(0, EditProfileDialog::FilenameColumn)->setText(QString());
            return true;
        });
        trigger("actionEditProfile");
        QCOMPARE(w.profileState(QStringLiteral("base"))->status(), QSet<int>{AbstractProfileState::StatusInvalidObjectRules});
        QCOMPARE(w.profileState(QStringLiteral("desktop"))->status(), QSet<int>{AbstractProfileState::StatusIncludeWithError});
        QCOMPARE(w.userState(QStringLiteral("daemon"))->status(), QSet<int>{AbstractProfileState::StatusIncludeWithError});
        QVERIFY(w.userTexts().contains(QStringLiteral("daemon (has errors)")));
        QVERIFY(w.action("actionShowProfileStatus")->isVisible());
        // Its text is damaged now: it is no longer offered for editing.
        QVERIFY(!w.action("actionEditProfile")->isEnabled());

        // Mended, an included profile's error leaves its includers.
        QVERIFY(w.selectUser(QStringLiteral("bin")));
        QCOMPARE(w.userState(QStringLiteral("bin"))->status(),
                 (QSet<int>{AbstractProfileState::StatusUnknownIncludes, AbstractProfileState::StatusIncludeWithError}));
        QVERIFY(w.selectProfile(QStringLiteral("dangling")));
        inEditor([](EditProfileDialog *, const EditorForm &f) {
            f.entry(QStringLiteral("nowhere"))->setCheckState(Qt::Unchecked);
            return true;
        });
        trigger("actionEditProfile");
        // Empty now, which is only a warning.
        QCOMPARE(w.profileState(QStringLiteral("dangling"))->status(), QSet<int>{AbstractProfileState::StatusNoData});
        QCOMPARE(w.userState(QStringLiteral("bin"))->status(), QSet<int>{AbstractProfileState::StatusUnknownIncludes});
    }

    void doubleClickOpensTheEditor()
    {
        WindowDriver w = open();
        QVERIFY(w.select(QStringLiteral("daemon"), QStringLiteral("desktop")));
        QString title;
        inEditor(
            [](EditProfileDialog *, const EditorForm &) {
                return false;
            },
            &title);
        QListWidget *list = w.profiles();
        Q_EMIT list->doubleClicked(list->model()->index(list->row(w.profileItem(QStringLiteral("desktop"))), 0));
        QCOMPARE(title, QStringLiteral("Edit profile: desktop"));
        expectNoStrayBoxes();

        // Not on a profile that cannot be edited.
        QVERIFY(w.selectProfile(QStringLiteral("broken")));
        Q_EMIT list->doubleClicked(list->model()->index(list->row(w.profileItem(QStringLiteral("broken"))), 0));
        QTest::qWait(50);
        expectNoStrayBoxes();
    }
};

QTEST_MAIN(EditProfileWindowTest)

#include "editprofilewindowtest.moc"
