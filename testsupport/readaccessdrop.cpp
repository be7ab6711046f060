/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "readaccessdrop.h"

#include <QFile>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{
bool canRead(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

bool capabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}

bool setCapabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data) == 0;
}

constexpr unsigned int bit(int capability)
{
    return 1u << (capability % 32);
}
}

ReadAccessDrop::ReadAccessDrop(const QString &path)
    : m_path(path)
{
    struct stat info;
    if (stat(QFile::encodeName(path).constData(), &info) != 0) {
        return;
    }
    m_savedPermissions = info.st_mode & 07777;
    chmod(QFile::encodeName(path).constData(), 0);
    if (canRead(path)) {
        __user_cap_data_struct data[2] = {};
        if (capabilities(data)) {
            m_savedEffective[0] = data[0].effective;
            m_savedEffective[1] = data[1].effective;
            // Both capabilities are below 32, so they live in the first word.
            data[0].effective &= ~(bit(CAP_DAC_OVERRIDE) | bit(CAP_DAC_READ_SEARCH));
            m_capabilitiesLowered = setCapabilities(data);
        }
    }
    m_active = !canRead(path);
}

ReadAccessDrop::~ReadAccessDrop()
{
    if (m_capabilitiesLowered) {
        __user_cap_data_struct data[2] = {};
        if (capabilities(data)) {
            data[0].effective = m_savedEffective[0];
            data[1].effective = m_savedEffective[1];
            setCapabilities(data);
        }
    }
    chmod(QFile::encodeName(m_path).constData(), m_savedPermissions);
}

bool ReadAccessDrop::isActive() const
{
    return m_active;
}
