/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_MAINWINDOWTESTCASE_H
#define ORLA_MAINWINDOWTESTCASE_H

#include "kiosktree.h"
#include "modalanswerer.h"
#include "windowdriver.h"

#include "dialogs/editprofiledialog.h"
#include "mainwindow/mainwindow.h"
#include "state/systemstate.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>

#include <functional>
#include <memory>

// The profile editor's widgets, by the object names of its form.
struct EditorForm {
    explicit EditorForm(QDialog &dialog);

    QPushButton *ok() const;
    QStringList filenames() const;
    // R, W, C, U, O of a row as a string of 0 and 1.
    QString checks(int row) const;
    int typeOf(int row) const;
    // The include list's entry of that profile.
    QListWidgetItem *entry(const QString &name) const;
    void selectRows(const QList<int> &rows) const;
    void setCheck(int row, int column, bool checked) const;

    QLineEdit *name;
    QTableWidget *table;
    QListWidget *list;
    QDialogButtonBox *buttons;
    QTabWidget *tabs;
    QToolBar *toolBar;
    QAction *addFile;
    QAction *addDirectory;
    QAction *removeFile;
    QAction *record;
};

/**
 * What the dialog tests share: a working state built in memory, an answerer
 * for the boxes and dialogs a test provokes, and no box left unanswered or
 * unexpected at the end.
 */
class DialogTestCase : public QObject
{
    Q_OBJECT

protected:
    ProfileState *addProfile(const QString &name, const QString &text);
    UserState *addUser(const QString &name, const QString &text);
    ProfileState *profile(const QString &name) const;
    void expectNoStrayBoxes();
    // The boxes so far are one, answered, with this title and text, and no answer is left.
    void expectBox(const QString &title, const QString &text);

    // The next modal widget must be a @p Dialog; @p work is done to it and must close it.
    template<typename Dialog, typename Work>
    void whenShown(Work work)
    {
        m_answerer->handle([work](QWidget *widget) {
            auto *dialog = qobject_cast<Dialog *>(widget);
            QVERIFY2(dialog, widget ? widget->metaObject()->className() : "no modal widget");
            work(dialog);
        });
    }

    // The next modal widget must be the profile editor; @p edit works on its
    // form and says whether to press OK (else Cancel or Close). Its title goes to @p title.
    void inEditor(const std::function<bool(EditProfileDialog *, const EditorForm &)> &edit, QString *title = nullptr);

    std::unique_ptr<SystemState> m_state;
    std::unique_ptr<ModalAnswerer> m_answerer;

protected Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
};

/**
 * What the main window tests share: every test starts on a freshly emptied
 * scratch tree with its own message box answerer, and leaves no window,
 * answerer or tree behind. The window works on a state of its own, so
 * m_state stays empty.
 *
 * A test case that writes a tree of its own in init() calls this class's
 * init() first; the test runner finds the derived slot before this one.
 */
class MainWindowTestCase : public DialogTestCase
{
    Q_OBJECT

protected:
    // Shown before the data is loaded, and never checked for read-only mode:
    // the tests that want a window to edit without the start's questions.
    WindowDriver open();
    // What the program does at start: load, show, check.
    WindowDriver start();
    // Triggers the window's action @p name with @p answers queued for the
    // boxes it opens; every box must be answered, and every answer used.
    void trigger(const char *name, std::initializer_list<QMessageBox::StandardButton> answers = {});
    // The same after forgetting the boxes so far.
    void triggerAfresh(const char *name, std::initializer_list<QMessageBox::StandardButton> answers = {});
    // Starts the global recording from the window and completes it into
    // profiles, running @p meanwhile while it records; Ok to the @p oks boxes that follow.
    void recordGlobally(const WindowDriver &w, int oks, const std::function<void()> &meanwhile = nullptr);
    // The boxes of a recording completed into new profiles, with a warning,
    // when the completion was asked for with @p asked.
    static QStringList completedTitles(const QString &asked = QStringLiteral("The system is in global kiosk rules record mode"));

    std::unique_ptr<MainWindow> m_window;

protected Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
};

#endif
