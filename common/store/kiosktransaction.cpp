/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "store/kiosktransaction.h"

#include "failures/deletefileexception.h"
#include "failures/readfileexception.h"
#include "failures/renamefileexception.h"
#include "failures/writefileexception.h"
#include "protocol/helperconstants.h"
#include "store/fileutils.h"
#include "store/kioskdirectory.h"
#include "store/kiosksnapshots.h"
#include "systempaths.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
using Directory = SystemKiosk::Directory;

// How many steps pass between two calls of the progress callback.
constexpr int progressEvery = 256;

void tick(const std::function<void()> &progress, int step)
{
    if (progress && step % progressEvery == 0) {
        progress();
    }
}

QString journalPath(const QString &root)
{
    return Utils::pathBelowRoot(root, SystemPaths::transactionJournalDir) + QStringLiteral("/journal");
}

QByteArray directoryToken(Directory directory)
{
    switch (directory) {
    case Directory::System:
        return QByteArrayLiteral("system");
    case Directory::Users:
        return QByteArrayLiteral("users");
    case Directory::Disabled:
        break;
    }
    return QByteArrayLiteral("disabled");
}

std::optional<Directory> directoryOfToken(const QByteArray &token)
{
    for (const Directory directory : {Directory::System, Directory::Users, Directory::Disabled}) {
        if (token == directoryToken(directory)) {
            return directory;
        }
    }
    return std::nullopt;
}

QString entryKey(const SystemKiosk::Entry &entry)
{
    return QString::fromLatin1(directoryToken(entry.directory)) + QLatin1Char('/') + entry.file;
}

QString journalUnreadable()
{
    return QCoreApplication::translate("KioskTransaction", "the journal of an interrupted save cannot be read");
}

// What the journal records: enough to put every touched entry back, or to
// tidy up after a save that went through.
struct Journal {
    struct Touched {
        Directory directory;
        QString file;
        QByteArray keptName; // empty: the entry did not exist
    };
    QList<Touched> touched;
    bool createdDisabled = false;
    bool committed = false;
    // The newest earlier configuration before this save's own: a save that
    // is undone keeps none ("-": there was none).
    bool keepsSnapshot = false;
    QString snapshotsAfter;

    // Not prepared: nothing of the save is visible yet, and a crash needs
    // no more than the disabled directory it made and the earlier
    // configuration it kept taken away again.
    QByteArray text(bool prepared = true) const
    {
        QByteArray text;
        if (createdDisabled) {
            text += "created-disabled\n";
        }
        if (keepsSnapshot) {
            text += "snapshots-after " + (snapshotsAfter.isEmpty() ? QByteArray("-") : snapshotsAfter.toLatin1()) + '\n';
        }
        if (!prepared) {
            return text;
        }
        for (const Touched &entry : touched) {
            text += "touched " + directoryToken(entry.directory) + ' ' + entry.file.toUtf8().toPercentEncoding() + ' '
                + (entry.keptName.isEmpty() ? QByteArray("-") : entry.keptName) + '\n';
        }
        return text + "prepared\n";
    }

    static Journal parse(const QByteArray &text, const QString &path)
    {
        Journal journal;
        const QList<QByteArray> lines = text.split('\n');
        for (const QByteArray &line : lines) {
            const QList<QByteArray> fields = line.split(' ');
            const std::optional<Directory> directory = fields.size() > 1 ? directoryOfToken(fields.at(1)) : std::nullopt;
            // Only our own hidden names: a journal is never a way to reach
            // anything but the entries it names in the kiosk directories.
            const auto hidden = [](const QByteArray &name) {
                return (name.startsWith(".kiosk-new-") || name.startsWith(".kiosk-old-")) && !name.contains('/');
            };
            if (line == "created-disabled") {
                journal.createdDisabled = true;
            } else if (line == "committed") {
                journal.committed = true;
            } else if (fields.size() == 2 && fields.at(0) == "snapshots-after"
                       && (fields.at(1) == "-" || KioskSnapshots::isValidId(QString::fromLatin1(fields.at(1))))) {
                journal.keepsSnapshot = true;
                journal.snapshotsAfter = fields.at(1) == "-" ? QString() : QString::fromLatin1(fields.at(1));
            } else if (fields.size() == 4 && fields.at(0) == "touched" && directory && (fields.at(3) == "-" || hidden(fields.at(3)))) {
                const QString file = QString::fromUtf8(QByteArray::fromPercentEncoding(fields.at(2)));
                if (!SystemKiosk::systemEntry(file)) {
                    throw ReadFileException(path, journalUnreadable());
                }
                journal.touched.append({*directory, file, fields.at(3) == "-" ? QByteArray() : fields.at(3)});
            } else if (!line.isEmpty() && line != "prepared") {
                throw ReadFileException(path, journalUnreadable());
            }
        }
        return journal;
    }
};

