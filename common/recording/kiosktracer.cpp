/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "recording/kiosktracer.h"

#include "failures/createdirexception.h"
#include "failures/processexception.h"
#include "profile/printable.h"
#include "protocol/helperconstants.h"
#include "store/kiosktracersettings.h"
#include "system/processtree.h"
#include "system/unconfinedprocesses.h"
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

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const QString tempUserPattern = QStringLiteral("temp_user_%1");
// The session bus listens in the session's own temporary directory, under
// a name of its own there, as a confined session's bus does: Debian's
// session configuration (and so dbus-launch) makes it in /tmp, below which
// nothing but the session's own directory is granted. Without that
// directory the bus goes where it always went.
// An application without its bus would record a session unlike the one
// it is recorded for, so a bus that does not start ends the recording,
// said by a line of our own after the daemon's words.
const QString applicationCommand = QStringLiteral(
    "export DISPLAY=%1 && bus=$(%2 --session --fork --address=\"unix:dir=${TMPDIR:-/tmp}\" --print-address=1 --print-pid=1) && [ -n \"$bus\" ] "
    "|| { status=$?; echo '%3' >&2; exit $status; }; "
    "set -- $bus && export DBUS_SESSION_BUS_ADDRESS=\"$1\" DBUS_SESSION_BUS_PID=\"$2\" && %4");
const QByteArray noSessionBus = QByteArrayLiteral("orla-recording: no session bus");

// What every desktop session needs and trace mode never reports (device
// nodes, kernel interfaces) or a recording should not repeat (the loader,
// the login shell, the session bus, X, the toolkits): a recording runs with
// it and its rules include it, so that they hold what is special to the
// application.
const QString baseProfile = QStringLiteral("base-desktop");

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
    return Utils::printable(text, 80);
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

const char cookieFile[] = ".Xauthority";

