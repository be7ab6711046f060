#ifndef ORLA_FILERECORDER_H
#define ORLA_FILERECORDER_H

#include "orlacommon_export.h"

#include <QSaveFile>
#include <QString>

/**
 * Writes one file whole: a text atomically through a save file, or a switch
 * value in place (module parameters cannot be replaced by a rename).
 */
class ORLACOMMON_EXPORT FileRecorder
{
public:
    explicit FileRecorder(const QString &path);
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
     * Writes "1\n" or "0\n" in place, truncating the file.
     * @throws CreateDirException, WriteFileException
     */
    void write(bool value);

    // A string literal would otherwise silently pick write(bool).
    void write(const char *) = delete;

private:
    QSaveFile m_file;
};

#endif
