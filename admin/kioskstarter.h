/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KIOSKSTARTER_H
#define ORLA_KIOSKSTARTER_H

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QObject>

#include <memory>

class MainWindow;
class SingleApplication;

/**
 * Decides at start whether this process is the program's running instance
 * (it then shows the main window) or only hands its command line to the
 * instance that already runs and ends.
 */
class KioskStarter : public QObject
{
    Q_OBJECT
public:
    explicit KioskStarter(SingleApplication *application);
    ~KioskStarter() override;

    // True when the process must end without entering the event loop.
    bool isExitRequested() const;
    int exitCode() const;

    MainWindow *mainWindow() const;

public Q_SLOTS:
    // A command line forwarded by a second start, its parts joined with "|||".
    void onMessageReceived(const QString &message);

private:
    void applyOptions();
    void showMainWindow();

    SingleApplication *m_application;
    bool m_exitRequested = false;
    int m_exitCode = 0;
    QCommandLineParser m_parser;
    std::unique_ptr<MainWindow> m_mainWindow;
    QCommandLineOption m_quitOption;
    QCommandLineOption m_raiseOption;
};

#endif
