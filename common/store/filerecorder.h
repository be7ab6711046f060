/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_FILERECORDER_H
#define ORLA_FILERECORDER_H

#include "orlacommon_export.h"

#include "store/kioskdirectory.h"

#include <QString>

/**
 * Writes one file whole: a text or a switch value atomically (a new file in
 * the same directory, renamed over the old one; a switch synced first), or a
 * module parameter in place, since those cannot be replaced by a rename.
 */
class ORLACOMMON_EXPORT FileRecorder
{
public:
    explicit FileRecorder(const QString &path);
    /** The file @p name of an open directory of the kiosk tree. */
    FileRecorder(const KioskDirectory &directory, const QString &name);
    virtual ~FileRecorder();

    FileRecorder(const FileRecorder &) = delete;
    FileRecorder &operator=(const FileRecorder &) = delete;

    QString path() const;

    /**
     * Creates the directory that holds the file when it is missing.
     * @throws CreateDirException
     */
    void createDir() const;

    /**
     * Replaces the file with @p text as UTF-8, whole or not at all.
     * A text holding a NUL character is refused before anything is touched.
     * @throws CreateDirException, WriteFileException
     */
    void write(const QString &text);

    /**
     * Replaces the file with "1\n" or "0\n", whole or not at all.
     * @throws CreateDirException, WriteFileException
     */
    void write(bool value);

    /**
     * Writes "1\n" or "0\n" in place, truncating the file, never through a link.
     * @throws CreateDirException, WriteFileException
     */
    void writeInPlace(bool value);

    // A string literal would otherwise silently pick write(bool).
    void write(const char *) = delete;

private:
    void replace(const QByteArray &bytes, KioskDirectory::Sync sync);

    const KioskDirectory *m_directory = nullptr;
    QString m_path;
};

#endif
