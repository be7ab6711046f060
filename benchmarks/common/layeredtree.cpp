/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "layeredtree.h"

#include "benchmarkoptions.h"

#include <QRandomGenerator>

#include <algorithm>

void LayeredTree::Size::addOptions(BenchmarkOptions &options)
{
    options.add(QStringLiteral("profiles"), QStringLiteral("System profiles."), &profiles);
    options.add(QStringLiteral("layers"), QStringLiteral("Depth of the include layers."), &layers);
    options.add(QStringLiteral("fanout"), QStringLiteral("Includes per profile."), &fanout);
}

LayeredTree::LayeredTree(const Size &size, Naming naming)
    : LayeredTree(size.layers, std::max(1, size.profiles / size.layers), size.fanout, naming)
{
}

LayeredTree::LayeredTree(int layers, int perLayer, int fanout, Naming naming)
    : m_layers(layers)
    , m_perLayer(perLayer)
    , m_fanout(fanout)
    , m_naming(naming)
{
}

int LayeredTree::layers() const
{
    return m_layers;
}

int LayeredTree::perLayer() const
{
    return m_perLayer;
}

int LayeredTree::fanout() const
{
    return m_fanout;
}

QString LayeredTree::name(int layer, int index) const
{
    return m_naming(layer, index);
}

QStringList LayeredTree::pick(int layer, int count, QRandomGenerator &random) const
{
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names.append(name(layer, random.bounded(m_perLayer)));
    }
    return names;
}

QStringList LayeredTree::includesBelow(int layer, QRandomGenerator &random) const
{
    return layer + 1 < m_layers ? pick(layer + 1, m_fanout, random) : QStringList();
}

QString LayeredTree::appName(int layer, int index)
{
    return QStringLiteral("app%1-%2").arg(layer, 3, 10, QLatin1Char('0')).arg(index, 4, 10, QLatin1Char('0'));
}
