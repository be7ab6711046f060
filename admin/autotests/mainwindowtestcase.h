/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_MAINWINDOWTESTCASE_H
#define ORLA_MAINWINDOWTESTCASE_H

#include "kiosktree.h"
#include "modalanswerer.h"
#include "windowdriver.h"

#include "mainwindow/mainwindow.h"

#include <QObject>

#include <memory>

/**
 * What the main window tests share: every test starts on a freshly emptied
 * scratch tree with its own message box answerer, and leaves no window,
 * answerer or tree behind.
 *
 * A test case that writes a tree of its own in init() calls this class's
 * init() first; the test runner finds the derived slot before this one.
 */
class MainWindowTestCase : public QObject
{
    Q_OBJECT

protected:
    // Shown before the data is loaded, and never checked for read-only mode:
    // the tests that want a window to edit without the start's questions.
    WindowDriver open();
    // What the program does at start: load, show, check.
    WindowDriver start();
    void expectNoStrayBoxes();

    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<ModalAnswerer> m_answerer;

protected Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
};

#endif
