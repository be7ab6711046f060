/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The recording dialog, the menu picker it opens and the dialog that waits
// for a recording, on the offscreen platform. The terminals the recording
// dialog offers are looked for below the scratch root, where each case
// decides which are installed.

#include "mainwindowtestcase.h"

#include "desktop/orlamenudialog.h"
#include "dialogs/traceprocessdialog.h"
#include "dialogs/tracewaitdialog.h"
#include "profile/profileparser.h"
#include "profile/userprofilefile.h"
#include "systempaths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace
{
const QString cat = QStringLiteral("/usr/bin/cat");

template<typename Widget>
Widget *child(QWidget *dialog, const char *name)
{
    return dialog->findChild<Widget *>(QString::fromLatin1(name));
}

QPushButton *okOf(QWidget *dialog)
{
    return child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok);
}
}

class TraceProcessDialogTest : public DialogTestCase
{
    Q_OBJECT

    ProfileFile m_profile{QStringLiteral("app"), true};
    const QString m_xterm = QString::fromUtf8(SystemPaths::xtermProgram);

private Q_SLOTS:
    void init()
    {
        QFile::remove(m_xterm);
        DialogTestCase::init();
        m_profile.setData(ProfileParser::parseText(QStringLiteral("+file r u: /etc/app\n")).data());
    }

    void cleanup()
    {
        DialogTestCase::cleanup();
        QFile::remove(m_xterm);
    }

