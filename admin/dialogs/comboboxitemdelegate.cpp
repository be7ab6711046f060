/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "dialogs/comboboxitemdelegate.h"

#include "profile/objectrule.h"

#include <QComboBox>
#include <QCoreApplication>

ComboBoxItemDelegate::ComboBoxItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

ComboBoxItemDelegate::~ComboBoxItemDelegate() = default;

QString ComboBoxItemDelegate::typeName(int type)
{
    switch (type) {
    case ObjectRule::File:
        return QCoreApplication::translate("ObjectRuleType", "File");
    case ObjectRule::Link:
        return QCoreApplication::translate("ObjectRuleType", "Link");
    default:
        return QString();
    }
}

QWidget *ComboBoxItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    Q_UNUSED(option)
    Q_UNUSED(index)
    auto *editor = new QComboBox(parent);
    for (const int type : {ObjectRule::File, ObjectRule::Link}) {
        editor->addItem(typeName(type), type);
    }
    return editor;
}

void ComboBoxItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *comboBox = qobject_cast<QComboBox *>(editor);
    if (!comboBox) {
        return;
    }
    const int entry = comboBox->findData(index.data(Qt::UserRole));
    if (entry >= 0) {
        comboBox->setCurrentIndex(entry);
    }
}

void ComboBoxItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *comboBox = qobject_cast<QComboBox *>(editor);
    if (!comboBox || comboBox->currentIndex() < 0) {
        return;
    }
    model->setData(index, comboBox->currentData(), Qt::UserRole);
    model->setData(index, comboBox->currentText(), Qt::DisplayRole);
}
