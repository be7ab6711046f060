/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_KIOSKTRACER_H
#define ORLA_KIOSKTRACER_H

#include "orlacommon_export.h"
#include "store/kiosktracersettings.h"
#include "store/systemkiosk.h"
#include "system/process.h"

#include <QMap>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTemporaryDir;

/**
 * Finds out which files kiosk users need, as root inside the helper.
 *
 * It puts the module into trace mode (kiosk users are not confined, every
 * access their profiles would refuse is logged), follows the kernel log into
 * a root-only spool file, and hands the log to the module's collector, which
 * turns the lines of one uid into profile rule lines.
 *
 * One application: run under a kiosk account (or a temporary one made for
 * the run) on the administrator's display. Globally: every kiosk user's work
 * between a start and a stop.
 *
 * Nothing is thrown: failures end up in errors(), texts worth showing in
 * warnings(). Whatever a recording changed on the way (switches, a display
 * grant, a temporary account and its profile, processes, the log follower)
 * is undone when it fails at any step, and the changes are written down
 * before they are made, so that a helper that died half-way is cleaned up
 * after by the next recording.
 */
class ORLACOMMON_EXPORT KioskTracer : public QObject
{
    Q_OBJECT

public:
    struct AppTraceData {
        QString username;
        QString command;
        QString xauthorytyPath;
        QString display;
    };

    explicit KioskTracer(QObject *parent = nullptr);
    ~KioskTracer() override;

    QStringList warnings() const;
    QStringList errors() const;

    /** Records one application; the collected rule text, empty after a failure. */
    QString traceApplication(const AppTraceData &data);

    bool startGlobalRecord();
    /** Account name to collected rule text; empty when @p ignoreResult is set. */
    QMap<QString, QString> stopGlobalRecord(bool ignoreResult);

    /** Per enabled kiosk user; a user whose rules cannot be collected becomes a warning. */
    QMap<QString, QString> collectTavrixUc();

    void enableTraceMode();
    void disableTraceMode();
    void clearDmesg();
    void startCollectTavrixUc();
    QString uccollectDmesg(unsigned int uid);
    QString createTempUsername();
    QString trace(const AppTraceData &data);
    void runProcess(const QString &username, const QString &command, const QString &display);

    /**
     * Undoes a recording whose helper was killed, as the helper starts: the
     * display grant is taken back, the temporary accounts' processes are
     * ended and the accounts removed with their profiles, a log follower
     * left running is ended, and the switches leave trace mode as after a
     * recording's end. Nothing is done while a recording of this tracer
     * runs. Failures end up in errors().
     */
    void undoKilledRecording();

    /**
     * Why @p data cannot be recorded (a sentence), or an empty string. The
     * display must be a display name, the authority file an absolute regular
     * file, the account empty or an enabled kiosk user that is not root, and
     * every command the recording needs must be installed.
     */
    QString appTraceDataError(const AppTraceData &data);

    /** A display name: [host]:display[.screen]. */
    static bool isValidDisplay(const QString &display);

Q_SIGNALS:
    void stopApplication();

public Q_SLOTS:
    void onStopApplication();

private:
    using Undo = std::function<void()>;

    void grantDisplay(const AppTraceData &data, const QString &account, bool grant);
    void removeTempAccount(const QString &name);
    void cleanUpLeftovers();
    void endOrphanedFollowers();
    void beginRecording(const AppTraceData &data, const QString &grantedUser);
    // The switches as the recording found them; kiosk users confined again when enforcing.
    void restoreSwitches(const Settings::KioskTracer::Recording &recording);
    void undoAll();
    void stopCollector();
    void readOutCollector();
    void syncCollector();
    QString missingToolError(const QStringList &tools) const;
    QString baseProfileIncludes() const;
    void giveXCookie(const AppTraceData &data, const QString &account);
    void takeBackXCookie(const QString &account);
    void rememberCookie(const QString &account);
    QString withBaseProfiles(const QString &recorded) const;

    SystemKiosk kiosk;
    QStringList m_warnings;
    QStringList m_errors;
    Process collector;

    // Steps to take back, newest last, should the recording fail.
    std::vector<std::pair<QString, Undo>> m_undo;
    std::unique_ptr<QTemporaryDir> m_spoolDir;
    bool m_collectorRead = false;
    bool m_globalRecording = false;
    // The session leader of the running application (su's child), once known.
    qint64 m_appSession = 0;
    qint64 m_appPid = 0;
    // The account's own X authority file from before the recording wrote
    // the display's cookie there; absent when it had none.
    std::optional<QByteArray> m_savedCookie;
    bool m_cookieGiven = false;
};

#endif