    void commandWords()
    {
        // Joined with single spaces the words give the spacing back.
        QCOMPARE(TraceProcessDialog::commandWords(QStringLiteral(" ") + cat + QStringLiteral("  file")), (QStringList{cat, QString(), QStringLiteral("file")}));
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QVERIFY(plain.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        for (const QString &text : {QStringLiteral("/usr/bin"), QStringLiteral("/usr/bin/no-such-program"), plain.fileName(), QStringLiteral("cat")}) {
            QVERIFY2(TraceProcessDialog::commandWords(text).isEmpty(), qPrintable(text));
        }
    }

    void withoutDefaultTerminalTheCustomOneIsChosen()
    {
        const ProfileFile empty(QString(), false);
        TraceProcessDialog dialog(nullptr, m_state.get(), &empty, nullptr);
        QCOMPARE(child<QComboBox>(&dialog, "defaultTerminalComboBox")->count(), 0);
        QVERIFY(child<QRadioButton>(&dialog, "customTerminalRadioButton")->isChecked());
        QVERIFY(!child<QRadioButton>(&dialog, "defaultTerminalRadioButton")->isEnabled());
        QVERIFY(!okOf(&dialog)->isEnabled());
        // Nothing to overwrite in an empty profile.
        QCOMPARE(child<QLabel>(&dialog, "overwriteLabel")->text(), QStringLiteral("Profile is empty"));
        QVERIFY(!child<QCheckBox>(&dialog, "overwriteCheckBox")->isEnabled());

        child<QLineEdit>(&dialog, "executableFileLineEdit")->setText(cat + QStringLiteral(" /etc/hostname"));
        QVERIFY(okOf(&dialog)->isEnabled());
        QCOMPARE(dialog.executableName(), QStringLiteral("cat"));
        // A terminal asked for but not named: nothing to run the application in.
        child<QGroupBox>(&dialog, "usingTerninalGroupBox")->setChecked(true);
        QVERIFY(!okOf(&dialog)->isEnabled());
        child<QLineEdit>(&dialog, "customTerminalLineEdit")->setText(QStringLiteral("/usr/bin/env -e"));
        QVERIFY(okOf(&dialog)->isEnabled());
        QCOMPARE(dialog.traceCommand().join(QLatin1Char(' ')), QStringLiteral("/usr/bin/env -e /usr/bin/cat /etc/hostname"));
    }

    void installedTerminalIsTheDefault()
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_xterm).path()));
        QFile xterm(m_xterm);
        QVERIFY(xterm.open(QIODevice::WriteOnly));
        QVERIFY(xterm.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));

        TraceProcessDialog dialog(nullptr, m_state.get(), &m_profile, nullptr);
        QCOMPARE(child<QComboBox>(&dialog, "defaultTerminalComboBox")->itemText(0), QStringLiteral("xterm"));
        QVERIFY(child<QRadioButton>(&dialog, "defaultTerminalRadioButton")->isChecked());
        child<QLineEdit>(&dialog, "executableFileLineEdit")->setText(cat);
        child<QGroupBox>(&dialog, "usingTerninalGroupBox")->setChecked(true);
        QCOMPARE(dialog.traceCommand(), (QStringList{m_xterm, QStringLiteral("-e"), cat}));
    }

    void userRulesChoice()
    {
        auto addUser = [this](const QString &name, bool enabled) {
            UserProfileFile file(name, true);
            file.setData(ProfileParser::parseText(QStringLiteral("@include app\n")).data());
            file.setEnable(enabled);
            auto *user = new UserState(file);
            m_state->addUser(user);
            // As loaded from disk: nothing unsaved.
            user->setChanged(false);
            return user;
        };
        {
            TraceProcessDialog dialog(nullptr, m_state.get(), &m_profile, addUser(QStringLiteral("bob"), false));
            QCOMPARE(child<QRadioButton>(&dialog, "considerUserRadioButton")->text(),
                     QStringLiteral("skip available user 'bob' rules entry (user is disabled)"));
            QVERIFY(!child<QRadioButton>(&dialog, "considerUserRadioButton")->isEnabled());
            QVERIFY(!dialog.considerUserRules());
        }

        // An account nobody logs in to, whose saved profile includes the one recorded into.
        TraceProcessDialog dialog(nullptr, m_state.get(), &m_profile, addUser(QStringLiteral("nobody"), true));
        QVERIFY(dialog.considerUserRules());
        QCOMPARE(child<QLabel>(&dialog, "overwriteLabel")->text(), QStringLiteral("User 'nobody' contains 'app' profile"));
        QCOMPARE(child<QLabel>(&dialog, "changesLabel")->text(), QStringLiteral("Current profile 'app' unsaved changes will not be skipped"));
        QVERIFY(!child<QCheckBox>(&dialog, "overwriteCheckBox")->isEnabled());

        child<QRadioButton>(&dialog, "ignoreUserRadioButton")->setChecked(true);
        QVERIFY(child<QLabel>(&dialog, "changesLabel")->isHidden());
        child<QCheckBox>(&dialog, "overwriteCheckBox")->setChecked(true);
        QVERIFY(dialog.overwriteProfile());
    }

    void menuListsApplicationsWithoutFieldCodes()
    {
        QTemporaryDir menu;
        auto entry = [&menu](const QString &file, const QByteArray &body) {
            QFile desktop(menu.filePath(file));
            QVERIFY(desktop.open(QIODevice::WriteOnly));
            desktop.write("[Desktop Entry]\n" + body);
        };
        QVERIFY(QDir(menu.path()).mkdir(QStringLiteral("office")));
        entry(QStringLiteral("editor.desktop"), "Type=Application\nName=Editor\nExec=editor --new %U\n");
        entry(QStringLiteral("office/calc.desktop"), "Type=Application\nName=calc\nExec=calc \"%f\" --rate=100%%\n");
        entry(QStringLiteral("hidden.desktop"), "Type=Application\nName=Hidden\nExec=hidden\nNoDisplay=true\n");
        entry(QStringLiteral("site.desktop"), "Type=Link\nName=Site\nURL=http://localhost/\n");

        OrlaMenuDialog dialog(menu.path(), -1, false, false);
        auto *list = dialog.findChild<QListWidget *>();
        QCOMPARE(WindowDriver::texts(list), (QStringList{QStringLiteral("calc"), QStringLiteral("Editor")}));
        list->setCurrentRow(0);
        QCOMPARE(dialog.selectedItemExec(QString(), QString()), QStringLiteral("calc --rate=100%"));
        list->setCurrentRow(1);
        QCOMPARE(dialog.selectedItemExec(QString(), QString()), QStringLiteral("editor --new"));

        // A folder that does not exist lists the system's applications, as no folder does.
        OrlaMenuDialog fallback(menu.filePath(QStringLiteral("none")), -1, false, false);
        OrlaMenuDialog system(QString(), -1, false, false);
        QCOMPARE(WindowDriver::texts(fallback.findChild<QListWidget *>()), WindowDriver::texts(system.findChild<QListWidget *>()));
    }

    void menuCommandGetsItsDirectory()
    {
        if (QFile::exists(QStringLiteral("/usr/local/bin/cat"))) {
            QSKIP("this machine has its own cat in /usr/local/bin");
        }
        TraceProcessDialog dialog(nullptr, m_state.get(), &m_profile, nullptr);
        auto pick = [this, &dialog](const QString &exec) {
            m_answerer->handle([exec](QWidget *menu) {
                auto *list = menu->findChild<QListWidget *>();
                list->setCurrentItem(new QListWidgetItem(QStringLiteral("picked"), list));
                list->currentItem()->setData(Qt::UserRole, exec);
                static_cast<QDialog *>(menu)->accept();
            });
            child<QPushButton>(&dialog, "fromMenuButton")->click();
            return child<QLineEdit>(&dialog, "executableFileLineEdit")->text();
        };
        QCOMPARE(pick(QStringLiteral("cat %f")), cat);
        QVERIFY(okOf(&dialog)->isEnabled());
        // A command with its directory is taken as it is, whether it runs or not.
        QCOMPARE(pick(QStringLiteral("/opt/tool --x")), QStringLiteral("/opt/tool --x"));
        QVERIFY(!okOf(&dialog)->isEnabled());
    }

    void waitingDialogEndsOnlyWithTheRecording()
    {
        TraceWaitDialog dialog(nullptr);
        auto *close = child<QPushButton>(&dialog, "closeApplicationButton");
        auto *stopWaiting = child<QPushButton>(&dialog, "stopWaitingButton");
        QSignalSpy closeRequests(&dialog, &TraceWaitDialog::closeApplicationRequested);
        m_answerer->handle([&](QWidget *) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
            dialog.close();
            QVERIFY(dialog.isVisible());
            // No process yet: closing does nothing, giving up is offered.
            close->click();
            QVERIFY(!stopWaiting->isHidden());
            dialog.setApplicationPid(4242);
            QVERIFY(stopWaiting->isHidden());
            close->click();
            close->click();
            dialog.setApplicationPid(-1);
            close->click();
            dialog.finish();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(closeRequests.count(), 1);

        TraceWaitDialog givenUp(nullptr);
        m_answerer->handle([&givenUp](QWidget *) {
            child<QPushButton>(&givenUp, "stopWaitingButton")->click();
        });
        QCOMPARE(givenUp.exec(), int(QDialog::Rejected));

        // Ended before it showed: never shown, so nothing is left waiting.
        TraceWaitDialog ended(nullptr);
        ended.finish();
        QCOMPARE(ended.exec(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TraceProcessDialogTest)

#include "traceprocessdialogtest.moc"
