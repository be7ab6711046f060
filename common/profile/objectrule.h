/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_OBJECTRULE_H
#define ORLA_OBJECTRULE_H

#include "orlacommon_export.h"

#include <QSet>
#include <QString>

/**
 * One file-system object a kiosk user may touch: a file or link path, the
 * accesses allowed on it and for whom.
 *
 * A plain value: copyable, comparable and hashable, so that profiles keep
 * rules in hash sets. The filename is kept exactly as given.
 */
class ORLACOMMON_EXPORT ObjectRule
{
public:
    // The numeric values are part of the hash; do not renumber.
    enum Type : int {
        Unknown = 0,
        File = 1,
        Link = 2,
    };

    enum Mode : int {
        Read = 0,
        Write = 1,
        Create = 2,
    };

    enum Target : int {
        TargetUser = 0,
        TargetOther = 1,
    };

    enum Error : int {
        InvalidType = 0,
        NoModes = 1,
        NoTargets = 2,
        EmptyFilename = 3,
    };

    ObjectRule();
    virtual ~ObjectRule();

    ObjectRule(const ObjectRule &) = default;
    ObjectRule &operator=(const ObjectRule &) = default;
    ObjectRule(ObjectRule &&) = default;
    ObjectRule &operator=(ObjectRule &&) = default;

    Type type() const;
    void setType(Type type);

    QString filename() const;
    void setFilename(const QString &filename);

    bool deleted() const;
    void setDeleted(bool deleted);

    QSet<Mode> modes() const;
    void insertMode(const Mode &mode);
    void insertModes(const QSet<Mode> &modes);
    void removeMode(const Mode &mode);

    QSet<Target> targets() const;
    void insertTarget(const Target &target);
    void insertTargets(const QSet<Target> &targets);
    void removeTarget(const Target &target);

    QSet<Error> errors() const;
    bool isValid() const;

    bool operator==(const ObjectRule &other) const;
    bool operator!=(const ObjectRule &other) const;

    uint qHash(uint seed) const;

private:
    Type m_type = Unknown;
    QSet<Mode> m_modes;
    QSet<Target> m_targets;
    QString m_filename;
    bool m_deleted = false;
};

inline uint qHash(const ObjectRule &rule, uint seed = 0)
{
    return rule.qHash(seed);
}

#endif
