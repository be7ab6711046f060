/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_KIOSKDIRECTORY_H
#define ORLA_KIOSKDIRECTORY_H

#include "orlacommon_export.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

/**
 * One directory of the kiosk tree, opened once and changed only through its
 * descriptor.
 *
 * The helper writes as root into directories whose entries someone else may
 * swap for symbolic links between a check and a write. Opened without
 * following a link and then addressed only by descriptor, the directory and
 * its entries stay the ones that were checked: a replaced file is written
 * beside its target and renamed over it, a removal unlinks the entry itself,
 * and no link is ever followed.
 *
 * A directory is only used when it is owned by root and writable by nobody
 * else; a tree that others can change is refused whole.
 */
class ORLACOMMON_EXPORT KioskDirectory
{
public:
    enum class Missing {
        Create, // made 0755 (parents too), whatever the process's umask
        Leave, // exists() is false and nothing may be changed in it
    };

    /** @throws CreateDirException, WriteFileException (a link, or a directory others may change) */
    explicit KioskDirectory(const QString &path, Missing missing = Missing::Create);
    /** The entry @p name of @p parent, opened through the parent's descriptor. */
    KioskDirectory(const KioskDirectory &parent, const QString &name, Missing missing = Missing::Create);
    ~KioskDirectory();

    KioskDirectory(KioskDirectory &&other) noexcept;
    KioskDirectory(const KioskDirectory &) = delete;
    KioskDirectory &operator=(const KioskDirectory &) = delete;
    KioskDirectory &operator=(KioskDirectory &&) = delete;

    QString path() const;
    QString entryPath(const QString &name) const;
    bool exists() const;

    enum class Sync {
        BeforeRename, // the new content is on disk before it takes the old one's place
        Skip,
    };

    /**
     * Replaces or creates the regular file @p name with @p bytes: a new file
     * in this directory, synced if asked, then renamed over the old one. The
     * new file is 0644 and keeps the owner and group of the file it replaces.
     * @throws WriteFileException (also when the entry is a link or not a regular file)
     */
    void replaceFile(const QString &name, const QByteArray &bytes, Sync sync) const;

    /**
     * Removes the file @p name; nothing there is not an error.
     * @throws DeleteFileException (also when the entry is a link)
     */
    void removeFile(const QString &name) const;

    /**
     * Moves @p fromName of @p from to @p toName of @p to, replacing an existing target.
     * @throws RenameFileException (also when either entry is a link)
     */
    static void renameFile(const KioskDirectory &from, const QString &fromName, const KioskDirectory &to, const QString &toName);

    /**
     * Writes @p bytes to a new hidden file beside @p name, not yet synced, and
     * returns its name; it keeps the owner and group of @p name when that
     * exists. Renaming it over @p name later replaces the file whole.
     * @throws WriteFileException
     */
    QByteArray writeNewFile(const QString &name, const QByteArray &bytes) const;

    /**
     * A second, hidden name for the regular file @p name, so that it survives
     * being replaced, moved or removed; empty when there is no such file.
     * @throws WriteFileException (also when the entry is a link or not a regular file)
     */
    QByteArray keepFile(const QString &name) const;

    /**
     * What stands in the way of changing the entry @p name: empty when it is
     * a regular file or missing, else why it may not be touched.
     */
    QString entryRefusal(const QString &name) const;
    /**
     * Moves the regular file @p name out of sight, to a hidden name in
     * @p into (on the same file system), for leftovers() to find later.
     * Nothing there is not an error.
     * @throws RenameFileException
     */
    void hideFile(const QString &name, const KioskDirectory &into) const;

    /** The hidden names that writeNewFile(), keepFile() and hideFile() leave. */
    QStringList leftovers() const;

    /**
     * The bytes of the regular file @p name, never through a link.
     * @throws ReadFileException
     */
    QByteArray readFile(const QString &name) const;

    /** True when the entry @p name exists, whatever it is. */
    bool hasEntry(const QString &name) const;

    /** Removes the subdirectory @p name when it is empty; anything else is left alone. */
    void removeEmptyDirectory(const QString &name) const;

    /**
     * Makes everything written to the file system that holds this directory
     * durable, in one call for any number of files.
     * @throws WriteFileException
     */
    void syncFileSystem() const;

    /** True when @p path's last component is a symbolic link. */
    static bool isLink(const QString &path);

private:
    void open(int parentFd, const QByteArray &name, Missing missing);
    /** Empty when the entry may be written through, else why not. */
    QString entryRefusal(const QString &name, bool mayBeMissing) const;

    QString m_path;
    int m_fd = -1;
};

#endif
