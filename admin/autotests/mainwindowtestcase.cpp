/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "mainwindowtestcase.h"

#include "icontheme.h"
#include "scratchroot.h"

#include "profile/profileparser.h"
#include "profile/userprofilefile.h"
#include "state/profilestate.h"
#include "state/userstate.h"

#include <QStandardPaths>

EditorForm::EditorForm(QDialog &dialog)
    : name(dialog.findChild<QLineEdit *>(QStringLiteral("profileNameLineEdit")))
    , table(dialog.findChild<QTableWidget *>(QStringLiteral("objectsTableWidget")))
    , list(dialog.findChild<QListWidget *>(QStringLiteral("inclusionListWidget")))
    , buttons(dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox")))
    , tabs(dialog.findChild<QTabWidget *>(QStringLiteral("tabWidget")))
    , toolBar(dialog.findChild<QToolBar *>())
    , addFile(dialog.findChild<QAction *>(QStringLiteral("actionAddFile")))
    , addDirectory(dialog.findChild<QAction *>(QStringLiteral("actionAddDirectory")))
    , removeFile(dialog.findChild<QAction *>(QStringLiteral("actionRemoveFile")))
    , record(dialog.findChild<QAction *>(QStringLiteral("actionAddFilesFromProcess")))
{
}

QPushButton *EditorForm::ok() const
{
    return buttons->button(QDialogButtonBox::Ok);
}

QStringList EditorForm::filenames() const
{
    QStringList names;
    for (int row = 0; row < table->rowCount(); ++row) {
        names << table->item(row, EditProfileDialog::FilenameColumn)->text();
    }
    return names;
}

QString EditorForm::checks(int row) const
{
    QString bits;
    for (int column = EditProfileDialog::ReadColumn; column < EditProfileDialog::ColumnCount; ++column) {
        bits += table->item(row, column)->checkState() == Qt::Checked ? QLatin1Char('1') : QLatin1Char('0');
    }
    return bits;
}

int EditorForm::typeOf(int row) const
{
    return table->item(row, EditProfileDialog::TypeColumn)->data(Qt::UserRole).toInt();
}

QListWidgetItem *EditorForm::entry(const QString &name) const
{
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(Qt::UserRole).toString() == name) {
            return list->item(i);
        }
    }
    return nullptr;
}

void EditorForm::selectRows(const QList<int> &rows) const
{
    table->clearSelection();
    for (const int row : rows) {
        table->selectionModel()->select(table->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void EditorForm::setCheck(int row, int column, bool checked) const
{
    table->item(row, column)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

namespace
{
// A file of that name, as if saved before, holding @p text.
template<typename File>
File saved(const QString &name, const QString &text)
{
    File file(name, true);
    file.setData(ProfileParser::parseText(text).data());
    return file;
}
}

ProfileState *DialogTestCase::addProfile(const QString &name, const QString &text)
{
    auto *profile = new ProfileState(saved<ProfileFile>(name, text));
    m_state->addProfile(profile);
    return profile;
}

UserState *DialogTestCase::addUser(const QString &name, const QString &text)
{
    auto *user = new UserState(saved<UserProfileFile>(name, text));
    m_state->addUser(user);
    return user;
}

ProfileState *DialogTestCase::profile(const QString &name) const
{
    return StateTesting::byName(m_state->profiles(), name);
}

void DialogTestCase::expectNoStrayBoxes()
{
    QVERIFY2(m_answerer->unexpected().isEmpty(), qPrintable(m_answerer->unexpected().join(QStringLiteral(", "))));
    QCOMPARE(m_answerer->pending(), 0);
}

void DialogTestCase::expectBox(const QString &title, const QString &text)
{
    expectNoStrayBoxes();
    QCOMPARE(m_answerer->titles(), QStringList{title});
    QCOMPARE(m_answerer->boxes().constFirst().text, text);
}

void DialogTestCase::inEditor(const std::function<bool(EditProfileDialog *, const EditorForm &)> &edit, QString *title)
{
    whenShown<EditProfileDialog>([edit, title](EditProfileDialog *dialog) {
        if (title) {
            *title = dialog->windowTitle();
        }
        const EditorForm form(*dialog);
        const bool ok = edit(dialog, form);
        const auto close = form.buttons->button(QDialogButtonBox::Cancel) ? QDialogButtonBox::Cancel : QDialogButtonBox::Close;
        form.buttons->button(ok ? QDialogButtonBox::Ok : close)->click();
    });
}

void DialogTestCase::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void DialogTestCase::init()
{
    m_state = std::make_unique<SystemState>();
    m_answerer = std::make_unique<ModalAnswerer>();
}

void DialogTestCase::cleanup()
{
    expectNoStrayBoxes();
    m_answerer.reset();
    m_state.reset();
}

WindowDriver MainWindowTestCase::open()
{
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    m_window->loadData();
    return WindowDriver(m_window.get());
}

WindowDriver MainWindowTestCase::start()
{
    m_window = std::make_unique<MainWindow>();
    m_window->loadData();
    m_window->show();
    m_window->checkReadOnly(true);
    return WindowDriver(m_window.get());
}

void MainWindowTestCase::trigger(const char *name, std::initializer_list<QMessageBox::StandardButton> answers)
{
    for (const QMessageBox::StandardButton answer : answers) {
        m_answerer->answer(answer);
    }
    WindowDriver(m_window.get()).action(name)->trigger();
    expectNoStrayBoxes();
}

void MainWindowTestCase::triggerAfresh(const char *name, std::initializer_list<QMessageBox::StandardButton> answers)
{
    m_answerer->reset();
    trigger(name, answers);
}

void MainWindowTestCase::recordGlobally(const WindowDriver &w, int oks, const std::function<void()> &meanwhile)
{
    m_answerer->answer(QMessageBox::Yes);
    m_answerer->answer(QMessageBox::Save, meanwhile);
    for (int i = 0; i < oks; ++i) {
        m_answerer->answer(QMessageBox::Ok);
    }
    w.action("actionGlobalRecordingMode")->trigger();
    expectNoStrayBoxes();
}

QStringList MainWindowTestCase::completedTitles(const QString &asked)
{
    return {QStringLiteral("Enable global kiosk rules record"), asked, QStringLiteral("Global record warning"), QStringLiteral("New profiles created")};
}

void MainWindowTestCase::initTestCase()
{
    QString why;
    if (!ScratchRoot::ownsPasswdFile(&why)) {
        QSKIP(qPrintable(why));
    }
    DialogTestCase::initTestCase();
    IconTheme::ensureFallback();
}

void MainWindowTestCase::init()
{
    KioskTree::reset(KioskTree::Switches::Off);
    m_answerer = std::make_unique<ModalAnswerer>();
}

void MainWindowTestCase::cleanup()
{
    m_window.reset();
    m_answerer.reset();
}