// The profile directories a save works in, each opened once.
class Directories
{
public:
    // @p create: the directories a save writes into are made when missing.
    void open(const QString &root, bool createSystem, bool createUsers, bool createDisabled)
    {
        system.emplace(Utils::pathBelowRoot(root, SystemPaths::systemProfilesDir), missing(createSystem));
        users.emplace(Utils::pathBelowRoot(root, SystemPaths::userProfilesDir), missing(createUsers || createDisabled));
        disabledExisted = users->hasEntry(HelperConstants::disabledPrefix);
        disabled.emplace(*users, HelperConstants::disabledPrefix, missing(false));
    }

    // Separately, so that the journal can record that the save makes it
    // before it exists.
    void createDisabled()
    {
        disabled.reset();
        disabled.emplace(*users, HelperConstants::disabledPrefix, missing(true));
    }

    static KioskDirectory::Missing missing(bool create)
    {
        return create ? KioskDirectory::Missing::Create : KioskDirectory::Missing::Leave;
    }

    const KioskDirectory &at(Directory directory) const
    {
        switch (directory) {
        case Directory::System:
            return *system;
        case Directory::Users:
            return *users;
        case Directory::Disabled:
            break;
        }
        return *disabled;
    }

    void sync() const
    {
        system->syncFileSystem();
        users->syncFileSystem();
    }

    std::optional<KioskDirectory> system;
    std::optional<KioskDirectory> users;
    std::optional<KioskDirectory> disabled;
    bool disabledExisted = true;
};

// Every touched entry gets its own file back, and one that did not exist
// goes out of sight; safe to repeat after a crash half-way through. Only
// renames: freeing a file's blocks can cost milliseconds a file, and the
// visible tree must be whole again at once.
void restoreTouched(const Directories &dirs, const Journal &journal)
{
    for (const Journal::Touched &entry : journal.touched) {
        const KioskDirectory &dir = dirs.at(entry.directory);
        if (entry.keptName.isEmpty()) {
            // Out of the disabled directory, so that one the save created can go again.
            dir.hideFile(entry.file, entry.directory == Directory::Disabled ? *dirs.users : dir);
        } else if (dir.hasEntry(QString::fromLatin1(entry.keptName))) {
            KioskDirectory::renameFile(dir, QString::fromLatin1(entry.keptName), dir, entry.file);
        }
    }
    if (journal.createdDisabled) {
        // New texts never moved into place would keep the directory from going.
        const QStringList leftovers = dirs.disabled->leftovers();
        for (const QString &name : leftovers) {
            dirs.disabled->hideFile(name, *dirs.users);
        }
        dirs.users->removeEmptyDirectory(HelperConstants::disabledPrefix);
    }
}

// Removes the hidden files earlier saves left: new texts never renamed into
// place, and the earlier versions of what they replaced.
void sweep(const Directories &dirs, const std::function<void()> &progress)
{
    int removed = 0;
    for (const KioskDirectory *dir : {&*dirs.system, &*dirs.users, &*dirs.disabled}) {
        const QStringList names = dir->leftovers();
        for (const QString &name : names) {
            dir->removeFile(name);
            tick(progress, ++removed);
        }
    }
}

void syncDescriptor(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!synced) {
        throw WriteFileException(path, QString::fromLocal8Bit(std::strerror(error)));
    }
}

// Replaced whole: a journal cut short by a crash would be unreadable, and
// the tree could not be put back.
void writeJournal(const QString &root, const QByteArray &text)
{
    const QString path = journalPath(root);
    const QString dir = QFileInfo(path).absolutePath();
    Utils::createDirectory(dir);
    // The journal names every file of the save; nobody but root reads it.
    ::chmod(QFile::encodeName(dir).constData(), 0700);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        throw WriteFileException(path, file.errorString());
    }
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (!file.commit()) {
        throw WriteFileException(path, file.errorString());
    }
    syncDescriptor(dir, O_RDONLY | O_DIRECTORY);
}

void removeJournal(const QString &root)
{
    Utils::deleteFile(journalPath(root));
}
}

KioskTransaction::UnfinishedSave::UnfinishedSave(const QString &why)
    : DetailsException(why)
{
}

KioskTransaction::UnfinishedSave::~UnfinishedSave() = default;

QString KioskTransaction::UnfinishedSave::fullDetails() const
{
    return details();
}

KioskTransaction::KioskTransaction(const QString &root)
    : m_root(root)
{
}

KioskTransaction::~KioskTransaction() = default;

