/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "orlaadminboothward.h"

#include "actionargumentscheck.h"

#include "failures/detailsexception.h"
#include "protocol/enableactionsmap.h"
#include "protocol/globaltraceactionsmap.h"
#include "protocol/helperactionsmap.h"
#include "protocol/helperconstants.h"
#include "protocol/snapshotsactionsmap.h"
#include "protocol/traceapplicationactionsmap.h"
#include "protocol/updateactionsmap.h"
#include "store/kiosksnapshots.h"
#include "store/kiosktracersettings.h"
#include "store/kiosktransaction.h"
#include "store/systemkiosk.h"
#include "system/unconfinedprocesses.h"
#include "systempaths.h"

#include <KAuth/HelperSupport>

#include <QCoreApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocale>
#include <QSet>
#include <QTimer>

#include <chrono>
#include <functional>

namespace
{
using namespace std::chrono_literals;

// How often a long action looks at KAuth's stop flag.
constexpr auto stopPollInterval = 1000ms;
// A global recording nobody ends leaves every kiosk user unconfined; after
// this long it ends by itself and keeps its result for the next request.
constexpr auto maxGlobalRecordDuration = std::chrono::hours(12);
// The system bus refuses larger messages and drops the connection.
constexpr qint64 maxReplyBytes = 32 * 1024 * 1024 - 64 * 1024;

KAuth::ActionReply errorReply(const QString &description)
{
    KAuth::ActionReply reply = KAuth::ActionReply::HelperErrorReply();
    reply.setErrorDescription(description);
    return reply;
}

qint64 serializedSize(const QVariantMap &data)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << data;
    return bytes.size();
}

