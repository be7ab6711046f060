/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_FAKEHELPERTESTCASE_H
#define ORLA_FAKEHELPERTESTCASE_H

#include "fakekauthbus.h"
#include "mainwindowtestcase.h"

/**
 * The main window against a stand-in helper on a private bus of its own, on a
 * tree where the account daemon is a kiosk user including the profile base.
 */
class FakeHelperTestCase : public MainWindowTestCase
{
    Q_OBJECT

protected:
    FakeKAuthBus m_bus;
    FakeKAuthHelper &m_helper = m_bus.helper();

protected Q_SLOTS:
    void initTestCase()
    {
        MainWindowTestCase::initTestCase();
        QString why;
        if (!m_bus.start(&why)) {
            QSKIP(qPrintable(why));
        }
    }

    void init()
    {
        MainWindowTestCase::init();
        m_helper.reset();
        KioskTree::setPasswd({QStringLiteral("daemon:x:1:1::/usr/sbin:/usr/sbin/nologin")});
        KioskTree::writeProfile(QStringLiteral("base"), QStringLiteral("+file r uo: /etc/hosts\n"));
        KioskTree::writeUser(QStringLiteral("daemon"), QStringLiteral("@include base\n"));
    }
};

#endif