void KioskTransaction::queue(Step::Kind kind,
                             const std::optional<SystemKiosk::Entry> &target,
                             const std::optional<SystemKiosk::Entry> &source,
                             const QString &text)
{
    if (!target || (kind == Step::Move && !source)) {
        return;
    }
    m_steps.append({kind, *target, source.value_or(*target), kind == Step::Replace ? text.toUtf8() : QByteArray(), QByteArray()});
}

void KioskTransaction::updateSystemProfile(const QString &name, const QString &text)
{
    queue(Step::Replace, SystemKiosk::systemEntry(name), std::nullopt, text);
}

void KioskTransaction::updateUserProfile(const QString &name, const QString &text)
{
    queue(Step::Replace, SystemKiosk::userEntry(name), std::nullopt, text);
}

void KioskTransaction::renameSystemProfile(const QString &from, const QString &to)
{
    queue(Step::Move, SystemKiosk::systemEntry(to), SystemKiosk::systemEntry(from), QString());
}

void KioskTransaction::renameUserProfile(const QString &from, const QString &to)
{
    queue(Step::Move, SystemKiosk::userEntry(to), SystemKiosk::userEntry(from), QString());
}

void KioskTransaction::removeSystemProfile(const QString &name)
{
    queue(Step::Remove, SystemKiosk::systemEntry(name), std::nullopt, QString());
}

void KioskTransaction::removeUserProfile(const QString &name)
{
    queue(Step::Remove, SystemKiosk::userEntry(name), std::nullopt, QString());
}

bool KioskTransaction::isEmpty() const
{
    return m_steps.isEmpty();
}

void KioskTransaction::putBack(const Earlier &earlier)
{
    const Step::Kind kind = earlier.existed ? Step::Replace : Step::Remove;
    m_steps.append({kind, earlier.entry, earlier.entry, earlier.existed ? earlier.bytes : QByteArray(), QByteArray()});
}

// What a commit works on from its plan to its end.
struct KioskTransaction::Work {
    Directories dirs;
    Journal journal;
    // The entries the save touches in the order it first touches them, and
    // whether each existed before it.
    QList<QPair<SystemKiosk::Entry, bool>> touched;
    std::function<void()> progress;
};

void KioskTransaction::commit(const std::function<void()> &progress, const std::function<void(const QList<Earlier> &)> &beforeApply)
{
    if (m_steps.isEmpty()) {
        return;
    }
    try {
        recover(m_root);
    } catch (const DetailsException &e) {
        throw UnfinishedSave(e.fullDetails());
    }
    removeLeftovers(progress, m_root);

    Work work;
    work.progress = progress;
    try {
        plan(work);
        stage(work, beforeApply);
    } catch (...) {
        dropStaged(work);
        throw;
    }
    try {
        apply(work);
    } catch (...) {
        rollBack(work);
        throw;
    }
    removeJournal(m_root);
    sweep(work.dirs, progress);
}

// The whole request, played through on what is on disk now, before anything
// is written: which entries it touches and whether each step can be done at
// all.
void KioskTransaction::plan(Work &work) const
{
    bool writesTo[3] = {false, false, false};
    for (const Step &step : m_steps) {
        if (step.kind != Step::Remove) {
            writesTo[int(step.target.directory)] = true;
        }
    }
    Directories &dirs = work.dirs;
    dirs.open(m_root, writesTo[int(Directory::System)], writesTo[int(Directory::Users)], writesTo[int(Directory::Disabled)]);
    if (writesTo[int(Directory::Disabled)] && !dirs.disabledExisted) {
        work.journal.createdDisabled = true;
        writeJournal(m_root, work.journal.text(false));
        dirs.createDisabled();
    }

    // Whether each entry is there once the steps so far have been done.
    QHash<QString, int> index;
    QList<bool> present;
    const auto presentNow = [&](const SystemKiosk::Entry &entry) -> bool & {
        const QString key = entryKey(entry);
        auto it = index.find(key);
        if (it == index.end()) {
            const bool exists = dirs.at(entry.directory).hasEntry(entry.file);
            it = index.insert(key, work.touched.size());
            work.touched.append({entry, exists});
            present.append(exists);
        }
        return present[*it];
    };
    for (const Step &step : m_steps) {
        const KioskDirectory &target = dirs.at(step.target.directory);
        const QString targetRefusal = target.entryRefusal(step.target.file);
        switch (step.kind) {
        case Step::Replace:
            if (!targetRefusal.isEmpty()) {
                throw WriteFileException(target.entryPath(step.target.file), targetRefusal);
            }
            presentNow(step.target) = true;
            break;
        case Step::Move: {
            const KioskDirectory &source = dirs.at(step.source.directory);
            const QString sourceRefusal = source.entryRefusal(step.source.file);
            const QString refusal = sourceRefusal.isEmpty() ? targetRefusal : sourceRefusal;
            if (!refusal.isEmpty() || !presentNow(step.source)) {
                throw RenameFileException(source.entryPath(step.source.file),
                                          target.entryPath(step.target.file),
                                          refusal.isEmpty() ? QString::fromLocal8Bit(std::strerror(ENOENT)) : refusal);
            }
            presentNow(step.source) = false;
            presentNow(step.target) = true;
            break;
        }
        case Step::Remove:
            if (!targetRefusal.isEmpty()) {
                throw DeleteFileException(target.entryPath(step.target.file), targetRefusal);
            }
            presentNow(step.target) = false;
            break;
        }
    }
}