// The account's home, opened without following a link, when it is the
// account's own: root then writes nothing through a name the account chose.
int openOwnHome(const QString &account, uid_t *uid, gid_t *gid)
{
    const passwd *entry = getpwnam(account.toLocal8Bit().constData());
    if (!entry || !entry->pw_dir || entry->pw_dir[0] != '/') {
        return -1;
    }
    *uid = entry->pw_uid;
    *gid = entry->pw_gid;
    const int home = open(entry->pw_dir, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {
    };
    if (home >= 0 && (fstat(home, &info) != 0 || info.st_uid != *uid)) {
        close(home);
        return -1;
    }
    return home;
}

// Replaces the entry @p name of @p dir whole with a new file of the account's
// own: a link there is replaced, never followed.
bool replaceEntry(int dir, const char *name, const QByteArray &bytes, uid_t uid, gid_t gid)
{
    const QByteArray temporary = QByteArray(name) + "-orla-" + QByteArray::number(QRandomGenerator::global()->generate(), 16);
    const int fd = openat(dir, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    bool written = fchown(fd, uid, gid) == 0;
    for (qint64 done = 0; written && done < bytes.size();) {
        const ssize_t step = write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        written = step > 0;
        done += step > 0 ? step : 0;
    }
    written = close(fd) == 0 && written;
    if (!written || renameat(dir, temporary.constData(), dir, name) != 0) {
        unlinkat(dir, temporary.constData(), 0);
        return false;
    }
    return true;
}

// What lies at the entry @p name of @p dir: nothing, a regular file (and its
// content), or anything else, which is never touched.
struct Entry {
    enum { Missing, File, Other } kind = Missing;
    QByteArray bytes;
};

Entry readEntry(int dir, const char *name)
{
    Entry entry;
    struct stat info {
    };
    if (fstatat(dir, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        entry.kind = errno == ENOENT ? Entry::Missing : Entry::Other;
        return entry;
    }
    entry.kind = Entry::Other;
    // An authority file holds a few cookies; one far larger is not one to replace.
    if (!S_ISREG(info.st_mode) || info.st_size > 1024 * 1024) {
        return entry;
    }
    const int fd = openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return entry;
    }
    char buffer[4096];
    ssize_t length = 0;
    while ((length = read(fd, buffer, sizeof buffer)) > 0 && entry.bytes.size() <= 1024 * 1024) {
        entry.bytes.append(buffer, int(length));
    }
    close(fd);
    if (length == 0 && entry.bytes.size() <= 1024 * 1024) {
        entry.kind = Entry::File;
    }
    return entry;
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

QString KioskTracer::missingToolError(const QStringList &tools) const
{
    for (const QString &tool : tools) {
        const QFileInfo info(tool);
        if (!info.isFile() || !info.isExecutable()) {
            return tr("The command '%1' that recording needs is not installed. Nothing has been changed.").arg(tool);
        }
    }
    return QString();
}

// Only a base profile that is installed: an include of a missing profile
// would be an error in every profile it went into.
QString KioskTracer::baseProfileIncludes() const
{
    const QFileInfo base(SystemKiosk::systemProfilesDir() + QLatin1Char('/') + baseProfile);
    return base.isFile() ? QStringLiteral("@include %1\n").arg(baseProfile) : QString();
}

QString KioskTracer::withBaseProfiles(const QString &recorded) const
{
    return recorded.isEmpty() ? recorded : baseProfileIncludes() + recorded;
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
                         program(SystemPaths::dbusDaemonProgram),
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
    return missingToolError(tools);
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
        restoreSwitches(recording);
    });
}

void KioskTracer::restoreSwitches(const Settings::KioskTracer::Recording &recording)
{
    kiosk.enableEnforce(recording.enforce);
    kiosk.enableComplain(recording.complain);
    kiosk.enableAutoComplain(recording.autoComplain);
    Settings::KioskTracer().clearRecording();
    if (recording.enforce) {
        m_warnings << UnconfinedProcesses::endOfKioskUsers();
    }
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
    const bool enforce = kiosk.autoEnforce();
    kiosk.enableEnforce(enforce);
    kiosk.enableComplain(false);
    // What kiosk users started meanwhile runs unconfined.
    if (enforce) {
        m_warnings << UnconfinedProcesses::endOfKioskUsers();
    }
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
        forgetTempUser(account, true);
        m_undo.emplace_back(QStringLiteral("account"), [this, account] {
            removeTempAccount(account);
        });
        User(account).create();
        kiosk.updateUserProfile(account, baseProfileIncludes());
    }

    startCollectTavrixUc();
    m_undo.emplace_back(QStringLiteral("collector"), [this] {
        stopCollector();
    });

    grantDisplay(data, account, true);
    m_undo.emplace_back(QStringLiteral("grant"), [this, data, account] {
        grantDisplay(data, account, false);
    });
    giveXCookie(data, account);
    m_undo.emplace_back(QStringLiteral("cookie"), [this, account] {
        takeBackXCookie(account);
    });

    runProcess(account, data.command, data.display);

    takeBack(QStringLiteral("cookie"));
    takeBack(QStringLiteral("grant"));
    const unsigned int uid = static_cast<unsigned int>(User(account).getUid());
    if (temporary) {
        takeBack(QStringLiteral("account"));
    }
    const QString result = withBaseProfiles(uccollectDmesg(uid));
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
    // Granted, it is written down first; taken back, only once it is.
    const auto recordGrant = [](const QString &user) {
        Settings::KioskTracer settings;
        Settings::KioskTracer::Recording recording = settings.recording();
        recording.grantedUser = user;
        settings.setRecording(recording);
        settings.save();
    };
    if (grant) {
        recordGrant(account);
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
        recordGrant(QString());
    }
}

