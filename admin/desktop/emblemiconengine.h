/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_EMBLEMICONENGINE_H
#define ORLA_EMBLEMICONENGINE_H

#include <QIcon>
#include <QIconEngine>

/**
 * Paints an icon with a smaller icon over one corner, at whatever size the
 * icon is asked for.
 */
class EmblemIconEngine : public QIconEngine
{
public:
    EmblemIconEngine(const QIcon &base, const QIcon &emblem, Qt::Corner corner);
    ~EmblemIconEngine() override;

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) const override;
    QIconEngine *clone() const override;
    QString key() const override;

    // The part of rect the emblem covers.
    static QRect emblemRect(const QRect &rect, Qt::Corner corner);

private:
    QIcon m_base;
    QIcon m_emblem;
    Qt::Corner m_corner;
};

#endif