// Everything new beside its target, and a second name for everything the
// save will replace, move or remove; none of it is visible to a reader.
void KioskTransaction::stage(Work &work, const std::function<void(const QList<Earlier> &)> &beforeApply)
{
    const Directories &dirs = work.dirs;
    Journal &journal = work.journal;
    for (int i = 0; i < m_steps.size(); ++i) {
        Step &step = m_steps[i];
        if (step.kind == Step::Replace) {
            step.newName = dirs.at(step.target.directory).writeNewFile(step.target.file, step.bytes);
            step.bytes.clear();
        }
        tick(work.progress, i + 1);
    }
    for (const auto &[entry, existed] : std::as_const(work.touched)) {
        const QByteArray kept = existed ? dirs.at(entry.directory).keepFile(entry.file) : QByteArray();
        journal.touched.append({entry.directory, entry.file, kept});
    }
    if (beforeApply) {
        // Written before the earlier configuration is kept, so that a
        // crash from here on takes it away with the save it belonged to.
        journal.keepsSnapshot = true;
        journal.snapshotsAfter = KioskSnapshots(m_root).newest();
        writeJournal(m_root, journal.text(false));
        QList<Earlier> earlier;
        earlier.reserve(journal.touched.size());
        for (const Journal::Touched &entry : std::as_const(journal.touched)) {
            const SystemKiosk::Entry where{entry.directory, entry.file};
            earlier.append({where,
                            !entry.keptName.isEmpty(),
                            entry.keptName.isEmpty() ? QByteArray() : dirs.at(entry.directory).readFile(QString::fromLatin1(entry.keptName))});
        }
        beforeApply(earlier);
    }
    writeJournal(m_root, journal.text());
    // The one sync of the save: every new text and every second name is
    // on disk before the first visible change.
    dirs.sync();
}

// Nothing visible has changed; what is left out of sight goes with the next save.
void KioskTransaction::dropStaged(Work &work) const
{
    try {
        removeJournal(m_root);
        if (!work.dirs.disabled) {
            return;
        }
        sweep(work.dirs, work.progress);
        if (!work.dirs.disabledExisted) {
            work.dirs.users->removeEmptyDirectory(HelperConstants::disabledPrefix);
        }
    } catch (...) {
    }
}

void KioskTransaction::apply(Work &work) const
{
    const Directories &dirs = work.dirs;
    for (int i = 0; i < m_steps.size(); ++i) {
        const Step &step = m_steps.at(i);
        const KioskDirectory &target = dirs.at(step.target.directory);
        switch (step.kind) {
        case Step::Replace:
            KioskDirectory::renameFile(target, QString::fromLatin1(step.newName), target, step.target.file);
            break;
        case Step::Move:
            KioskDirectory::renameFile(dirs.at(step.source.directory), step.source.file, target, step.target.file);
            break;
        case Step::Remove:
            target.removeFile(step.target.file);
            break;
        }
        tick(work.progress, i + 1);
    }
    dirs.sync();
    writeJournal(m_root, work.journal.text() + "committed\n");
}

// Left in place when putting back fails too: the next start tries again.
void KioskTransaction::rollBack(Work &work) const
{
    try {
        restoreTouched(work.dirs, work.journal);
        removeJournal(m_root);
        sweep(work.dirs, work.progress);
    } catch (...) {
    }
}

bool KioskTransaction::hasUnfinishedSave(const QString &root)
{
    return QFileInfo::exists(journalPath(root));
}

void KioskTransaction::recover(const QString &root)
{
    if (!hasUnfinishedSave(root)) {
        return;
    }
    const QString path = journalPath(root);
    const Journal journal = Journal::parse(Utils::readFile(path), path);
    Directories dirs;
    dirs.open(root, false, false, false);
    if (!journal.committed) {
        restoreTouched(dirs, journal);
        dirs.sync();
        if (journal.keepsSnapshot) {
            KioskSnapshots(root).removeNewerThan(journal.snapshotsAfter);
        }
    }
    removeJournal(root);
}

void KioskTransaction::removeLeftovers(const std::function<void()> &progress, const QString &root)
{
    Directories dirs;
    dirs.open(root, false, false, false);
    sweep(dirs, progress);
}
