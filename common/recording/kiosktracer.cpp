/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "recording/kiosktracer.h"

#include "failures/createdirexception.h"
#include "failures/processexception.h"
#include "protocol/helperconstants.h"
#include "store/kiosktracersettings.h"
#include "system/processtree.h"
#include "system/systemusers.h"
#include "system/user.h"
#include "systempaths.h"

#include <KAuth/HelperSupport>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <unistd.h>

namespace
{
const QString tempUserPattern = QStringLiteral("temp_user_%1");
const QString applicationCommand = QStringLiteral("export DISPLAY=%1 && export $(%2) && %3");

// Tried names before giving up on a free temporary account name.
constexpr int tempNameAttempts = 9;
// The application's last words are worth showing; a chatty one must not fill the helper.
constexpr int stderrTailBytes = 64 * 1024;
// The reporter lags the accesses a little; its last lines must reach the spool.
constexpr int collectorSettleMs = 300;
constexpr int collectorSyncMs = 5000;
// Bounds every stop of the follower, whatever the action's own wait.
constexpr int collectorStopMs = 5000;

QString program(const char *path)
{
    return QString::fromUtf8(path);
}

QString quoted(const QString &text)
{
    QString shown;
    for (const QChar c : text.left(80)) {
        shown += c.isPrint() ? c : QChar(u'?');
    }
    return text.size() > 80 ? shown + QChar(0x2026) : shown;
}

bool isTempUserName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("\\Atemp_user_[0-9]{4}\\z"));
    return pattern.match(name).hasMatch();
}

void sendApplicationPid(qint64 pid)
{
    KAuth::HelperSupport::progressStep(QVariantMap{{HelperConstants::traceApplicationPidKey, pid}});
}

void forgetTempUser(const QString &name, bool add)
{
    Settings::KioskTracer settings;
    QSet<QString> names = settings.tempAccounts();
    if (add) {
        names.insert(name);
    } else {
        names.remove(name);
    }
    settings.setTempAccounts(names);
    settings.save();
}
}

KioskTracer::KioskTracer(QObject *parent)
    : QObject(parent)
{
    // Daemons the application starts (its session bus first of all) leave
    // their parents; as their reaper the recorder can still end them.
    ProcessTree::becomeSubreaper();
}

KioskTracer::~KioskTracer()
{
    stopCollector();
}

QStringList KioskTracer::warnings() const
{
    return m_warnings;
}

QStringList KioskTracer::errors() const
{
    return m_errors;
}

void KioskTracer::onStopApplication()
{
    Q_EMIT stopApplication();
}

bool KioskTracer::isValidDisplay(const QString &display)
{
    static const QRegularExpression pattern(QStringLiteral("\\A[A-Za-z0-9._-]{0,253}:[0-9]{1,5}(\\.[0-9]{1,3})?\\z"));
    return pattern.match(display).hasMatch();
}

QString KioskTracer::missingTool(const QStringList &tools) const
{
    for (const QString &tool : tools) {
        const QFileInfo info(tool);
        if (!info.isFile() || !info.isExecutable()) {
            return tool;
        }
    }
    return QString();
}

QString KioskTracer::appTraceDataError(const AppTraceData &data)
{
    if (!isValidDisplay(data.display)) {
        return tr("'%1' is not an X display name. Nothing has been changed.").arg(quoted(data.display));
    }
    const QFileInfo authority(data.xauthorytyPath);
    if (!QDir::isAbsolutePath(data.xauthorytyPath) || authority.isSymLink() || !authority.isFile()) {
        return tr("The X authority file '%1' is not an absolute path of a regular file. Nothing has been changed.").arg(quoted(data.xauthorytyPath));
    }
    if (data.command.contains(QChar(u'\0'))) {
        return tr("The command contains a NUL character. Nothing has been changed.");
    }
    QStringList tools = {program(SystemPaths::suProgram),
                         program(SystemPaths::xhostProgram),
                         program(SystemPaths::dbusLaunchProgram),
                         program(SystemPaths::dmesgProgram),
                         program(SystemPaths::uccollectProgram)};
    if (data.username.isEmpty()) {
        tools << program(SystemPaths::adduserProgram) << program(SystemPaths::userdelProgram);
    } else {
        // Recording as any other account would hand its session to the
        // recorded command and lift a confinement that was never ours to lift.
        const QString refused = tr("'%1' is not a kiosk user whose application can be recorded. Nothing has been changed.").arg(quoted(data.username));
        if (!User::isValidName(data.username) || !kiosk.users().contains(data.username)) {
            return refused;
        }
        User user(data.username);
        if (!user.exists() || user.getUid() == 0) {
            return refused;
        }
    }
    const QString missing = missingTool(tools);
    if (!missing.isEmpty()) {
        return tr("The command '%1' that recording needs is not installed. Nothing has been changed.").arg(missing);
    }
    return QString();
}

