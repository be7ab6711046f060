/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ORLAADMINBOOTHWARD_H
#define ORLA_ORLAADMINBOOTHWARD_H

#include <KAuth/ActionReply>

#include "protocol/callergate.h"
#include "recording/kiosktracer.h"
#include "protocol/stuckactionwatch.h"

#include <QObject>
#include <QTranslator>
#include <QVariantMap>

/**
 * The root side of the kiosk administration: KAuth calls the slot named after
 * the last part of the action id with the action's argument map.
 *
 * It does no file work of its own; it checks the map, hands the work to the
 * kiosk store or the rule recorder and turns the outcome into a reply.
 */
class OrlaAdminBoothward : public QObject
{
    Q_OBJECT

public:
    explicit OrlaAdminBoothward(QObject *parent = nullptr);
    ~OrlaAdminBoothward() override;

Q_SIGNALS:
    void isStoppedRequest();

public Q_SLOTS:
    KAuth::ActionReply update(const QVariantMap &args);
    KAuth::ActionReply enable(const QVariantMap &args);
    KAuth::ActionReply traceapplication(const QVariantMap &args);
    KAuth::ActionReply globaltrace(const QVariantMap &args);
    KAuth::ActionReply snapshots(const QVariantMap &args);

private Q_SLOTS:
    void stopedTimerTimeout();

private:
    /**
     * What every action does before its own work, held for as long as the
     * action runs: the stuck-action watch knows that it runs, the sentences
     * speak the caller's language, and the arguments are checked whole.
     */
    class ActionStart
    {
    public:
        ActionStart(OrlaAdminBoothward &helper, const QVariantMap &args, QString (*check)(const QVariantMap &));

        /** Why the arguments are refused; empty when they pass. */
        QString error() const
        {
            return m_error;
        }

    private:
        const StuckActionWatch::Running m_running;
        QString m_error;
    };

    void loadTranslations(const QVariantMap &args);
    void undoKilledRecordingOnce();

    KAuth::ActionReply globalRecordReply(const QMap<QString, QString> &result, bool withResult, const QStringList &warnings);
    KAuth::ActionReply recorderFailure() const;

    QTranslator translator;
    QTranslator commonTranslator;
    KioskTracer tracer;
    // Made before the watch, so that its event filter runs after the watch's:
    // the watch must find KAuth's own object on the bus before the gate
    // takes its place.
    CallerGate gate;
    StuckActionWatch watch;
    bool recordingChecked = false;
};

#endif
