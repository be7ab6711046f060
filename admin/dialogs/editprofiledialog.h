/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_EDITPROFILEDIALOG_H
#define ORLA_EDITPROFILEDIALOG_H

#include "profile/objectrule.h"
#include "profile/profilefile.h"

#include <QDialog>
#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <QVariantMap>

#include <memory>

class AbstractProfileState;
class DirFileSelectionDialog;
class FileSelectionDialog;
class QLineEdit;
class QListWidgetItem;
class QMenu;
class QToolBar;
class SystemState;

namespace Ui
{
class EditProfileDialog;
}

/**
 * Shows one profile, or changes it: its name, its allowed objects (one table
 * row per object rule) and the profiles it plugs in.
 *
 * Works on its own copy of the profile, read with profileFile() once exec()
 * returned Accepted. Renaming is the exception: accepting a new name
 * rewrites the includes of the old name in every profile and user of the
 * working state at once, so that nothing is left pointing at a name that no
 * longer exists. When the working state is read-only the dialog only shows.
 */
class EditProfileDialog : public QDialog
{
    Q_OBJECT
public:
    enum Column : int {
        TypeColumn = 0,
        FilenameColumn,
        ReadColumn,
        WriteColumn,
        CreateColumn,
        UserColumn,
        OtherColumn,
        ColumnCount,
    };

    /**
     * @param systemState the working state: read-only flag, every profile and
     *        user; not owned
     * @param user the kiosk user in whose context the profile is edited, or
     *        null; not owned. Its home directory is where the pickers start.
     */
    EditProfileDialog(const ProfileFile &file, SystemState *systemState, AbstractProfileState *user, QWidget *parent = nullptr);
    ~EditProfileDialog() override;

    ProfileFile profileFile() const;

    /**
     * The objects table's context menu for the rows selected now; null in
     * read-only mode. The caller owns the menu.
     */
    QMenu *createObjectsContextMenu();

public Q_SLOTS:
    void accept() override;
    void objectSelectionChanged();
    void objectsTableCustomContextMenuRequested(const QPoint &position);
    void insertFileTriggered();
    void insertDirectoryFilesTriggered();
    void removeFileTriggered();
    /**
     * Asks what to record, records it and adds the recorded rules. Not offered
     * in read-only mode, nor while the module is in trace mode: a recording
     * runs already, and the helper would answer a second one as busy.
     */
    virtual void traceAppActionTriggered();
    void profileNameChanged(const QString &text);
    void inclusionItemChanged(QListWidgetItem *item);

public:
    /**
     * Runs the command through the helper under the account (a temporary one
     * when the name is empty) on this session's X display, waits for it to
     * end and adds the recorded rules as rows, replacing the rows and includes
     * when overwrite is set. True when rules were added; a refusal, a failure
     * or a wait given up leaves the table as it was.
     */
    virtual bool recordApplicationRules(const QString &userName, const QString &command, bool overwrite);

    /**
     * Adds the object rules of a recording's reply data ("traceText", read
     * as UTF-8, rules on one object merged) after showing its warnings.
     */
    // The number of rules recorded.
    int addRecordedRules(const QVariantMap &replyData, bool overwrite);

protected:
    /**
     * The recording dialog, then recordApplicationRules() with its choices;
     * the result of that. @p executableName receives the recorded program's
     * file name.
     */
    bool traceApplication(QString *executableName = nullptr);

    SystemState *systemState() const;
    QLineEdit *profileNameLineEdit() const;

    // Appends one row per rule, sorted by filename, after the existing rows.
    void appendObjectRules(const QList<ObjectRule> &rules);

private:
    void setupForm();
    void fill();
    void fillInclusionList();
    bool recordingOffered() const;

    // Appends one row per rule in the given order.
    void appendRows(const QList<ObjectRule> &rules);
    // The rule a row describes, complete or not.
    ObjectRule ruleOfRow(int row) const;
    // Every row with a selected cell, ascending.
    QList<int> selectedRows() const;
    void setTypeOfSelectedRows(ObjectRule::Type type);
    // Checks the column in every selected row unless it is checked in all of them already.
    void toggleColumnOfSelectedRows(int column);
    bool isColumnCheckedInRows(int column, const QList<int> &rows) const;

    // The rows the pickers add for paths: everything allowed to everyone.
    void appendDefaultRules(const QStringList &paths);
    /** The one rule for the names of new and renamed profiles. */
    static QRegularExpression profileNamePattern();

    /*
     * The pickers are made on first use and kept: a file dialog is costly to
     * build and to tear down, and most edits never open one.
     */
    FileSelectionDialog *filePicker();
    DirFileSelectionDialog *directoryPicker();

    std::unique_ptr<Ui::EditProfileDialog> ui;
    QToolBar *m_toolBar;
    ProfileFile m_file;
    SystemState *m_systemState;
    AbstractProfileState *m_user;
    QStringList m_lockedProfiles;
    // The kiosk user's home when it can be found.
    QString m_pickerDirectory;
    FileSelectionDialog *m_fileDialog;
    DirFileSelectionDialog *m_dirDialog;
    bool m_readOnly;
};

#endif
