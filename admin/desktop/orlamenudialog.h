/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_ORLAMENUDIALOG_H
#define ORLA_ORLAMENUDIALOG_H

#include <QDialog>
#include <QString>
#include <QStringList>

class QDialogButtonBox;
class QListWidget;

/**
 * The desktop's application picker: lists the applications of a menu folder
 * with their icons and hands back the command line of the one chosen.
 *
 * The menu folder holds desktop entries (.desktop files). An empty path, or
 * one that is not a folder, lists the system's applications folder instead.
 * Entries that are hidden, not shown in menus or not applications are left out.
 */
class OrlaMenuDialog : public QDialog
{
    Q_OBJECT
public:
    /**
     * @param currentRow the row chosen at start; -1 for none
     * @param showNoDisplay also list entries marked as not to be shown in menus
     * @param showGenericNames show an application's generic name beside its name
     */
    OrlaMenuDialog(const QString &menuPath,
                   int currentRow,
                   bool showNoDisplay,
                   bool showGenericNames,
                   QWidget *parent = nullptr,
                   Qt::WindowFlags flags = Qt::WindowFlags());
    ~OrlaMenuDialog() override;

    /**
     * The chosen entry's command line with the desktop's field codes (%f, %U,
     * %i ...) removed; empty when nothing is chosen. This picker only starts
     * applications, never opens documents with them, so the file and URL
     * arguments of the desktop's interface are accepted and not used.
     */
    QString selectedItemExec(const QString &file, const QString &url, QStringList *files = nullptr, QStringList *urls = nullptr) const;

    /** A desktop entry's Exec value as a command line: field codes removed, "%%" read as "%". */
    static QString withoutFieldCodes(const QString &exec);

private:
    void fill(const QString &menuPath, bool showNoDisplay, bool showGenericNames);

    QListWidget *m_list;
    QDialogButtonBox *m_buttons;
};

#endif
