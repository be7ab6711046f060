/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_SINGLEAPPLICATION_H
#define ORLA_SINGLEAPPLICATION_H

#include <QApplication>

class QLocalServer;
class QLocalSocket;

/**
 * An application that runs once per user and display.
 *
 * The first process becomes the running instance and listens on a local
 * socket in the user's runtime directory; a later one finds it there, can
 * hand it a message and ends. A socket left behind by a crashed instance is
 * recognised and taken over.
 */
class SingleApplication : public QApplication
{
    Q_OBJECT
public:
    /**
     * @param gui kept for the start-up's call; the program always has a GUI,
     *            so the application is a QApplication either way
     */
    SingleApplication(int &argc, char **argv, bool gui = true);
    ~SingleApplication() override;

    /** Another instance ran when this one started; this one is then not listening. */
    bool isRunning() const;

    /**
     * Hands @p message to the running instance. True once the running
     * instance has taken it, false when there is none or it did not answer
     * within @p timeout milliseconds.
     */
    bool sendMessage(const QString &message, int timeout = 5000);

    /** Where the running instance listens: per user and display. */
    static QString serverPath();

Q_SIGNALS:
    void messageReceived(const QString &message);

private:
    void startServer();
    void acceptConnection();
    void readMessage(QLocalSocket *socket);

    QLocalServer *m_server = nullptr;
    bool m_running = false;
};

#endif