QString KioskTracer::traceApplication(const AppTraceData &data)
{
    m_errors.clear();
    m_warnings.clear();
    cleanUpLeftovers();
    if (!m_errors.isEmpty()) {
        return QString();
    }
    try {
        const QString problem = appTraceDataError(data);
        if (!problem.isEmpty()) {
            m_errors << problem;
            return QString();
        }
        beginRecording(data, QString());
        enableTraceMode();
        const QString result = trace(data);
        if (!m_errors.isEmpty()) {
            undoAll();
            return QString();
        }
        m_undo.clear();
        disableTraceMode();
        Settings::KioskTracer().clearRecording();
        return result;
    } catch (const DetailsException &e) {
        m_errors << e.fullDetails();
        undoAll();
    }
    return QString();
}

void KioskTracer::beginRecording(const AppTraceData &data, const QString &grantedUser)
{
    Settings::KioskTracer::Recording recording;
    recording.running = true;
    recording.enforce = kiosk.enforce();
    recording.complain = kiosk.complain();
    recording.autoComplain = kiosk.autoComplain();
    recording.display = data.display;
    recording.xauthorityPath = data.xauthorytyPath;
    recording.grantedUser = grantedUser;
    // Written before anything changes: a helper that dies from here on is
    // cleaned up after by the next recording.
    Settings::KioskTracer settings;
    settings.setRecording(recording);
    settings.save();
    m_undo.emplace_back(QStringLiteral("switches"), [this, recording] {
        kiosk.enableEnforce(recording.enforce);
        kiosk.enableComplain(recording.complain);
        kiosk.enableAutoComplain(recording.autoComplain);
        Settings::KioskTracer().clearRecording();
    });
}

void KioskTracer::undoAll()
{
    while (!m_undo.empty()) {
        const Undo undo = m_undo.back().second;
        m_undo.pop_back();
        try {
            undo();
        } catch (const DetailsException &e) {
            m_errors << tr("Undoing the recording was not complete: %1").arg(e.fullDetails());
        }
    }
}

void KioskTracer::enableTraceMode()
{
    kiosk.enableEnforce(false);
    kiosk.enableComplain(true);
    kiosk.enableAutoComplain(false);
}

void KioskTracer::disableTraceMode()
{
    kiosk.enableEnforce(kiosk.autoEnforce());
    kiosk.enableComplain(false);
}

void KioskTracer::clearDmesg()
{
    Process process;
    process.run(program(SystemPaths::dmesgProgram), {QStringLiteral("-C")});
}

QString KioskTracer::createTempUsername()
{
    for (int attempt = 0; attempt < tempNameAttempts; ++attempt) {
        const QString name = tempUserPattern.arg(1000 + QRandomGenerator::global()->bounded(8999));
        if (!User(name).exists()) {
            return name;
        }
    }
    return QString();
}

QString KioskTracer::trace(const AppTraceData &data)
{
    // Takes back the newest step of that name, now that it is done with.
    const auto takeBack = [this](const QString &step) {
        for (auto it = m_undo.end(); it != m_undo.begin();) {
            --it;
            if (it->first == step) {
                const Undo undo = it->second;
                m_undo.erase(it);
                undo();
                return;
            }
        }
    };

    clearDmesg();

    QString account = data.username;
    const bool temporary = account.isEmpty();
    if (temporary) {
        account = createTempUsername();
        if (account.isEmpty()) {
            m_errors << tr("Can not create temp user for trace");
            return QString();
        }
        forgetTempUser(account, false);
        forgetTempUser(account, true);
        m_undo.emplace_back(QStringLiteral("account"), [this, account] {
            removeTempAccount(account);
        });
        User(account).create();
        kiosk.updateUserProfile(account, QString());
    }

    startCollectTavrixUc();
    m_undo.emplace_back(QStringLiteral("collector"), [this] {
        stopCollector();
    });

    grantDisplay(data, account, true);
    m_undo.emplace_back(QStringLiteral("grant"), [this, data, account] {
        grantDisplay(data, account, false);
    });

    runProcess(account, data.command, data.display);

    takeBack(QStringLiteral("grant"));
    const unsigned int uid = static_cast<unsigned int>(User(account).getUid());
    if (temporary) {
        takeBack(QStringLiteral("account"));
    }
    const QString result = uccollectDmesg(uid);
    m_undo.erase(std::remove_if(m_undo.begin(),
                                m_undo.end(),
                                [](const auto &entry) {
                                    return entry.first == QLatin1String("collector");
                                }),
                 m_undo.end());
    return result;
}

