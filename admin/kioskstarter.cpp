/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "kioskstarter.h"

#include "failures/catalogues.h"
#include "mainwindow/mainwindow.h"
#include "singleinstance/singleapplication.h"

#include <QDir>
#include <QIcon>
#include <QLocale>

namespace
{
const QString messageSeparator = QStringLiteral("|||");
}

KioskStarter::KioskStarter(SingleApplication *application)
    : m_application(application)
    , m_quitOption(QStringLiteral("quit"), tr("Quit application."))
    , m_raiseOption(QStringLiteral("raise"), tr("Show main window."))
{
    const QCommandLineOption versionOption = m_parser.addVersionOption();
    const QCommandLineOption helpOption = m_parser.addHelpOption();
    m_parser.addOption(m_quitOption);
    m_parser.addOption(m_raiseOption);
    // Ends the process on --help, --version or an unknown option.
    m_parser.process(*m_application);
    if (m_parser.isSet(versionOption) || m_parser.isSet(helpOption)) {
        m_exitRequested = true;
        return;
    }

    if (m_application->isRunning()) {
        QStringList parts = m_application->arguments();
        parts << QDir::currentPath();
        // Whether the running instance got it or not, this process has done its part.
        m_application->sendMessage(parts.join(messageSeparator), 5000);
        m_exitRequested = true;
        return;
    }

    // The desktop's own theme has the icon; elsewhere the one installed with the program stands in.
    m_application->setWindowIcon(QIcon::fromTheme(QStringLiteral("key3"), QIcon::fromTheme(QStringLiteral("orla-admin-kiosk"))));

    // Without a catalogue of the locale's language the texts stay in English.
    Utils::installCatalogue(QLocale::system(), QStringLiteral("orla-admin-kiosk_common"), this);

    m_mainWindow = std::make_unique<MainWindow>();
    m_mainWindow->loadData();
    m_mainWindow->show();
    // A recording left running by an earlier start is offered for completion at once.
    m_mainWindow->checkReadOnly(true);

    connect(m_application, &SingleApplication::messageReceived, this, &KioskStarter::onMessageReceived);

    applyOptions();
}

KioskStarter::~KioskStarter() = default;

bool KioskStarter::isExitRequested() const
{
    return m_exitRequested;
}

int KioskStarter::exitCode() const
{
    return m_exitCode;
}

MainWindow *KioskStarter::mainWindow() const
{
    return m_mainWindow.get();
}

void KioskStarter::onMessageReceived(const QString &message)
{
    QStringList parts = message.split(messageSeparator, Qt::KeepEmptyParts);
    if (parts.isEmpty()) {
        return;
    }
    // Program path and working directory only: a plain second start.
    if (parts.size() == 2) {
        showMainWindow();
    }
    parts.removeLast();
    // parse(), not process(): a malformed message must not end the running
    // instance, let alone print help on its behalf.
    if (m_parser.parse(parts)) {
        applyOptions();
    }
}

void KioskStarter::applyOptions()
{
    if (m_parser.isSet(m_quitOption)) {
        QApplication::closeAllWindows();
        // An administrator who answered Cancel to the unsaved-changes question
        // keeps the window and the changes in it.
        if (m_mainWindow && m_mainWindow->isVisible()) {
            return;
        }
        // Queued, so that it also ends an event loop that has not started yet.
        QMetaObject::invokeMethod(m_application, &QCoreApplication::quit, Qt::QueuedConnection);
    } else if (m_parser.isSet(m_raiseOption)) {
        showMainWindow();
    }
}

void KioskStarter::showMainWindow()
{
    if (!m_mainWindow) {
        return;
    }
    m_mainWindow->show();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}
