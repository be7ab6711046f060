/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ACCESSWATCHER_H
#define ORLA_ACCESSWATCHER_H

#include "profile/objectrule.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <sys/fanotify.h>
#include <sys/types.h>
#include <vector>

/** One file access seen on the machine. */
struct Access {
    pid_t pid = 0;
    ObjectRule::Type type = ObjectRule::File;
    // Bits 1 << ObjectRule::Mode.
    quint8 modes = 0;
    QByteArray path;
    // Unknown when a created object is gone before it is looked at; its
    // creator owned it.
    bool ownerKnown = false;
    uid_t owner = 0;
};

/**
 * Watches every filesystem a kiosk user can reach with fanotify, as a
 * listener only: nothing ever waits for it. Two groups: one that hands over
 * an open file for each read or write, and one that names the directory and
 * the entry of each creation.
 */
class AccessWatcher
{
public:
    AccessWatcher() = default;
    ~AccessWatcher();

    AccessWatcher(const AccessWatcher &) = delete;
    AccessWatcher &operator=(const AccessWatcher &) = delete;

    /**
     * Sets up the groups and marks every filesystem. False, with the reason
     * in @p error, when nothing can be watched. @p notes gets what is
     * watched only in part.
     */
    bool start(QString *error, QStringList *notes);

    /** The descriptors to wait on. */
    QVector<int> groups() const;

    /** Reads what @p group has queued; false when nothing was. */
    bool read(int group);

    /** The processes behind what read() got, in order, with repeats. */
    QVector<pid_t> pids() const;

    /**
     * The accesses read() got of the processes @p wanted accepts. Every
     * descriptor the kernel handed over is closed, wanted or not.
     */
    QVector<Access> accesses(const std::function<bool(pid_t)> &wanted);

    /** How often the kernel's queue overflowed and events were lost. */
    int overflows() const
    {
        return m_overflows;
    }

private:
    bool markAll(QString *error, QStringList *notes);
    bool inThisNamespace(int fd);
    void readAccess(const fanotify_event_metadata &event, QVector<Access> *out);
    void readCreation(const fanotify_event_metadata &event, const char *raw, QVector<Access> *out) const;
    void closeDescriptors();

    int m_notify = -1;
    int m_create = -1;
    int m_readFrom = -1;
    std::vector<char> m_buffer;
    size_t m_length = 0;
    // By filesystem id: a descriptor inside it, for opening directory handles.
    QHash<quint64, int> m_mountFds;
    int m_overflows = 0;
    // The mounts this process sees; read again, once per batch, when a file
    // turns up on another one.
    QSet<quint64> m_mountIds;
    bool m_mountIdsFresh = false;
};

#endif
