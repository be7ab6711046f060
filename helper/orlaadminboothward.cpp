/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "orlaadminboothward.h"

#include "protocol/actionargumentscheck.h"

#include "failures/detailsexception.h"
#include "protocol/enableactionsmap.h"
#include "protocol/globaltraceactionsmap.h"
#include "protocol/helperactionsmap.h"
#include "protocol/helperconstants.h"
#include "protocol/snapshotsactionsmap.h"
#include "protocol/traceapplicationactionsmap.h"
#include "protocol/updateactionsmap.h"
#include "store/kiosksave.h"
#include "store/kiosksnapshots.h"
#include "store/kiosktracersettings.h"
#include "store/systemkiosk.h"
#include "system/unconfinedprocesses.h"
#include "systempaths.h"

#include <KAuth/HelperSupport>

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocale>
#include <QTimer>

#include <chrono>

namespace
{
using namespace std::chrono_literals;

// How often a long action looks at KAuth's stop flag.
constexpr auto stopPollInterval = 1000ms;
// A global recording nobody ends leaves every kiosk user unconfined; after
// this long it ends by itself and keeps its result for the next request.
constexpr auto maxGlobalRecordDuration = std::chrono::hours(12);

KAuth::ActionReply errorReply(const QString &description)
{
    KAuth::ActionReply reply = KAuth::ActionReply::HelperErrorReply();
    reply.setErrorDescription(description);
    return reply;
}

// A reply the bus cannot carry would never arrive; the program would wait
// until its own time-out.
KAuth::ActionReply checkedReply(KAuth::ActionReply reply)
{
    const qint64 size = HelperActionsMap::busSize(reply.data());
    if (size > HelperConstants::maxBusMessageBytes) {
        return errorReply(QCoreApplication::translate("OrlaAdminBoothward", "The recorded rules are too large to send back (%1 MiB). Record a shorter session.")
                              .arg(size / (1024 * 1024)));
    }
    return reply;
}

// KAuth keeps a stop request until an action has run to its end, even one
// that arrived while nothing ran; it would cut a new recording off at once.
bool staleStopRequest()
{
    return KAuth::HelperSupport::isStopped();
}

// The program takes a helper that says nothing for a while for a stuck one.
void heartbeat()
{
    KAuth::HelperSupport::progressStep(QVariantMap());
}

QStringList ownActions()
{
    return {HelperConstants::updateActionId,
            HelperConstants::enableActionId,
            HelperConstants::traceApplicationActionId,
            HelperConstants::globalTraceActionId,
            HelperConstants::snapshotsActionId};
}

QString staleStopError()
{
    return QCoreApplication::translate("OrlaAdminBoothward", "A request to stop a recording is still pending. Nothing has been changed; try again.");
}
}

OrlaAdminBoothward::OrlaAdminBoothward(QObject *parent)
    : QObject(parent)
    , gate(this, ownActions(), {HelperConstants::traceApplicationActionId, HelperConstants::globalTraceActionId})
    , watch(this, ownActions())
{
}

OrlaAdminBoothward::~OrlaAdminBoothward() = default;

OrlaAdminBoothward::ActionStart::ActionStart(OrlaAdminBoothward &helper, const QVariantMap &args, QString (*check)(const QVariantMap &))
    : m_running(helper.watch)
{
    // The first word: the authorisation is over and our code runs. From now
    // on the program takes a long silence for a stuck helper; before, the
    // administrator may have been typing the password.
    heartbeat();
    helper.loadTranslations(args);
    helper.undoKilledRecordingOnce();
    m_error = check(args);
}

// A recording whose helper was killed left trace mode on, a temporary
// account and a display grant; the first action of the next helper undoes
// it, whatever that action is, as the journal of a killed save is put in
// order at start. The tracer needs the application helperMain makes, so it
// cannot run before.
void OrlaAdminBoothward::undoKilledRecordingOnce()
{
    if (recordingChecked) {
        return;
    }
    recordingChecked = true;
    tracer.undoKilledRecording();
    // Tried again by the next recording, which refuses to start while it fails.
    const QStringList errors = tracer.errors();
    for (const QString &error : errors) {
        qWarning("%s", qPrintable(error));
    }
}

