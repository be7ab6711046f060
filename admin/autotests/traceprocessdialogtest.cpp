// The recording dialog, the menu picker it opens and the dialog that waits
// for a recording, on the offscreen platform. The terminals the recording
// dialog offers are looked for below the scratch root, where each case
// decides which are installed.

#include "modalanswerer.h"

#include "desktop/orlamenudialog.h"
#include "dialogs/traceprocessdialog.h"
#include "dialogs/tracewaitdialog.h"
#include "profile/profileparser.h"
#include "profile/userprofilefile.h"
#include "state/profilestate.h"
#include "state/systemstate.h"
#include "state/userstate.h"
#include "systempaths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace
{
const QString program = QStringLiteral("/usr/bin/cat");

void writeEntry(const QString &dir, const QString &file, const QString &body)
{
    QFile entry(dir + QLatin1Char('/') + file);
    QVERIFY(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\n" + body.toUtf8());
}

QStringList texts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->item(i)->text();
    }
    return texts;
}

// The recording dialog's widgets, by the object names of its form.
struct Form {
    explicit Form(TraceProcessDialog &dialog)
        : executable(dialog.findChild<QLineEdit *>(QStringLiteral("executableFileLineEdit")))
        , fromMenu(dialog.findChild<QPushButton *>(QStringLiteral("fromMenuButton")))
        , considerUser(dialog.findChild<QRadioButton *>(QStringLiteral("considerUserRadioButton")))
        , ignoreUser(dialog.findChild<QRadioButton *>(QStringLiteral("ignoreUserRadioButton")))
        , terminal(dialog.findChild<QGroupBox *>(QStringLiteral("usingTerninalGroupBox")))
        , defaultTerminal(dialog.findChild<QRadioButton *>(QStringLiteral("defaultTerminalRadioButton")))
        , terminals(dialog.findChild<QComboBox *>(QStringLiteral("defaultTerminalComboBox")))
        , customTerminal(dialog.findChild<QRadioButton *>(QStringLiteral("customTerminalRadioButton")))
        , customTerminalCommand(dialog.findChild<QLineEdit *>(QStringLiteral("customTerminalLineEdit")))
        , overwrite(dialog.findChild<QCheckBox *>(QStringLiteral("overwriteCheckBox")))
        , overwriteNote(dialog.findChild<QLabel *>(QStringLiteral("overwriteLabel")))
        , changesNote(dialog.findChild<QLabel *>(QStringLiteral("changesLabel")))
        , ok(dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok))
    {
    }

    QLineEdit *executable;
    QPushButton *fromMenu;
    QRadioButton *considerUser;
    QRadioButton *ignoreUser;
    QGroupBox *terminal;
    QRadioButton *defaultTerminal;
    QComboBox *terminals;
    QRadioButton *customTerminal;
    QLineEdit *customTerminalCommand;
    QCheckBox *overwrite;
    QLabel *overwriteNote;
    QLabel *changesNote;
    QPushButton *ok;
};
}

class TraceProcessDialogTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<SystemState> m_state;
    std::unique_ptr<ModalAnswerer> m_answerer;
    ProfileFile m_profile{QStringLiteral("app"), true};

    static QString scratchXterm()
    {
        return QString::fromUtf8(SystemPaths::xtermProgram);
    }

    UserState *addUser(const QString &name, const QString &text, bool enabled = true)
    {
        UserProfileFile file(name, true);
        file.setData(ProfileParser::parseText(text).data());
        file.setEnable(enabled);
        auto *user = new UserState(file);
        m_state->addUser(user);
        // As loaded from disk: nothing unsaved.
        user->setChanged(false);
        return user;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(!QString::fromUtf8(SystemPaths::systemRoot).isEmpty());
        QFile::remove(scratchXterm());
        QFile::remove(QString::fromUtf8(SystemPaths::orlaTermProgram));
        m_state = std::make_unique<SystemState>();
        m_answerer = std::make_unique<ModalAnswerer>();
        m_profile.setData(ProfileParser::parseText(QStringLiteral("+file r u: /etc/app\n")).data());
    }

    void cleanup()
    {
        QVERIFY2(m_answerer->unexpected().isEmpty(), qPrintable(m_answerer->unexpected().join(QStringLiteral(", "))));
        QCOMPARE(m_answerer->pending(), 0);
        m_answerer.reset();
        m_state.reset();
        QFile::remove(scratchXterm());
    }

    void commandWords()
    {
        // Joined with single spaces the words give the spacing back.
        const QString spaced = program + QStringLiteral("  file");
        QCOMPARE(TraceProcessDialog::commandWords(QStringLiteral("  ") + spaced), (QStringList{program, QString(), QStringLiteral("file")}));
        QCOMPARE(TraceProcessDialog::commandWords(spaced).join(QLatin1Char(' ')), spaced);
        QVERIFY(TraceProcessDialog::commandWords(QStringLiteral("/usr/bin")).isEmpty());
        QVERIFY(TraceProcessDialog::commandWords(QStringLiteral("/usr/bin/no-such-program-here")).isEmpty());
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY(TraceProcessDialog::commandWords(plain.fileName()).isEmpty());
        QVERIFY(TraceProcessDialog::commandWords(QStringLiteral("cat")).isEmpty());
        QVERIFY(TraceProcessDialog::commandWords(QString()).isEmpty());
    }

    void withoutDefaultTerminalTheCustomOneIsChosen()
    {
        TraceProcessDialog dialog(nullptr, m_state.get(), &m_profile, nullptr);
        const Form f(dialog);
        QCOMPARE(f.terminals->count(), 0);
        QVERIFY(f.customTerminal->isChecked());
        QVERIFY(!f.defaultTerminal->isEnabled());
        QVERIFY(!f.terminal->isChecked());
        QVERIFY(!f.ok->isEnabled());

        f.executable->setText(program + QStringLiteral(" /etc/hostname"));
        QVERIFY(f.ok->isEnabled());
        QCOMPARE(dialog.traceCommand(), (QStringList{program, QStringLiteral("/etc/hostname")}));
        QCOMPARE(dialog.executableName(), QStringLiteral("cat"));
        // A terminal asked for but not named: nothing to run it in.
        f.terminal->setChecked(true);
        QVERIFY(!f.ok->isEnabled());
        f.customTerminalCommand->setText(QStringLiteral("/usr/bin/env -e"));
        QVERIFY(f.ok->isEnabled());
        QCOMPARE(dialog.traceCommand(), (QStringList{QStringLiteral("/usr/bin/env"), QStringLiteral("-e"), program, QStringLiteral("/etc/hostname")}));
    }

    void installedTerminalIsTheDefault()
    {
        QVERIFY(QDir().mkpath(QFileInfo(scratchXterm()).path()));
        QFile xterm(scratchXterm());
        QVERIFY(xterm.open(QIODevice::WriteOnly));
        xterm.write("#!/bin/sh\n");
        xterm.close();
        QVERIFY(xterm.setPermissions(xterm.permissions() | QFileDevice::ExeOwner));

        TraceProcessDialog dialog(nullptr, m_state.get(), &m_profile, nullptr);
        const Form f(dialog);
        QCOMPARE(f.terminals->count(), 1);
        QCOMPARE(f.terminals->itemText(0), QStringLiteral("xterm"));
        QVERIFY(f.defaultTerminal->isChecked());
        QVERIFY(!f.customTerminalCommand->isEnabled());
        f.executable->setText(program);
        f.terminal->setChecked(true);
        QVERIFY(f.ok->isEnabled());
        QCOMPARE(dialog.traceCommand(), (QStringList{scratchXterm(), QStringLiteral("-e"), program}));
    }

    void userRulesChoice()
    {
        UserState *disabled = addUser(QStringLiteral("bob"), QStringLiteral("@include app\n"), false);
        {
            TraceProcessDialog dialog(nullptr, m_state.get(), &m_profile, disabled);
            const Form f(dialog);
            QCOMPARE(f.considerUser->text(), QStringLiteral("skip available user 'bob' rules entry (user is disabled)"));
            QVERIFY(!f.considerUser->isEnabled());
            QVERIFY(f.ignoreUser->isChecked());
            QVERIFY(!dialog.considerUserRules());
        }

        // An account nobody logs in to, whose saved profile includes the one recorded into.
        UserState *user = addUser(QStringLiteral("nobody"), QStringLiteral("@include app\n"));
        TraceProcessDialog dialog(nullptr, m_state.get(), &m_profile, user);
        const Form f(dialog);
        QCOMPARE(f.considerUser->text(), QStringLiteral("skip available user 'nobody' rules entry"));
        QVERIFY(dialog.considerUserRules());
        QCOMPARE(f.overwriteNote->text(), QStringLiteral("User 'nobody' contains 'app' profile"));
        QCOMPARE(f.changesNote->text(), QStringLiteral("Current profile 'app' unsaved changes will not be skipped"));
        QVERIFY(!f.overwrite->isEnabled());
        QVERIFY(!f.overwriteNote->isHidden() && !f.changesNote->isHidden());

        f.ignoreUser->setChecked(true);
        QVERIFY(f.changesNote->isHidden() && f.overwriteNote->isHidden());
        QVERIFY(f.overwrite->isEnabled());
        f.overwrite->setChecked(true);
        QVERIFY(dialog.overwriteProfile());
    }

    void emptyProfileIsNotOverwritten()
    {
        const ProfileFile empty(QString(), false);
        TraceProcessDialog dialog(nullptr, m_state.get(), &empty, nullptr);
        const Form f(dialog);
        QCOMPARE(f.overwriteNote->text(), QStringLiteral("Profile is empty"));
        QVERIFY(!f.overwrite->isEnabled());
        QVERIFY(!f.overwriteNote->isHidden());
    }

    void menuListsApplicationsWithoutFieldCodes()
    {
        QTemporaryDir menu;
        QVERIFY(QDir(menu.path()).mkdir(QStringLiteral("office")));
        writeEntry(menu.path(), QStringLiteral("editor.desktop"), QStringLiteral("Type=Application\nName=Editor\nIcon=accessories-text-editor\nExec=editor --new %U\n"));
        writeEntry(menu.path() + QStringLiteral("/office"), QStringLiteral("calc.desktop"), QStringLiteral("Type=Application\nName=calc\nExec=calc \"%f\" --rate=100%%\n"));
        writeEntry(menu.path(), QStringLiteral("hidden.desktop"), QStringLiteral("Type=Application\nName=Hidden\nExec=hidden\nNoDisplay=true\n"));
        writeEntry(menu.path(), QStringLiteral("removed.desktop"), QStringLiteral("Type=Application\nName=Removed\nExec=removed\nHidden=true\n"));
        writeEntry(menu.path(), QStringLiteral("site.desktop"), QStringLiteral("Type=Link\nName=Site\nURL=http://localhost/\n"));

        OrlaMenuDialog dialog(menu.path(), -1, false, false);
        auto *list = dialog.findChild<QListWidget *>();
        QCOMPARE(texts(list), (QStringList{QStringLiteral("calc"), QStringLiteral("Editor")}));
        QVERIFY(dialog.selectedItemExec(QString(), QString()).isEmpty());
        list->setCurrentRow(0);
        QCOMPARE(dialog.selectedItemExec(QString(), QString()), QStringLiteral("calc --rate=100%"));
        list->setCurrentRow(1);
        QCOMPARE(dialog.selectedItemExec(QString(), QString()), QStringLiteral("editor --new"));
        QVERIFY(!list->item(1)->icon().isNull() || !QIcon::hasThemeIcon(QStringLiteral("accessories-text-editor")));

        // A folder that does not exist lists the system's applications, as no folder does.
        OrlaMenuDialog fallback(menu.path() + QStringLiteral("/none"), -1, false, false);
        OrlaMenuDialog system(QString(), -1, false, false);
        QCOMPARE(texts(fallback.findChild<QListWidget *>()), texts(system.findChild<QListWidget *>()));
    }

    void menuCommandGetsItsDirectory()
    {
        if (QFile::exists(QStringLiteral("/usr/local/bin/cat"))) {
            QSKIP("this machine has its own cat in /usr/local/bin");
        }
        TraceProcessDialog dialog(nullptr, m_state.get(), &m_profile, nullptr);
        const Form f(dialog);
        auto pick = [this](const QString &exec) {
            m_answerer->handle([exec](QWidget *widget) {
                auto *menu = qobject_cast<OrlaMenuDialog *>(widget);
                QVERIFY(menu);
                auto *list = menu->findChild<QListWidget *>();
                auto *item = new QListWidgetItem(QStringLiteral("picked"), list);
                item->setData(Qt::UserRole, exec);
                list->setCurrentItem(item);
                menu->accept();
            });
        };
        pick(QStringLiteral("cat %f"));
        f.fromMenu->click();
        QCOMPARE(f.executable->text(), program);
        QVERIFY(f.ok->isEnabled());
        pick(QStringLiteral("/opt/tool --x"));
        f.fromMenu->click();
        QCOMPARE(f.executable->text(), QStringLiteral("/opt/tool --x"));
        QVERIFY(!f.ok->isEnabled());
    }

    void waitingDialogEndsOnlyWithTheRecording()
    {
        TraceWaitDialog dialog(nullptr);
        auto *close = dialog.findChild<QPushButton *>(QStringLiteral("closeApplicationButton"));
        auto *stopWaiting = dialog.findChild<QPushButton *>(QStringLiteral("stopWaitingButton"));
        QSignalSpy closeRequests(&dialog, &TraceWaitDialog::closeApplicationRequested);
        int steps = 0;
        m_answerer->handle([&](QWidget *) {
            // Escape and the window's close leave it open.
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
            steps = 1;
            dialog.finish();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(steps, 1);
        QCOMPARE(closeRequests.count(), 1);
    }

    void waitingCanBeGivenUpUntilTheApplicationRuns()
    {
        TraceWaitDialog dialog(nullptr);
        m_answerer->handle([&](QWidget *) {
            dialog.findChild<QPushButton *>(QStringLiteral("stopWaitingButton"))->click();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }

    void recordingEndedBeforeTheWaitIsNotShown()
    {
        TraceWaitDialog dialog(nullptr);
        dialog.finish();
        // Were it shown, nobody would close it: the answerer has no answer queued and would complain.
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(TraceProcessDialogTest)

#include "traceprocessdialogtest.moc"
