/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_READACCESSDROP_H
#define ORLA_READACCESSDROP_H

#include <QString>

/**
 * Makes one file unreadable to this process while the object lives.
 *
 * Taking the read permission away is not enough when the tests run as root:
 * root reads anything through its capability to override file permissions.
 * So this also lowers that capability (and the one to search and read
 * directories) in the calling thread's effective set, and raises it again
 * afterwards; the permitted set is left alone, which is what makes raising
 * it again possible.
 */
class ReadAccessDrop
{
public:
    explicit ReadAccessDrop(const QString &path);
    ~ReadAccessDrop();

    ReadAccessDrop(const ReadAccessDrop &) = delete;
    ReadAccessDrop &operator=(const ReadAccessDrop &) = delete;

    /** True when the file really cannot be opened for reading now. */
    bool isActive() const;

private:
    QString m_path;
    unsigned int m_savedPermissions = 0;
    bool m_capabilitiesLowered = false;
    unsigned int m_savedEffective[2] = {0, 0};
    bool m_active = false;
};

#endif