void KioskTracer::grantDisplay(const AppTraceData &data, const QString &account, bool grant)
{
    if (grant) {
        Settings::KioskTracer settings;
        Settings::KioskTracer::Recording recording = settings.recording();
        recording.grantedUser = account;
        settings.setRecording(recording);
        settings.save();
    }
    // The display and the authority file reach xhost through its environment,
    // never through a shell.
    Process process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), data.display);
    environment.insert(QStringLiteral("XAUTHORITY"), data.xauthorytyPath);
    process.process()->setProcessEnvironment(environment);
    const QString entry = QStringLiteral("SI:localuser:") + account;
    process.run(program(SystemPaths::xhostProgram), {(grant ? QLatin1Char('+') : QLatin1Char('-')) + entry});
    if (!grant) {
        Settings::KioskTracer settings;
        Settings::KioskTracer::Recording recording = settings.recording();
        recording.grantedUser.clear();
        settings.setRecording(recording);
        settings.save();
    }
}

void KioskTracer::runProcess(const QString &username, const QString &command, const QString &display)
{
    Process application;
    application.setWaitForFinished(-1);
    application.setAsyncFlag(true);
    QProcess *child = application.process();
    child->setStandardOutputFile(QProcess::nullDevice());

    QByteArray errorTail;
    const auto readErrors = [child, &errorTail] {
        errorTail += child->readAllStandardError();
        if (errorTail.size() > stderrTailBytes) {
            errorTail = errorTail.right(stderrTailBytes);
        }
    };
    connect(child, &QProcess::readyReadStandardError, this, readErrors);
    connect(
        &application,
        &Process::pidChanged,
        this,
        [](Q_PID pid) {
            sendApplicationPid(static_cast<qint64>(pid));
        },
        Qt::DirectConnection);

    QEventLoop loop;
    connect(child, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop, &QEventLoop::quit, Qt::DirectConnection);
    const QMetaObject::Connection stop = connect(this, &KioskTracer::stopApplication, this, [child] {
        if (child->state() == QProcess::NotRunning) {
            return;
        }
        // su's child leads a session of its own: the whole session goes,
        // then su, which is waiting for it, ends by itself.
        const pid_t su = static_cast<pid_t>(child->processId());
        QList<pid_t> pids;
        for (const pid_t leader : ProcessTree::children(su)) {
            pids << ProcessTree::sessionMembers(leader) << ProcessTree::descendants(leader) << leader;
        }
        ProcessTree::end(pids, 2000, {su});
    });

    try {
        application.run(
            program(SystemPaths::suProgram),
            {QStringLiteral("-"), username, QStringLiteral("-c"), applicationCommand.arg(display, program(SystemPaths::dbusLaunchProgram), command)});
    } catch (...) {
        disconnect(stop);
        throw;
    }
    if (child->state() != QProcess::NotRunning) {
        loop.exec();
    }
    disconnect(stop);

    // What the application left running (daemons, its session bus) was
    // handed to us as their reaper; the log follower is ours to keep.
    const pid_t follower = static_cast<pid_t>(collector.process()->processId());
    QList<pid_t> leftovers;
    for (const pid_t pid : ProcessTree::children(::getpid())) {
        if (pid != follower && pid != static_cast<pid_t>(child->processId())) {
            leftovers << ProcessTree::descendants(pid) << pid;
        }
    }
    ProcessTree::end(leftovers, 2000, {follower});

    readErrors();
    const QString errorsText = QString::fromUtf8(errorTail).trimmed();
    if (!errorsText.isEmpty()) {
        m_warnings << errorsText;
    }
    sendApplicationPid(-1);
}

void KioskTracer::removeTempAccount(const QString &name)
{
    User user(name);
    if (user.exists()) {
        // userdel refuses, or leaves a half-removed account, while the
        // account still runs something.
        ProcessTree::end(ProcessTree::ofRealUid(static_cast<uid_t>(user.getUid())));
        kiosk.removeUserProfile(name);
        user.remove();
    } else {
        kiosk.removeUserProfile(name);
    }
    forgetTempUser(name, false);
}

