/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "filesizelimit.h"

#include <csignal>

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    if (getrlimit(RLIMIT_FSIZE, &m_saved) != 0) {
        return;
    }
    // Going over the limit raises SIGXFSZ, which would end the test process;
    // ignored, the write fails with EFBIG instead.
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    m_changed = true;
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    if (m_changed) {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
}

bool FileSizeLimit::isActive() const
{
    return m_active;
}
