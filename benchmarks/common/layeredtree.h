/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_LAYEREDTREE_H
#define ORLA_LAYEREDTREE_H

#include <QString>
#include <QStringList>

class BenchmarkOptions;
class QRandomGenerator;

/**
 * The include graph of a generated kiosk tree: profiles in layers, each
 * including a few profiles of the layer below picked at random, so that
 * every profile is shared by several above it and the number of include
 * paths grows as fanout^layers. The benchmarks lay their own rules and
 * extras around it; the same seed gives the same graph.
 */
class LayeredTree
{
public:
    using Naming = QString (*)(int layer, int index);

    /**
     * How large a tree is, its profiles spread evenly over its layers; by
     * default the tree of the program's targets, 10 000 profiles in 50 layers.
     */
    struct Size {
        int profiles = 10000;
        int layers = 50;
        int fanout = 3;

        /** Offers the three on the command line as --profiles, --layers and --fanout. */
        void addOptions(BenchmarkOptions &options);
    };

    explicit LayeredTree(const Size &size, Naming naming = &LayeredTree::appName);
    LayeredTree(int layers, int perLayer, int fanout, Naming naming = &LayeredTree::appName);

    int layers() const;
    int perLayer() const;
    int fanout() const;
    QString name(int layer, int index) const;

    /** @p count names of @p layer picked at random, as a user's profile includes the top layer. */
    QStringList pick(int layer, int count, QRandomGenerator &random) const;
    /** The includes of a profile of @p layer: fanout names of the next layer; none at the bottom. */
    QStringList includesBelow(int layer, QRandomGenerator &random) const;

    /** "app007-0042": the seventh layer's forty-second profile. */
    static QString appName(int layer, int index);

private:
    int m_layers;
    int m_perLayer;
    int m_fanout;
    Naming m_naming;
};

#endif