void OrlaAdminBoothward::loadTranslations(const QVariantMap &args)
{
    const QString requested = HelperActionsMap(args).locale();
    // The variable is inherited by every command the action starts; anything
    // but a plain locale name stays out of the environment.
    const QString locale = ActionArgumentsCheck::isValidLocale(requested) ? requested : QString();
    if (!locale.isEmpty()) {
        qputenv(HelperActionsMap::localeVariable().toLatin1().constData(), locale.toUtf8());
    }

    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::removeTranslator(&commonTranslator);
    // The caller's language decides, never root's: an English caller, one
    // without LANG or one whose language has no catalogue reads the English
    // sentences. A load that finds nothing leaves the translator empty.
    const QLocale language = locale.isEmpty() ? QLocale::c() : QLocale(locale);
    const QString dir = QString::fromUtf8(SystemPaths::translationsDir);
    const QString separator = QStringLiteral("_");
    (void)translator.load(language, QStringLiteral("boothward"), separator, dir);
    (void)commonTranslator.load(language, QStringLiteral("orla-admin-kiosk_common"), separator, dir);
    QCoreApplication::installTranslator(&translator);
    QCoreApplication::installTranslator(&commonTranslator);
}

KAuth::ActionReply OrlaAdminBoothward::update(const QVariantMap &args)
{
    // Every name is checked before the first step: a refused entry half-way
    // through would leave the earlier steps done.
    const ActionStart start(*this, args, &ActionArgumentsCheck::updateArgumentsError);
    if (!start.error().isEmpty()) {
        return errorReply(start.error());
    }

    const QString failure = KioskSave(&heartbeat).apply(UpdateActionsMap(args));
    return failure.isEmpty() ? KAuth::ActionReply::SuccessReply() : errorReply(failure);
}

KAuth::ActionReply OrlaAdminBoothward::snapshots(const QVariantMap &args)
{
    const ActionStart start(*this, args, &ActionArgumentsCheck::snapshotsArgumentsError);
    if (!start.error().isEmpty()) {
        return errorReply(start.error());
    }
    const SnapshotsActionsMap map(args);
    if (!map.restore().isEmpty()) {
        const QString failure = KioskSave(&heartbeat).restore(map.restore());
        if (!failure.isEmpty()) {
            return errorReply(failure);
        }
    }
    QList<SnapshotsActionsMap::Entry> entries;
    const QList<KioskSnapshots::Info> infos = KioskSnapshots().list();
    for (const KioskSnapshots::Info &info : infos) {
        entries.append({info.id, info.time, info.summary});
    }
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    reply.setData(SnapshotsActionsMap::replyData(entries));
    if (!map.preview().isEmpty()) {
        try {
            reply.addData(HelperConstants::snapshotPreviewDataKey, QVariantMap(KioskSnapshots::asUpdate(KioskSnapshots().read(map.preview()))));
        } catch (const DetailsException &e) {
            return errorReply(e.fullDetails());
        }
    }
    return checkedReply(reply);
}

KAuth::ActionReply OrlaAdminBoothward::enable(const QVariantMap &args)
{
    const ActionStart start(*this, args, &ActionArgumentsCheck::enableArgumentsError);
    if (!start.error().isEmpty()) {
        return errorReply(start.error());
    }

    const EnableActionsMap map(args);
    const SystemKiosk kiosk;
    const auto apply = [&kiosk](EnableActionsMap::KeyState state, void (SystemKiosk::*enable)(bool) const) {
        if (state != EnableActionsMap::NotSet) {
            (kiosk.*enable)(state == EnableActionsMap::Enabled);
        }
    };
    try {
        apply(map.enforce(), &SystemKiosk::enableEnforce);
        apply(map.autoEnforce(), &SystemKiosk::enableAutoEnforce);
        apply(map.complain(), &SystemKiosk::enableComplain);
        apply(map.autoComplain(), &SystemKiosk::enableAutoComplain);
    } catch (const DetailsException &e) {
        return errorReply(e.fullDetails());
    }
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    // A process a kiosk user left running unconfined would serve its
    // confined sessions whatever they ask for.
    if (map.enforce() == EnableActionsMap::Enabled) {
        reply.addData(HelperConstants::warningsDataKey, UnconfinedProcesses::endOfKioskUsers());
    }
    return reply;
}