// The display as a session gets it from its display manager: the display's
// cookie in the account's ~/.Xauthority, which X clients read by default,
// so that the recording sees the application read it too. The account's own
// file is put back afterwards. Without xauth or a cookie for the display the
// display grant alone lets the application in, and a warning says so.
void KioskTracer::giveXCookie(const AppTraceData &data, const QString &account)
{
    m_savedCookie.reset();
    const auto skipped = [this](const QString &why) {
        m_warnings << tr("The X display's cookie was not put into the account's home (%1); the application used the display grant alone.").arg(why);
    };
    if (!QFileInfo(program(SystemPaths::xauthProgram)).isExecutable()) {
        skipped(tr("%1 is not installed").arg(program(SystemPaths::xauthProgram)));
        return;
    }
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/orla-kiosk-cookie-XXXXXX"));
    if (!dir.isValid()) {
        skipped(dir.errorString());
        return;
    }
    const QString extracted = dir.filePath(QStringLiteral("cookie"));
    Process xauth;
    xauth.run(program(SystemPaths::xauthProgram), {QStringLiteral("-q"), QStringLiteral("-f"), data.xauthorytyPath, QStringLiteral("extract"), extracted, data.display}, false);
    QFile file(extracted);
    const QByteArray cookie = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (cookie.isEmpty()) {
        skipped(tr("the authority file holds no cookie for %1").arg(data.display));
        return;
    }
    uid_t uid = 0;
    gid_t gid = 0;
    const int home = openOwnHome(account, &uid, &gid);
    if (home < 0) {
        skipped(tr("the account has no home of its own"));
        return;
    }
    const Entry before = readEntry(home, cookieFile);
    if (before.kind == Entry::Other) {
        skipped(tr("~/.Xauthority there is not a file that can be put back"));
    } else {
        // Written down first, so that the next recording puts it back should this helper die.
        m_cookieGiven = true;
        m_savedCookie = before.kind == Entry::File ? std::optional<QByteArray>(before.bytes) : std::nullopt;
        rememberCookie(account);
    }
    if (m_cookieGiven && !replaceEntry(home, cookieFile, cookie, uid, gid)) {
        const int error = errno;
        m_cookieGiven = false;
        m_savedCookie.reset();
        rememberCookie(QString());
        skipped(QString::fromLocal8Bit(std::strerror(error)));
    }
    close(home);
}

void KioskTracer::rememberCookie(const QString &account)
{
    Settings::KioskTracer settings;
    Settings::KioskTracer::Recording recording = settings.recording();
    recording.cookieUser = account;
    recording.cookieHadFile = !account.isEmpty() && m_savedCookie.has_value();
    recording.cookieBefore = recording.cookieHadFile ? *m_savedCookie : QByteArray();
    settings.setRecording(recording);
    settings.save();
}

void KioskTracer::takeBackXCookie(const QString &account)
{
    if (!m_cookieGiven) {
        return;
    }
    m_cookieGiven = false;
    uid_t uid = 0;
    gid_t gid = 0;
    const int home = openOwnHome(account, &uid, &gid);
    bool done = home >= 0;
    if (done) {
        done = m_savedCookie ? replaceEntry(home, cookieFile, *m_savedCookie, uid, gid) : unlinkat(home, cookieFile, 0) == 0 || errno == ENOENT;
        close(home);
    }
    const int error = errno;
    m_savedCookie.reset();
    rememberCookie(QString());
    if (!done) {
        m_warnings << tr("The X display's cookie could not be taken out of the home of '%1' again: %2").arg(account, QString::fromLocal8Bit(std::strerror(error)));
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
        // A su still at its login checks has no session yet to wait for,
        // and the recording would wait for it for ever.
        if (pids.isEmpty() || !child->waitForFinished(2000)) {
            ProcessTree::end({su}, 2000, {su});
        }
    });

    try {
        application.run(
            program(SystemPaths::suProgram),
            {QStringLiteral("-"),
             username,
             QStringLiteral("-c"),
             applicationCommand.arg(display, program(SystemPaths::dbusDaemonProgram), QString::fromLatin1(noSessionBus), command)});
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
    sendApplicationPid(-1);
    const int busFailed = errorTail.lastIndexOf(noSessionBus + '\n');
    if (busFailed >= 0) {
        throw ProcessException(program(SystemPaths::dbusDaemonProgram),
                               QProcess::NormalExit,
                               child->exitCode(),
                               QString::fromUtf8(errorTail.left(busFailed)).trimmed());
    }
    const QString errorsText = QString::fromUtf8(errorTail).trimmed();
    if (!errorsText.isEmpty()) {
        m_warnings << errorsText;
    }
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

    if (recording.running && !recording.cookieUser.isEmpty() && User::isValidName(recording.cookieUser)) {
        m_cookieGiven = true;
        m_savedCookie = recording.cookieHadFile ? std::optional<QByteArray>(recording.cookieBefore) : std::nullopt;
        takeBackXCookie(recording.cookieUser);
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
        restoreSwitches(recording);
    } catch (const DetailsException &e) {
        m_errors << e.fullDetails();
    }
}

