/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_ENABLEACTIONSMAP_H
#define ORLA_ENABLEACTIONSMAP_H

#include "protocol/helperactionsmap.h"

/**
 * Arguments of the enable action: the four kiosk switches. A switch whose
 * key is absent is left alone, which is not the same as a switch set to false.
 */
class ORLACOMMON_EXPORT EnableActionsMap : public HelperActionsMap
{
public:
    enum KeyState {
        NotSet = 0,
        Enabled = 1,
        Disabled = 2,
    };

    using HelperActionsMap::HelperActionsMap;
    ~EnableActionsMap() override;

    void enableEnforce(bool enable);
    void enableAutoEnforce(bool enable);
    void enableComplain(bool enable);
    void enableAutoComplain(bool enable);

    KeyState enforce() const;
    KeyState autoEnforce() const;
    KeyState complain() const;
    KeyState autoComplain() const;

    KeyState keyState(const QString &key) const;

    /** The four switches, each a bool. */
    static QList<Key> acceptedKeys();
};

#endif
