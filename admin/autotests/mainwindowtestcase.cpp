/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "mainwindowtestcase.h"

#include "icontheme.h"
#include "scratchroot.h"

#include <QStandardPaths>
#include <QTest>

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

void MainWindowTestCase::expectNoStrayBoxes()
{
    QVERIFY2(m_answerer->unexpected().isEmpty(), qPrintable(m_answerer->unexpected().join(QStringLiteral(", "))));
    QCOMPARE(m_answerer->pending(), 0);
}

void MainWindowTestCase::initTestCase()
{
    QString why;
    if (!ScratchRoot::ownsPasswdFile(&why)) {
        QSKIP(qPrintable(why));
    }
    QStandardPaths::setTestModeEnabled(true);
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
