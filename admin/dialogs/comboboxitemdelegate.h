/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_COMBOBOXITEMDELEGATE_H
#define ORLA_COMBOBOXITEMDELEGATE_H

#include <QStyledItemDelegate>

/**
 * Edits the type cell of an object rule row with a choice of the rule types.
 *
 * The cell keeps the type value as user-role data and its name as display
 * text; the editor writes both.
 */
class ComboBoxItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ComboBoxItemDelegate(QObject *parent = nullptr);
    ~ComboBoxItemDelegate() override;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

    // The translated name of an ObjectRule::Type; empty for a value that is no type.
    static QString typeName(int type);
};

#endif