void KioskTracer::cleanUpLeftovers()
{
    Settings::KioskTracer settings;
    // A recording of this helper is running: its marks are its own.
    const Settings::KioskTracer::Recording recording = m_globalRecording ? Settings::KioskTracer::Recording() : settings.recording();

    // The helper that made these changes died before it could undo them. The
    // grant goes first: the display server resolves the account's name when
    // it takes a grant back.
    if (recording.running && !recording.grantedUser.isEmpty() && isValidDisplay(recording.display) && QFileInfo(recording.xauthorityPath).isFile()) {
        try {
            AppTraceData data;
            data.display = recording.display;
            data.xauthorytyPath = recording.xauthorityPath;
            grantDisplay(data, recording.grantedUser, false);
        } catch (const DetailsException &e) {
            // The display may be long gone, and its grants with it.
            m_warnings << e.fullDetails();
        }
    }

    const QSet<QString> names = settings.tempAccounts();
    for (const QString &name : names) {
        // Only names of our own making are ever removed.
        if (!isTempUserName(name)) {
            forgetTempUser(name, false);
            continue;
        }
        try {
            removeTempAccount(name);
        } catch (const DetailsException &e) {
            m_errors << e.fullDetails();
        }
    }

    if (!recording.running) {
        return;
    }
    try {
        kiosk.enableEnforce(recording.enforce);
        kiosk.enableComplain(recording.complain);
        kiosk.enableAutoComplain(recording.autoComplain);
        Settings::KioskTracer after;
        after.clearRecording();
        after.save();
    } catch (const DetailsException &e) {
        m_errors << e.fullDetails();
    }
}

void KioskTracer::startCollectTavrixUc()
{
    stopCollector();
    m_spoolDir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/orla-kiosk-trace-XXXXXX"));
    if (!m_spoolDir->isValid()) {
        const QString error = m_spoolDir->errorString();
        m_spoolDir.reset();
        throw CreateDirException(QDir::tempPath(), error);
    }
    // The log goes to a root-only file: a long recording on a busy machine
    // must not grow the helper.
    collector.process()->setStandardOutputFile(m_spoolDir->filePath(QStringLiteral("kernel.log")), QIODevice::Truncate);
    collector.setWaitForFinished(-1);
    collector.setAsyncFlag(true);
    collector.run(program(SystemPaths::dmesgProgram), {QStringLiteral("-w")});
    collector.setWaitForFinished(collectorStopMs);
    m_collectorRead = false;
}

void KioskTracer::stopCollector()
{
    collector.onStop();
    m_spoolDir.reset();
    m_collectorRead = false;
}

void KioskTracer::syncCollector()
{
    if (!m_spoolDir || collector.process()->state() == QProcess::NotRunning) {
        return;
    }
    QThread::msleep(collectorSettleMs);
    // A line of our own through the log: once the follower has written it,
    // everything logged before it is in the spool as well.
    const QByteArray marker = "orla-kiosk-recorder: sync " + QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    QFile log(program(SystemPaths::kernelLog));
    const QIODevice::OpenMode mode = log.exists() && !QFileInfo(log).isFile() ? QIODevice::WriteOnly : QIODevice::WriteOnly | QIODevice::Append;
    if (!log.open(mode) || log.write(marker + '\n') < 0) {
        return;
    }
    log.close();
    QFile spool(m_spoolDir->filePath(QStringLiteral("kernel.log")));
    for (int waited = 0; waited < collectorSyncMs; waited += 50) {
        if (spool.open(QIODevice::ReadOnly)) {
            const qint64 size = spool.size();
            spool.seek(qMax<qint64>(0, size - 64 * 1024));
            const bool found = spool.readAll().contains(marker);
            spool.close();
            if (found) {
                return;
            }
        }
        QThread::msleep(50);
    }
}

void KioskTracer::readOutCollector()
{
    if (m_collectorRead) {
        return;
    }
    syncCollector();
    QProcess *follower = collector.process();
    // A follower that ended on its own missed the rest of the recording.
    if (m_spoolDir && follower->state() == QProcess::NotRunning) {
        const QString command = program(SystemPaths::dmesgProgram) + QStringLiteral(" -w");
        throw ProcessException(command, follower->exitStatus(), follower->exitCode(), collector.errorsOutput());
    }
    collector.onStop();
    m_collectorRead = true;
}

