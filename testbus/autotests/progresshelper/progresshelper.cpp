/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// A helper for kauthclient's test: it reports two progress steps, then waits
// until it is asked to stop or its time is up, and says which ended the wait.

#include <KAuth/ActionReply>
#include <KAuth/HelperSupport>

#include <QElapsedTimer>
#include <QObject>
#include <QThread>

class ProgressHelper : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    KAuth::ActionReply run(const QVariantMap &arguments)
    {
        KAuth::HelperSupport::progressStep(QVariantMap{{QStringLiteral("step"), 1}});
        KAuth::HelperSupport::progressStep(50);

        const int waitMs = arguments.value(QStringLiteral("waitMs"), 10000).toInt();
        QElapsedTimer timer;
        timer.start();
        bool stopped = false;
        // isStopped() takes in the stop request itself.
        while (!(stopped = KAuth::HelperSupport::isStopped()) && timer.elapsed() < waitMs) {
            QThread::msleep(20);
        }
        KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
        reply.addData(QStringLiteral("stopped"), stopped);
        return reply;
    }
};

int main(int argc, char **argv)
{
    ProgressHelper helper;
    return KAuth::HelperSupport::helperMain(argc, argv, "org.orla.testbus.progress", &helper);
}

#include "progresshelper.moc"
