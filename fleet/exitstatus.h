/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_EXITSTATUS_H
#define ORLA_EXITSTATUS_H

/**
 * The exit statuses of orla-kiosk, which scripts and Ansible read: check
 * grades the configuration, apply and mode tell a change from none.
 */
namespace ExitStatus
{
inline constexpr int Success = 0;
inline constexpr int Failure = 1;

inline constexpr int Clean = 0;
inline constexpr int Warnings = 1;
inline constexpr int Errors = 2;

inline constexpr int Changed = 0;
inline constexpr int Unchanged = 3;

inline constexpr int Usage = 64;
}

#endif
