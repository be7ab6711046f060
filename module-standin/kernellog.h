/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KERNELLOG_H
#define ORLA_KERNELLOG_H

#include <QByteArray>
#include <QString>

#include <sys/types.h>

/**
 * Where trace reports go: the kernel's own log (/dev/kmsg), or in a scratch
 * build a plain file below the scratch root that the stand-in dmesg reads.
 */
class KernelLog
{
public:
    explicit KernelLog(const QString &path);
    ~KernelLog();

    KernelLog(const KernelLog &) = delete;
    KernelLog &operator=(const KernelLog &) = delete;

    /** Appends one record per element; false, with errno set, when it could not. */
    bool write(const QList<QByteArray> &records);

    /**
     * Whether the log was emptied (dmesg -C) or replaced since the last
     * call: what was written before is gone for whoever reads it next.
     */
    bool cleared();

private:
    bool fileCleared();
    bool deviceCleared();
    bool writeDevice(const QList<QByteArray> &records);
    bool writeFile(const QList<QByteArray> &records);
    bool openFile();

    const QByteArray m_path;
    const bool m_device;
    int m_fd = -1;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    // Where the file ended after the last write; the first record a reader
    // of the device gets.
    off_t m_end = 0;
    qint64 m_firstRecord = -1;
};

#endif