void KioskTracer::undoKilledRecording()
{
    m_errors.clear();
    m_warnings.clear();
    if (m_globalRecording || collector.process()->state() != QProcess::NotRunning) {
        return;
    }
    endOrphanedFollowers();
    const Settings::KioskTracer settings;
    const bool running = settings.recording().running;
    if (!running && settings.tempAccounts().isEmpty()) {
        return;
    }
    cleanUpLeftovers();
    if (!running || !m_errors.isEmpty()) {
        return;
    }
    // Undone up to the switches the recording found; trace mode itself
    // ends as every recording ends.
    try {
        disableTraceMode();
        kiosk.enableAutoComplain(false);
    } catch (const DetailsException &e) {
        m_errors << e.fullDetails();
    }
}

// A killed helper's log follower lives on, filling its spool with the
// kernel log for ever; it is known by where its output goes.
void KioskTracer::endOrphanedFollowers()
{
    const QString spoolPrefix = QDir::tempPath() + QStringLiteral("/orla-kiosk-trace-");
    const QString dmesg = QFileInfo(program(SystemPaths::dmesgProgram)).canonicalFilePath();
    QList<pid_t> followers;
    QStringList spools;
    for (const pid_t pid : ProcessTree::all()) {
        const QString proc = QStringLiteral("/proc/%1").arg(pid);
        const QFileInfo exe(proc + QStringLiteral("/exe"));
        const QString output = QFileInfo(proc + QStringLiteral("/fd/1")).symLinkTarget();
        // Only root's own, into a directory of root's: anyone can start a dmesg.
        if (QFileInfo(proc).ownerId() != 0 || exe.symLinkTarget() != dmesg || !output.startsWith(spoolPrefix)
            || !output.endsWith(QLatin1String("/kernel.log"))) {
            continue;
        }
        followers << pid;
        const QFileInfo spool(QFileInfo(output).absolutePath());
        if (!spool.isSymLink() && spool.isDir() && spool.ownerId() == 0 && QFileInfo(spool.absolutePath()) == QFileInfo(QDir::tempPath())) {
            spools << spool.absoluteFilePath();
        }
    }
    if (followers.isEmpty()) {
        return;
    }
    ProcessTree::end(followers);
    for (const QString &spool : std::as_const(spools)) {
        QDir(spool).removeRecursively();
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
    const QString missing = missingToolError({program(SystemPaths::dmesgProgram), program(SystemPaths::uccollectProgram)});
    if (!missing.isEmpty()) {
        m_errors << missing;
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
        Settings::KioskTracer().clearRecording();
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
            const QString text = withBaseProfiles(uccollectDmesg(static_cast<unsigned int>(user.getUid())));
            if (!text.isEmpty()) {
                result.insert(name, text);
            }
        } catch (const DetailsException &e) {
            m_warnings << tr("No rules were collected for the kiosk user '%1': %2").arg(quoted(name), e.fullDetails());
        }
    }
    return result;
}