QString KioskTracer::uccollectDmesg(unsigned int uid)
{
    readOutCollector();

    Process collect;
    collect.process()->setStandardInputFile(m_spoolDir ? m_spoolDir->filePath(QStringLiteral("kernel.log")) : QProcess::nullDevice());
    // A collector that crashes or hangs is an error, never "no rules". Its
    // exit code is not examined: what it printed are the rules it found.
    collect.run(program(SystemPaths::uccollectProgram), {QString::number(uid)}, false);
    const QString notes = collect.errorsOutput().trimmed();
    if (!notes.isEmpty()) {
        m_warnings << notes;
    }
    const int code = collect.process()->exitCode();
    if (code != 0) {
        m_warnings << tr("The access collector ended with exit code %1; the rules it printed are kept.").arg(code);
    }
    return collect.output();
}

bool KioskTracer::startGlobalRecord()
{
    m_errors.clear();
    m_warnings.clear();
    if (m_globalRecording) {
        m_errors << tr("A global recording is already running.");
        return false;
    }
    cleanUpLeftovers();
    if (!m_errors.isEmpty()) {
        return false;
    }
    const QString missing = missingTool({program(SystemPaths::dmesgProgram), program(SystemPaths::uccollectProgram)});
    if (!missing.isEmpty()) {
        m_errors << tr("The command '%1' that recording needs is not installed. Nothing has been changed.").arg(missing);
        return false;
    }
    try {
        beginRecording(AppTraceData(), QString());
        clearDmesg();
        enableTraceMode();
        startCollectTavrixUc();
    } catch (const DetailsException &e) {
        m_errors << e.fullDetails();
        m_undo.emplace_back(QStringLiteral("collector"), [this] {
            stopCollector();
        });
        undoAll();
        return false;
    }
    // From here the stop undoes it, or the next recording after a crash.
    m_undo.clear();
    m_globalRecording = true;
    return true;
}

bool KioskTracer::isGlobalRecording() const
{
    return m_globalRecording;
}

QMap<QString, QString> KioskTracer::stopGlobalRecord(bool ignoreResult)
{
    m_errors.clear();
    m_warnings.clear();
    if (!m_globalRecording) {
        m_errors << tr("No global recording is running.");
        return {};
    }
    m_globalRecording = false;

    // The log is read first and confinement comes back at once; collecting
    // user by user may take a while and must never keep the users unconfined.
    bool logRead = false;
    if (ignoreResult) {
        stopCollector();
    } else {
        try {
            readOutCollector();
            logRead = true;
        } catch (const DetailsException &e) {
            m_errors << e.fullDetails();
        }
    }
    try {
        disableTraceMode();
        Settings::KioskTracer settings;
        settings.clearRecording();
        settings.save();
    } catch (const DetailsException &e) {
        m_errors << e.fullDetails();
    }

    QMap<QString, QString> result;
    if (logRead) {
        result = collectTavrixUc();
    }
    stopCollector();
    return result;
}

QMap<QString, QString> KioskTracer::collectTavrixUc()
{
    QMap<QString, QString> result;
    const QSet<QString> names = kiosk.users();
    for (const QString &name : names) {
        try {
            User user(name);
            if (!user.exists()) {
                m_warnings << tr("The kiosk user '%1' has no account on this system; nothing was recorded for it.").arg(quoted(name));
                continue;
            }
            const QString text = uccollectDmesg(static_cast<unsigned int>(user.getUid()));
            if (!text.isEmpty()) {
                result.insert(name, text);
            }
        } catch (const DetailsException &e) {
            m_warnings << tr("No rules were collected for the kiosk user '%1': %2").arg(quoted(name), e.fullDetails());
        }
    }
    return result;
}

QSet<QString> KioskTracer::createUserProfiles()
{
    QSet<QString> created;
    const QSet<QString> kioskUsers = kiosk.users();
    const QSet<QString> accounts = Utils::users();
    for (const QString &name : accounts) {
        if (!kioskUsers.contains(name)) {
            kiosk.updateUserProfile(name, QString());
            created.insert(name);
        }
    }
    return created;
}

void KioskTracer::saveTempUsersProfiles(const QSet<QString> &names)
{
    Settings::KioskTracer settings;
    settings.setTempUserProfiles(names);
    settings.save();
}

QSet<QString> KioskTracer::popTempUsersProfiles()
{
    Settings::KioskTracer settings;
    const QSet<QString> names = settings.tempUserProfiles();
    settings.setTempUserProfiles({});
    settings.save();
    return names;
}

void KioskTracer::removeUserProfiles(const QSet<QString> &names)
{
    for (const QString &name : names) {
        kiosk.removeUserProfile(name);
    }
}