// A reply the bus cannot carry would never arrive; the program would wait
// until its own time-out.
KAuth::ActionReply checkedReply(KAuth::ActionReply reply)
{
    const qint64 size = serializedSize(reply.data());
    if (size > maxReplyBytes) {
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

// The store refuses to go through a symbolic link in the kiosk tree; found
// half-way, that would leave the earlier steps done and the rest undone.
QString linkedEntryError(const UpdateActionsMap &map)
{
    const SystemKiosk kiosk;
    const QStringList users = map.usersToRename().keys() + map.usersToRename().values() + map.usersToUpdate().keys() + map.usersToRemove();
    const QStringList profiles = map.profilesToRename().keys() + map.profilesToRename().values() + map.profilesToUpdate().keys() + map.profilesToRemove();
    QString link;
    for (auto it = users.cbegin(); it != users.cend() && link.isEmpty(); ++it) {
        link = kiosk.userProfileLink(*it);
    }
    for (auto it = profiles.cbegin(); it != profiles.cend() && link.isEmpty(); ++it) {
        link = kiosk.systemProfileLink(*it);
    }
    if (link.isEmpty()) {
        return QString();
    }
    return QCoreApplication::translate("OrlaAdminBoothward", "'%1' in the kiosk tree is a symbolic link, which is never followed. Nothing has been changed.")
        .arg(link);
}

// Whether the tree is as it was is the first thing the administrator needs
// to know after a failed save.
QString saveFailure(const DetailsException &e)
{
    if (KioskTransaction::hasUnfinishedSave()) {
        return QCoreApplication::translate("OrlaAdminBoothward",
                                           "%1. The save could not be undone completely; it will be undone the next time the helper starts.")
            .arg(e.fullDetails());
    }
    return QCoreApplication::translate("OrlaAdminBoothward", "%1. Nothing has been changed.").arg(e.fullDetails());
}

// A tree that an interrupted save left and that cannot be put in order is
// not saved over: the journal is all that knows which files are whose.
QString unfinishedSaveError()
{
    try {
        KioskTransaction::recover();
    } catch (const DetailsException &e) {
        return QCoreApplication::translate("OrlaAdminBoothward", "An earlier save that was interrupted cannot be put in order: %1. Nothing has been changed.")
            .arg(e.fullDetails());
    }
    return QString();
}

// What a save does, in a few words, for the list of earlier configurations.
QString updateSummary(const UpdateActionsMap &map)
{
    QStringList parts;
    const auto add = [&parts](int count, const char *text) {
        if (count > 0) {
            parts.append(QCoreApplication::translate("OrlaAdminBoothward", text, nullptr, count));
        }
    };
    add(map.usersToRename().size(), "%n user(s) renamed, enabled or disabled");
    add(map.profilesToRename().size(), "%n profile(s) renamed");
    add(map.usersToUpdate().size(), "%n user profile(s) written");
    add(map.profilesToUpdate().size(), "%n profile(s) written");
    add(map.usersToRemove().size(), "%n user(s) removed");
    add(map.profilesToRemove().size(), "%n profile(s) removed");
    return parts.join(QStringLiteral(", "));
}

// Keeps what a save is about to replace; a save that fails after this takes
// its snapshot back.
class SnapshotTaker
{
public:
    explicit SnapshotTaker(const QString &summary)
        : m_summary(summary)
    {
    }
    void operator()(const QList<KioskTransaction::Earlier> &earlier)
    {
        m_id = KioskSnapshots::take(earlier, m_summary);
    }
    void discard() const
    {
        KioskSnapshots::remove(m_id);
    }

private:
    QString m_summary;
    QString m_id;
};

// The program takes a helper that says nothing for a while for a stuck one;
// a long save says now and then that it is still at work.
class Heartbeat
{
public:
    Heartbeat()
    {
        m_sinceProgress.start();
    }
    void operator()()
    {
        if (m_sinceProgress.elapsed() >= HelperConstants::heartbeatIntervalMs) {
            KAuth::HelperSupport::progressStep(QVariantMap());
            m_sinceProgress.restart();
        }
    }

private:
    QElapsedTimer m_sinceProgress;
};

// The program renames many entries at once: b to c and a to b, with both
// texts kept. Carried out one after the other, each rename must wait for
// the one that frees its target. Renames in a circle (a to b, b to a) have
// no such order; they are refused whole. Empty with @p circle set then.
QList<QPair<QString, QString>> renameOrder(const QMap<QString, QString> &renames, QString *circle)
{
    QList<QPair<QString, QString>> ordered;
    QSet<QString> done;
    for (auto it = renames.cbegin(); it != renames.cend(); ++it) {
        if (done.contains(it.key())) {
            continue;
        }
        // The chain from here to the first target that no rename frees.
        QStringList chain;
        QSet<QString> onChain;
        QString current = it.key();
        while (true) {
            chain.append(current);
            onChain.insert(current);
            const QString next = renames.value(current);
            if (!renames.contains(next) || done.contains(next)) {
                break;
            }
            if (onChain.contains(next)) {
                *circle = next;
                return {};
            }
            current = next;
        }
        for (int i = chain.size() - 1; i >= 0; --i) {
            ordered.append({chain.at(i), renames.value(chain.at(i))});
            done.insert(chain.at(i));
        }
    }
    return ordered;
}

QString staleStopError()
{
    return QCoreApplication::translate("OrlaAdminBoothward", "A request to stop a recording is still pending. Nothing has been changed; try again.");
}
}

OrlaAdminBoothward::OrlaAdminBoothward(QObject *parent)
    : QObject(parent)
    , gate(this,
           {HelperConstants::updateActionId,
            HelperConstants::enableActionId,
            HelperConstants::traceApplicationActionId,
            HelperConstants::globalTraceActionId,
            HelperConstants::snapshotsActionId},
           {HelperConstants::traceApplicationActionId, HelperConstants::globalTraceActionId})
    , watch(this,
            {HelperConstants::updateActionId,
             HelperConstants::enableActionId,
             HelperConstants::traceApplicationActionId,
             HelperConstants::globalTraceActionId,
             HelperConstants::snapshotsActionId})
{
}

OrlaAdminBoothward::~OrlaAdminBoothward() = default;

OrlaAdminBoothward::ActionStart::ActionStart(OrlaAdminBoothward &helper, const QVariantMap &args, QString (*check)(const QVariantMap &))
    : m_running(helper.watch)
{
    // The first word: the authorisation is over and our code runs. From now
    // on the program takes a long silence for a stuck helper; before, the
    // administrator may have been typing the password.
    KAuth::HelperSupport::progressStep(QVariantMap());
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
    const QString locale = HelperActionsMap(args).locale();
    // The variable is inherited by every command the action starts; anything
    // but a plain locale name stays out of the environment.
    if (!locale.isEmpty() && ActionArgumentsCheck::isValidLocale(locale)) {
        qputenv("LANG", locale.toUtf8());
    }

    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::removeTranslator(&commonTranslator);
    // The caller's language decides, never root's: an English caller, one
    // without LANG or one whose language has no catalogue reads the English
    // sentences. A load that finds nothing leaves the translator empty.
    const QLocale language = locale.isEmpty() || !ActionArgumentsCheck::isValidLocale(locale) ? QLocale::c() : QLocale(locale);
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

    const UpdateActionsMap map(args);
    const QString linkError = linkedEntryError(map);
    if (!linkError.isEmpty()) {
        return errorReply(linkError);
    }
    QString circle;
    const QList<QPair<QString, QString>> usersToRename = renameOrder(map.usersToRename(), &circle);
    const QList<QPair<QString, QString>> profilesToRename = circle.isEmpty() ? renameOrder(map.profilesToRename(), &circle) : QList<QPair<QString, QString>>();
    if (!circle.isEmpty()) {
        return errorReply(tr("The renames of '%1' go round in a circle; save after each of them. Nothing has been changed.").arg(circle));
    }
    Heartbeat heartbeat;
    KioskTransaction transaction;
    for (const auto &rename : usersToRename) {
        transaction.renameUserProfile(rename.first, rename.second);
    }
    for (const auto &rename : profilesToRename) {
        transaction.renameSystemProfile(rename.first, rename.second);
    }
    const QMap<QString, QString> usersToUpdate = map.usersToUpdate();
    for (auto it = usersToUpdate.cbegin(); it != usersToUpdate.cend(); ++it) {
        transaction.updateUserProfile(it.key(), it.value());
    }
    const QMap<QString, QString> profilesToUpdate = map.profilesToUpdate();
    for (auto it = profilesToUpdate.cbegin(); it != profilesToUpdate.cend(); ++it) {
        transaction.updateSystemProfile(it.key(), it.value());
    }
    const QStringList usersToRemove = map.usersToRemove();
    for (const QString &name : usersToRemove) {
        transaction.removeUserProfile(name);
    }
    const QStringList profilesToRemove = map.profilesToRemove();
    for (const QString &name : profilesToRemove) {
        transaction.removeSystemProfile(name);
    }
    const QString unfinished = unfinishedSaveError();
    if (!unfinished.isEmpty()) {
        return errorReply(unfinished);
    }
    SnapshotTaker snapshot(updateSummary(map));
    try {
        transaction.commit(std::ref(heartbeat), std::ref(snapshot));
    } catch (const DetailsException &e) {
        snapshot.discard();
        return errorReply(saveFailure(e));
    }
    return KAuth::ActionReply::SuccessReply();
}

KAuth::ActionReply OrlaAdminBoothward::snapshots(const QVariantMap &args)
{
    const ActionStart start(*this, args, &ActionArgumentsCheck::snapshotsArgumentsError);
    if (!start.error().isEmpty()) {
        return errorReply(start.error());
    }
    const SnapshotsActionsMap map(args);
    const QString id = map.restore();
    if (!id.isEmpty()) {
        const QString unfinished = unfinishedSaveError();
        if (!unfinished.isEmpty()) {
            return errorReply(unfinished);
        }
        Heartbeat heartbeat;
        KioskSnapshots::Info info;
        SnapshotTaker snapshot{QString()};
        try {
            const QList<KioskTransaction::Earlier> earlier = KioskSnapshots::read(id, &info);
            KioskTransaction transaction;
            for (const KioskTransaction::Earlier &entry : earlier) {
                transaction.putBack(entry);
            }
            snapshot = SnapshotTaker(tr("Restored the configuration from before %1").arg(QLocale().toString(info.time.toLocalTime(), QLocale::ShortFormat)));
            transaction.commit(std::ref(heartbeat), std::ref(snapshot));
        } catch (const DetailsException &e) {
            snapshot.discard();
            return errorReply(saveFailure(e));
        }
    }
    QList<SnapshotsActionsMap::Entry> entries;
    const QList<KioskSnapshots::Info> infos = KioskSnapshots::list();
    for (const KioskSnapshots::Info &info : infos) {
        entries.append({info.id, info.time, info.summary});
    }
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    reply.setData(SnapshotsActionsMap::replyData(entries));
    if (!map.preview().isEmpty()) {
        try {
            reply.addData(HelperConstants::snapshotPreviewDataKey, QVariantMap(KioskSnapshots::asUpdate(KioskSnapshots::read(map.preview()))));
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
    const auto apply = [](EnableActionsMap::KeyState state, const auto &setter) {
        if (state != EnableActionsMap::NotSet) {
            setter(state == EnableActionsMap::Enabled);
        }
    };
    try {
        apply(map.enforce(), [&kiosk](bool on) {
            kiosk.enableEnforce(on);
        });
        apply(map.autoEnforce(), [&kiosk](bool on) {
            kiosk.enableAutoEnforce(on);
        });
        apply(map.complain(), [&kiosk](bool on) {
            kiosk.enableComplain(on);
        });
        apply(map.autoComplain(), [&kiosk](bool on) {
            kiosk.enableAutoComplain(on);
        });
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

    KAuth::ActionReply reply = tracer.errors().isEmpty() ? KAuth::ActionReply::SuccessReply() : errorReply(tracer.errors().join(QStringLiteral(". ")));
    if (tracer.errors().isEmpty()) {
        reply.addData(HelperConstants::traceTextKey, text);
    }
    reply.addData(HelperConstants::warningsDataKey, tracer.warnings());
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
        const QVariantMap unclaimed = settings.unclaimedGlobalRecord();
        if (!unclaimed.isEmpty()) {
            settings.setUnclaimedGlobalRecord({});
            settings.save();
            QMap<QString, QString> result;
            const QVariantMap texts = unclaimed.value(QStringLiteral("texts")).toMap();
            for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
                result.insert(it.key(), it.value().toString());
            }
            return globalRecordReply(result, !ignoreResult, unclaimed.value(QStringLiteral("warnings")).toStringList());
        }
    }
    if (staleStopRequest()) {
        return errorReply(staleStopError());
    }

    // A failed start replies at once, and says nothing of a recording.
    if (!tracer.startGlobalRecord()) {
        KAuth::ActionReply reply = errorReply(tracer.errors().join(QStringLiteral(". ")));
        reply.addData(HelperConstants::warningsDataKey, tracer.warnings());
        return reply;
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
        KAuth::ActionReply reply = errorReply(tracer.errors().join(QStringLiteral(". ")));
        reply.addData(HelperConstants::warningsDataKey, tracer.warnings());
        return reply;
    }
    QStringList warnings = tracer.warnings();
    if (endedByItself) {
        warnings.prepend(tr("The global recording was not completed within %n hour(s) and ended by itself; kiosk users are confined again.",
                            nullptr,
                            static_cast<int>(std::chrono::duration_cast<std::chrono::hours>(maxGlobalRecordDuration).count())));
        // Whoever waited for it may be gone; the next request gets it too.
        QVariantMap texts;
        for (auto it = result.cbegin(); it != result.cend(); ++it) {
            texts.insert(it.key(), it.value());
        }
        Settings::KioskTracer settings;
        settings.setUnclaimedGlobalRecord({{QStringLiteral("texts"), texts}, {QStringLiteral("warnings"), warnings}});
        settings.save();
    }
    return globalRecordReply(result, !ignoreResult, warnings);
}

KAuth::ActionReply OrlaAdminBoothward::globalRecordReply(const QMap<QString, QString> &result, bool withResult, const QStringList &warnings)
{
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    reply.addData(HelperConstants::globalModeEnableKey, false);
    reply.addData(HelperConstants::warningsDataKey, warnings);
    if (withResult) {
        QVariantMap data;
        for (auto it = result.cbegin(); it != result.cend(); ++it) {
            data.insert(it.key(), it.value());
        }
        reply.addData(HelperConstants::globalRecordDataKey, data);
    }
    return checkedReply(reply);
}

void OrlaAdminBoothward::stopedTimerTimeout()
{
    if (KAuth::HelperSupport::isStopped()) {
        Q_EMIT isStoppedRequest();
    }
}