KAuth::ActionReply OrlaAdminBoothward::traceapplication(const QVariantMap &args)
{
    const ActionStart start(*this, args, &ActionArgumentsCheck::traceApplicationArgumentsError);
    if (!start.error().isEmpty()) {
        return errorReply(start.error());
    }
    const TraceApplicationActionsMap map(args);
    KioskTracer::AppTraceData data;
    data.username = map.username();
    data.command = map.command();
    data.xauthorytyPath = map.xauthorytyPath();
    data.display = map.display();
    if (data.command.isEmpty()) {
        return KAuth::ActionReply::SuccessReply();
    }
    if (staleStopRequest()) {
        return errorReply(staleStopError());
    }

    QTimer timer;
    connect(&timer, &QTimer::timeout, this, &OrlaAdminBoothward::stopedTimerTimeout);
    const QMetaObject::Connection stop = connect(this, &OrlaAdminBoothward::isStoppedRequest, &tracer, &KioskTracer::onStopApplication);
    timer.start(stopPollInterval);
    const QString text = tracer.traceApplication(data);
    timer.stop();
    disconnect(stop);

    if (!tracer.errors().isEmpty()) {
        return checkedReply(recorderFailure());
    }
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    reply.setData(TraceApplicationActionsMap::replyData(tracer.warnings(), text));
    return checkedReply(reply);
}

KAuth::ActionReply OrlaAdminBoothward::globaltrace(const QVariantMap &args)
{
    const ActionStart start(*this, args, &ActionArgumentsCheck::globalTraceArgumentsError);
    if (!start.error().isEmpty()) {
        return errorReply(start.error());
    }
    const GlobalTraceActionsMap map(args);
    const bool ignoreResult = map.ignoreResult();

    // A recording that ended by itself while nobody waited hands its result
    // to the next request instead of starting anew.
    {
        Settings::KioskTracer settings;
        const auto unclaimed = settings.unclaimedGlobalRecord();
        if (unclaimed) {
            settings.setUnclaimedGlobalRecord(std::nullopt);
            settings.save();
            return globalRecordReply(unclaimed->texts, !ignoreResult, unclaimed->warnings);
        }
    }
    if (staleStopRequest()) {
        return errorReply(staleStopError());
    }

    // A failed start replies at once, and says nothing of a recording.
    if (!tracer.startGlobalRecord()) {
        return recorderFailure();
    }
    KAuth::HelperSupport::progressStep(QVariantMap{{HelperConstants::globalModeEnableKey, true}});

    QTimer timer;
    QEventLoop loop;
    connect(&timer, &QTimer::timeout, this, &OrlaAdminBoothward::stopedTimerTimeout);
    const QMetaObject::Connection stop = connect(this, &OrlaAdminBoothward::isStoppedRequest, &loop, &QEventLoop::quit);
    QTimer limit;
    limit.setSingleShot(true);
    bool endedByItself = false;
    connect(&limit, &QTimer::timeout, &loop, [&loop, &endedByItself] {
        endedByItself = true;
        loop.quit();
    });
    timer.start(stopPollInterval);
    limit.start(maxGlobalRecordDuration);
    loop.exec();
    timer.stop();
    limit.stop();
    disconnect(stop);

    const QMap<QString, QString> result = tracer.stopGlobalRecord(ignoreResult && !endedByItself);
    if (!tracer.errors().isEmpty()) {
        return recorderFailure();
    }
    QStringList warnings = tracer.warnings();
    if (endedByItself) {
        warnings.prepend(tr("The global recording was not completed within %n hour(s) and ended by itself; kiosk users are confined again.",
                            nullptr,
                            static_cast<int>(std::chrono::duration_cast<std::chrono::hours>(maxGlobalRecordDuration).count())));
        // Whoever waited for it may be gone; the next request gets it too.
        Settings::KioskTracer().setUnclaimedGlobalRecord(Settings::KioskTracer::UnclaimedGlobalRecord{result, warnings});
    }
    return globalRecordReply(result, !ignoreResult, warnings);
}

KAuth::ActionReply OrlaAdminBoothward::globalRecordReply(const QMap<QString, QString> &result, bool withResult, const QStringList &warnings)
{
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    reply.setData(GlobalTraceActionsMap::replyData(warnings, withResult ? std::optional(result) : std::nullopt));
    return checkedReply(reply);
}

// The recorder's warnings go with its errors: they may say why it failed.
KAuth::ActionReply OrlaAdminBoothward::recorderFailure() const
{
    KAuth::ActionReply reply = errorReply(tracer.errors().join(QStringLiteral(". ")));
    reply.addData(HelperConstants::warningsDataKey, tracer.warnings());
    return reply;
}

void OrlaAdminBoothward::stopedTimerTimeout()
{
    if (KAuth::HelperSupport::isStopped()) {
        Q_EMIT isStoppedRequest();
    }
}
