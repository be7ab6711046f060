/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "desktop/emblemiconengine.h"

#include <QPainter>
#include <QPixmap>

EmblemIconEngine::EmblemIconEngine(const QIcon &base, const QIcon &emblem, Qt::Corner corner)
    : m_base(base)
    , m_emblem(emblem)
    , m_corner(corner)
{
}

EmblemIconEngine::~EmblemIconEngine() = default;

QRect EmblemIconEngine::emblemRect(const QRect &rect, Qt::Corner corner)
{
    // Half the side keeps the emblem readable at 16 pixels and the icon recognisable.
    const int side = std::max(1, std::min(rect.width(), rect.height()) / 2);
    QRect emblem(0, 0, side, side);
    switch (corner) {
    case Qt::TopLeftCorner:
        emblem.moveTopLeft(rect.topLeft());
        break;
    case Qt::TopRightCorner:
        emblem.moveTopRight(rect.topRight());
        break;
    case Qt::BottomLeftCorner:
        emblem.moveBottomLeft(rect.bottomLeft());
        break;
    case Qt::BottomRightCorner:
        emblem.moveBottomRight(rect.bottomRight());
        break;
    }
    return emblem;
}

void EmblemIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    // An icon is not scaled up beyond its largest size: the emblem belongs
    // on the corner of the icon as painted, not of the rectangle around it.
    QRect iconRect(QPoint(0, 0), m_base.actualSize(rect.size(), mode, state));
    iconRect.moveCenter(rect.center());
    m_base.paint(painter, rect, Qt::AlignCenter, mode, state);
    m_emblem.paint(painter, emblemRect(iconRect, m_corner), Qt::AlignCenter, mode, state);
}

QPixmap EmblemIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    QPixmap result(size);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    return result;
}

QSize EmblemIconEngine::actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    Q_UNUSED(mode)
    Q_UNUSED(state)
    return size;
}

QList<QSize> EmblemIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state) const
{
    return m_base.availableSizes(mode, state);
}

QIconEngine *EmblemIconEngine::clone() const
{
    return new EmblemIconEngine(m_base, m_emblem, m_corner);
}

QString EmblemIconEngine::key() const
{
    return QStringLiteral("orla-emblem");
}
