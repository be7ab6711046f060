/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_STATE_H
#define ORLA_STATE_H

#include <QObject>

/**
 * Anything of the working copy that can hold unsaved changes.
 */
class State : public QObject
{
    Q_OBJECT
public:
    explicit State(QObject *parent = nullptr);
    ~State() override;

    bool isChanged() const;
    virtual void setChanged(bool changed);

Q_SIGNALS:
    void wasChanged(bool change);

private:
    bool m_changed = false;
};

#endif
