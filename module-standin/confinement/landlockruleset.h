/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_LANDLOCKRULESET_H
#define ORLA_LANDLOCKRULESET_H

#include "userwhitelist.h"

#include <QString>
#include <QStringList>
#include <QVector>

/**
 * A Landlock ruleset made of a kiosk user's grants, for the ABI the running
 * kernel offers.
 *
 * It refuses everything Landlock can refuse on files, except reading
 * directories, which the module's trace mode never reports either: a
 * listing shows names, never content. r is reading and executing, w
 * writing and truncating, either of them a device's ioctl commands; c
 * making and removing entries of every kind but device nodes, and moving
 * them between directories. Where the kernel has scoping, the session
 * signals no process outside itself. Abstract unix sockets are not
 * scoped: X clients reach their server over one and try no other.
 */
class LandlockRuleset
{
public:
    LandlockRuleset() = default;
    ~LandlockRuleset();
    LandlockRuleset(const LandlockRuleset &) = delete;
    LandlockRuleset &operator=(const LandlockRuleset &) = delete;

    /** The Landlock ABI the running kernel offers; 0 when it offers none. */
    static int abi();

    /** The rights a ruleset of @p abi refuses unless a rule grants them. */
    static quint64 handledAccess(int abi);

    /** The rights @p modes give, on one object or (@p beneath) on a directory and everything below it. */
    static quint64 access(UserWhitelist::Modes modes, bool beneath, int abi);

    /**
     * The scopes a ruleset of @p abi holds the session to: signals to its
     * own processes, and with @p abstractSockets abstract unix sockets of
     * its own too.
     */
    static quint64 scopes(int abi, bool abstractSockets);

    /**
     * Makes an empty ruleset for the running kernel, scoped as scopes()
     * says without abstract sockets. False, with the reason in @p error,
     * when there is none.
     */
    bool create(QString *error);

    /**
     * Adds the rule of one grant on the object @p fd (O_PATH), which the
     * safe walk opened: never reopened by its path, which a rename could
     * have pointed elsewhere since. A rule the kernel refuses costs only
     * its grant, said in @p warnings.
     */
    void add(int fd, const QByteArray &path, UserWhitelist::Modes object, UserWhitelist::Modes beneath, QStringList *warnings);

    /** The ruleset's descriptor, -1 before create(). */
    int fd() const
    {
        return m_fd;
    }

    /** Grants that became rules since create(). */
    int rules() const
    {
        return m_rules;
    }

private:
    int m_fd = -1;
    int m_abi = 0;
    int m_rules = 0;
};

#endif
