#include "store/filerecorder.h"

#include "failures/writefileexception.h"
#include "store/fileutils.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

FileRecorder::FileRecorder(const QString &path)
    : m_file(path)
{
}

FileRecorder::~FileRecorder() = default;

QString FileRecorder::path() const
{
    return m_file.fileName();
}

void FileRecorder::createDir() const
{
    Utils::createDirectory(QFileInfo(path()).absolutePath());
}

void FileRecorder::write(const QString &text)
{
    // Cutting the text at the NUL would drop the rest of the profile while
    // reporting success; profiles never hold one, so it is a caller's mistake.
    if (text.contains(QChar(0))) {
        throw WriteFileException(path(), QCoreApplication::translate("FileRecorder", "The text contains a NUL character"));
    }
    createDir();
    if (!m_file.open(QIODevice::WriteOnly)) {
        throw WriteFileException(path(), m_file.errorString());
    }
    const QByteArray bytes = text.toUtf8();
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        const QString error = m_file.errorString();
        // Throws the half-written copy away; the old file stays as it was.
        m_file.cancelWriting();
        m_file.commit();
        throw WriteFileException(path(), error);
    }
    if (!m_file.commit()) {
        throw WriteFileException(path(), m_file.errorString());
    }
}

void FileRecorder::write(bool value)
{
    createDir();
    QFile file(path());
    if (!file.open(QIODevice::WriteOnly)) {
        throw WriteFileException(path(), file.errorString());
    }
    // The module refuses values it does not accept at write time; that must
    // not pass as a switched mode.
    const QByteArray bytes = value ? QByteArrayLiteral("1\n") : QByteArrayLiteral("0\n");
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString error = file.errorString();
        file.close();
        throw WriteFileException(path(), error);
    }
    file.close();
}
