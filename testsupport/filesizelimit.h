/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_FILESIZELIMIT_H
#define ORLA_FILESIZELIMIT_H

#include <sys/resource.h>

/**
 * Caps the size of every file this process writes while the object lives.
 *
 * Tests run as root, whom permissions do not stop; the size limit does, so a
 * write that fails half-way can be provoked whoever runs the tests.
 */
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();

    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    /** False when the limit could not be set; the test should skip then. */
    bool isActive() const;

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_changed = false;
    bool m_active = false;
};

#endif
