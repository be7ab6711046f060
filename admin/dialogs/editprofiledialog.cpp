/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "dialogs/editprofiledialog.h"
#include "ui_editprofiledialog.h"

#include "dialogs/comboboxitemdelegate.h"
#include "dialogs/dirfileselectiondialog.h"
#include "dialogs/fileselectiondialog.h"
#include "dialogs/traceprocessdialog.h"
#include "dialogs/tracewaitdialog.h"
#include "messagetext.h"
#include "state/abstractprofilestate.h"
#include "state/profilestate.h"
#include "state/systemstate.h"
#include "state/userstate.h"
#include "x11session.h"

#include "failures/detailsexception.h"
#include "profile/includegraph.h"
#include "profile/includerule.h"
#include "profile/printable.h"
#include "profile/profileparser.h"
#include "protocol/helperaction.h"
#include "protocol/helperconstants.h"
#include "protocol/traceapplicationactionsmap.h"
#include "store/fileutils.h"
#include "system/user.h"
#include "systempaths.h"

#include <KAuth/ExecuteJob>

#include <QFileInfo>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMessageBox>
#include <QMultiMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSet>
#include <QTextStream>
#include <QTimer>
#include <QToolBar>
#include <QVector>

#include <algorithm>

namespace
{
constexpr Qt::ItemFlags viewOnlyFlags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
// The administrator may work with a recorded application for a whole day.
constexpr int traceApplicationTimeout = 24 * 60 * 60 * 1000;

// The check columns: each stands for one mode or one target of the rule.
const std::pair<int, ObjectRule::Mode> modeColumns[] = {
    {EditProfileDialog::ReadColumn, ObjectRule::Read},
    {EditProfileDialog::WriteColumn, ObjectRule::Write},
    {EditProfileDialog::CreateColumn, ObjectRule::Create},
};
const std::pair<int, ObjectRule::Target> targetColumns[] = {
    {EditProfileDialog::UserColumn, ObjectRule::TargetUser},
    {EditProfileDialog::OtherColumn, ObjectRule::TargetOther},
};

QString nameOfItem(const QListWidgetItem *item)
{
    return item->data(Qt::UserRole).toString();
}

bool isChecked(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item && item->checkState() == Qt::Checked;
}
}

EditProfileDialog::EditProfileDialog(const ProfileFile &file, SystemState *systemState, AbstractProfileState *user, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::EditProfileDialog>())
    , m_toolBar(nullptr)
    , m_file(file)
    , m_systemState(systemState)
    , m_user(user)
    , m_pickerDirectory(QString::fromUtf8(SystemPaths::homesDir))
    , m_fileDialog(nullptr)
    , m_dirDialog(nullptr)
    , m_readOnly(systemState->readOnlyInfo().readOnly)
{
    setupForm();
    fill();
}

EditProfileDialog::~EditProfileDialog() = default;

void EditProfileDialog::setupForm()
{
    ui->setupUi(this);

    m_toolBar = new QToolBar(ui->objectTab);
    m_toolBar->addAction(ui->actionAddFile);
    m_toolBar->addAction(ui->actionAddDirectory);
    m_toolBar->addAction(ui->actionRemoveFile);
    m_toolBar->addAction(ui->actionAddFilesFromProcess);
    ui->verticalLayout_3->setMenuBar(m_toolBar);

    ui->profileNameLineEdit->setEnabled(!m_readOnly);
    m_toolBar->setEnabled(!m_readOnly);
    if (m_readOnly) {
        setWindowTitle(tr("View profile: %1").arg(m_file.name()));
        ui->buttonBox->setStandardButtons(QDialogButtonBox::Close);
    } else {
        setWindowTitle(tr("Edit profile: %1").arg(m_file.name()));
        ui->buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        // Enter in the name or the table must not accept half-done work.
        ui->buttonBox->button(QDialogButtonBox::Ok)->setDefault(false);
        ui->buttonBox->button(QDialogButtonBox::Cancel)->setDefault(true);
    }
    ui->actionAddFilesFromProcess->setEnabled(recordingOffered());

    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ui->actionAddFile, &QAction::triggered, this, &EditProfileDialog::insertFileTriggered);
    connect(ui->actionAddDirectory, &QAction::triggered, this, &EditProfileDialog::insertDirectoryFilesTriggered);
    connect(ui->actionRemoveFile, &QAction::triggered, this, &EditProfileDialog::removeFileTriggered);
    connect(ui->actionAddFilesFromProcess, &QAction::triggered, this, &EditProfileDialog::traceAppActionTriggered);
    connect(ui->profileNameLineEdit, &QLineEdit::textChanged, this, &EditProfileDialog::profileNameChanged);
    connect(ui->objectsTableWidget, &QTableWidget::itemSelectionChanged, this, &EditProfileDialog::objectSelectionChanged);
    connect(ui->inclusionListWidget, &QListWidget::itemChanged, this, &EditProfileDialog::inclusionItemChanged);
    connect(ui->objectsTableWidget, &QWidget::customContextMenuRequested, this, &EditProfileDialog::objectsTableCustomContextMenuRequested);
    // The tool tip shows the whole filename; it follows editing in place.
    connect(ui->objectsTableWidget, &QTableWidget::itemChanged, this, [](QTableWidgetItem *item) {
        if (item->column() == FilenameColumn && item->toolTip() != item->text()) {
            item->setToolTip(item->text());
        }
    });

    ui->objectsTableWidget->setItemDelegateForColumn(TypeColumn, new ComboBoxItemDelegate(ui->objectsTableWidget));

    // Sized while the table is still empty, so the cost does not grow with
    // the profile: the headers decide, and the type and filename columns get
    // room for their contents.
    QTableWidget *table = ui->objectsTableWidget;
    table->resizeColumnsToContents();
    table->setColumnWidth(TypeColumn, table->columnWidth(TypeColumn) * 2);
    // The paths take whatever width the other columns leave, none of it empty.
    table->horizontalHeader()->setSectionResizeMode(FilenameColumn, QHeaderView::Stretch);

    ui->profileNameLineEdit->setValidator(new QRegularExpressionValidator(profileNamePattern(), ui->profileNameLineEdit));
}

void EditProfileDialog::fill()
{
    if (m_user) {
        try {
            User account(m_user->name());
            m_pickerDirectory = account.homeDir();
        } catch (const DetailsException &) {
            // An account that cannot be looked up leaves the pickers where they were.
        }
    }

    ui->profileNameLineEdit->setText(m_file.name());

    appendObjectRules(m_file.data().objectRules().values());
    fillInclusionList();

    objectSelectionChanged();
    profileNameChanged(ui->profileNameLineEdit->text());
}

void EditProfileDialog::fillInclusionList()
{
    // In name order.
    QMultiMap<QString, const ProfileState *> profiles;
    const QSet<ProfileState *> states = m_systemState->profiles();
    QSet<const ProfileFile *> files;
    files.reserve(states.size());
    for (const ProfileState *state : states) {
        profiles.insert(state->name(), state);
        files.insert(state->file());
    }

    const QString editedName = m_file.name();
    const QSet<IncludeRule> includes = m_file.data().includes();
    QSet<QString> toPlace;
    for (const IncludeRule &include : includes) {
        toPlace.insert(include.name());
    }
    // Every chain at once: one question per profile would walk the include
    // graph once per profile.
    const QHash<const ProfileFile *, QStringList> chains = IncludeGraph(files).chainsTo(editedName);

    QListWidget *list = ui->inclusionListWidget;
    const QSignalBlocker blocker(list);
    list->setUpdatesEnabled(false);
    for (auto entry = profiles.cbegin(); entry != profiles.cend(); ++entry) {
        const QString &name = entry.key();
        const ProfileState *profile = entry.value();
        toPlace.remove(name);
        // The edited profile's own chain to a profile has one link exactly
        // when it includes that profile directly.
        const bool direct = includes.contains(IncludeRule(name));
        if (name == editedName && !direct) {
            continue;
        }

        auto *item = new QListWidgetItem(Utils::printable(name));
        item->setCheckState(direct ? Qt::Checked : Qt::Unchecked);
        bool locked = false;
        const QStringList chain = chains.value(profile->file());
        if (!chain.isEmpty()) {
            // Checking it would close a cycle through the edited profile.
            item->setToolTip(tr("'%1' used in '%2'").arg(editedName, chain.join(QStringLiteral("->"))));
            locked = true;
        }
        if (!profile->errors().isEmpty()) {
            item->setText(item->text() + QStringLiteral(" (%1)").arg(tr("has errors")));
            if (!locked) {
                item->setToolTip(tr("'%1' has errors and cannot be included").arg(name));
            }
            locked = true;
        }
        if (m_readOnly) {
            item->setFlags(viewOnlyFlags);
        } else if (locked) {
            m_lockedProfiles.append(name);
            if (!direct) {
                // Shown disabled, the tool tip saying why: it looks as it behaves.
                item->setFlags(Qt::ItemIsSelectable);
            }
        }
        item->setData(Qt::UserRole, name);
        list->addItem(item);
    }

    // Includes of profiles that do not exist: shown so that they can be dropped.
    QStringList unknown = toPlace.values();
    std::sort(unknown.begin(), unknown.end());
    for (const QString &name : qAsConst(unknown)) {
        m_lockedProfiles.append(name);
        auto *item = new QListWidgetItem(QStringLiteral("%1 (%2)").arg(Utils::printable(name), tr("unknown")));
        item->setData(Qt::UserRole, name);
        item->setCheckState(Qt::Checked);
        if (m_readOnly) {
            item->setFlags(viewOnlyFlags);
        }
        list->addItem(item);
    }
    list->setUpdatesEnabled(true);
}

ProfileFile EditProfileDialog::profileFile() const
{
    return m_file;
}

SystemState *EditProfileDialog::systemState() const
{
    return m_systemState;
}

QLineEdit *EditProfileDialog::profileNameLineEdit() const
{
    return ui->profileNameLineEdit;
}

bool EditProfileDialog::recordingOffered() const
{
    // Trace mode means a recording runs: the helper would answer another one as busy.
    return !m_readOnly && !m_systemState->modes().complain;
}

void EditProfileDialog::appendDefaultRules(const QStringList &paths)
{
    QList<ObjectRule> rules;
    for (const QString &path : paths) {
        ObjectRule rule;
        rule.setType(QFileInfo(path).isSymLink() ? ObjectRule::Link : ObjectRule::File);
        rule.setFilename(path);
        rule.insertModes({ObjectRule::Read, ObjectRule::Write, ObjectRule::Create});
        rule.insertTargets({ObjectRule::TargetUser, ObjectRule::TargetOther});
        rules.append(rule);
    }
    appendRows(rules);
    ui->objectsTableWidget->scrollToBottom();
}

void EditProfileDialog::appendObjectRules(const QList<ObjectRule> &rules)
{
    // The keys are taken out once: a profile may hold tens of thousands of rules.
    struct Key {
        QString filename;
        int type;
        bool deleted;
        int index;
    };
    QVector<Key> keys;
    keys.reserve(rules.size());
    for (int i = 0; i < rules.size(); ++i) {
        const ObjectRule &rule = rules.at(i);
        keys.append(Key{rule.filename(), rule.type(), rule.deleted(), i});
    }
    std::sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) {
        const int order = a.filename.compare(b.filename);
        if (order != 0) {
            return order < 0;
        }
        // Rules on one file in a fixed order, so the same profile always looks the same.
        if (a.type != b.type) {
            return a.type < b.type;
        }
        return a.deleted < b.deleted;
    });
    QList<ObjectRule> sorted;
    sorted.reserve(keys.size());
    for (const Key &key : qAsConst(keys)) {
        sorted.append(rules.at(key.index));
    }
    appendRows(sorted);
}

void EditProfileDialog::appendRows(const QList<ObjectRule> &rules)
{
    if (rules.isEmpty()) {
        return;
    }
    QTableWidget *table = ui->objectsTableWidget;
    // Tens of thousands of rows: no per-item signals, repaints or sorting.
    const bool sorting = table->isSortingEnabled();
    table->setSortingEnabled(false);
    table->setUpdatesEnabled(false);
    const QSignalBlocker blocker(table);

    const Qt::ItemFlags checkFlags = QTableWidgetItem().flags() & ~Qt::ItemIsEditable;
    const QString tips[ColumnCount] = {tr("Type"), QString(), tr("Read"), tr("Write"), tr("Create"), tr("User"), tr("Other")};

    int row = table->rowCount();
    table->setRowCount(row + rules.size());
    for (const ObjectRule &rule : rules) {
        auto *type = new QTableWidgetItem(ComboBoxItemDelegate::typeName(rule.type()));
        type->setData(Qt::UserRole, static_cast<int>(rule.type()));
        type->setToolTip(tips[TypeColumn]);

        auto *filename = new QTableWidgetItem(rule.filename());
        filename->setToolTip(rule.filename());
        // Not shown, but part of the rule: kept so that editing a profile
        // does not silently change rules the administrator never touched.
        filename->setData(Qt::UserRole, rule.deleted());

        QTableWidgetItem *items[ColumnCount] = {type, filename};
        const auto setCheck = [&](int column, bool checked) {
            auto *item = new QTableWidgetItem;
            item->setFlags(checkFlags);
            item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
            item->setToolTip(tips[column]);
            items[column] = item;
        };
        const QSet<ObjectRule::Mode> modes = rule.modes();
        for (const auto &[column, mode] : modeColumns) {
            setCheck(column, modes.contains(mode));
        }
        const QSet<ObjectRule::Target> targets = rule.targets();
        for (const auto &[column, target] : targetColumns) {
            setCheck(column, targets.contains(target));
        }

        for (int column = 0; column < ColumnCount; ++column) {
            if (m_readOnly) {
                items[column]->setFlags(viewOnlyFlags);
            }
            table->setItem(row, column, items[column]);
        }
        ++row;
    }

    table->setSortingEnabled(sorting);
    table->setUpdatesEnabled(true);
}

ObjectRule EditProfileDialog::ruleOfRow(int row) const
{
    const QTableWidget *table = ui->objectsTableWidget;
    ObjectRule rule;
    if (const QTableWidgetItem *type = table->item(row, TypeColumn)) {
        rule.setType(static_cast<ObjectRule::Type>(type->data(Qt::UserRole).toInt()));
    }
    if (const QTableWidgetItem *filename = table->item(row, FilenameColumn)) {
        rule.setFilename(filename->text());
        rule.setDeleted(filename->data(Qt::UserRole).toBool());
    }
    for (const auto &[column, mode] : modeColumns) {
        if (isChecked(table, row, column)) {
            rule.insertMode(mode);
        }
    }
    for (const auto &[column, target] : targetColumns) {
        if (isChecked(table, row, column)) {
            rule.insertTarget(target);
        }
    }
    return rule;
}

QList<int> EditProfileDialog::selectedRows() const
{
    QSet<int> rows;
    const QModelIndexList indexes = ui->objectsTableWidget->selectionModel()->selectedIndexes();
    for (const QModelIndex &index : indexes) {
        rows.insert(index.row());
    }
    QList<int> sorted = rows.values();
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

QRegularExpression EditProfileDialog::profileNamePattern()
{
    // The names the shipped and demo profiles use ("orla-desktop"); never a
    // hidden file's, whose leading dot would keep it out of the listing.
    return QRegularExpression(QStringLiteral("[0-9A-Za-zА-Яа-я_-][0-9A-Za-zА-Яа-я_.-]{0,49}"));
}

void EditProfileDialog::accept()
{
    const QString newName = ui->profileNameLineEdit->text();
    if (newName.isEmpty()) {
        // OK is disabled without a name; nothing to accept.
        return;
    }
    const QString oldName = m_file.name();
    const bool renamed = newName != oldName;
    // The validator only sees what is typed; a name that came otherwise (an
    // old name of another shape, edited) is held to the same rule here.
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(profileNamePattern().pattern()));
    if (renamed && !pattern.match(newName).hasMatch()) {
        QMessageBox::critical(
            this,
            tr("Profile name error"),
            Utils::messageText(tr("'%1' is not a profile name: use letters, digits, '_', '-' and '.' (not first), at most 50 of them.").arg(newName)),
            QMessageBox::Ok);
        return;
    }
    if (renamed && m_systemState->hasProfile(newName)) {
        QMessageBox::critical(this,
                              tr("Profile rename error"),
                              Utils::messageText(tr("Profile with name '%1' already exists").arg(newName)),
                              QMessageBox::Ok);
        return;
    }

    QTableWidget *table = ui->objectsTableWidget;
    QSet<ObjectRule> rules;
    rules.reserve(table->rowCount());
    bool noMode = false;
    bool noTarget = false;
    for (int row = 0; row < table->rowCount(); ++row) {
        const ObjectRule rule = ruleOfRow(row);
        noMode = noMode || rule.modes().isEmpty();
        noTarget = noTarget || rule.targets().isEmpty();
        rules.insert(rule);
    }
    // Checked before anything is changed: renaming rewrites other profiles,
    // which must not happen for an edit that then stays open and may be
    // cancelled.
    QString incomplete;
    if (noMode && noTarget) {
        incomplete = tr("Each object must have at least \none mode (R/W/C) and one target (O/U)");
    } else if (noMode) {
        incomplete = tr("Each object must have at least \none mode (R/W/C)");
    } else if (noTarget) {
        incomplete = tr("Each object must have at least \none target (O/U)");
    }
    if (!incomplete.isEmpty()) {
        QMessageBox::warning(this, tr("Warning"), incomplete);
        return;
    }

    if (renamed) {
        m_systemState->renameIncludes(oldName, newName);
    }

    ProfileData &data = m_file.data();
    data.removeAllObjectRules();
    for (const ObjectRule &rule : qAsConst(rules)) {
        data.insertObjectRule(rule);
    }
    data.remodeAllIncludeRules();
    const QListWidget *list = ui->inclusionListWidget;
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem *item = list->item(i);
        if (item->checkState() != Qt::Checked) {
            continue;
        }
        const QString name = nameOfItem(item);
        // A profile that includes itself keeps doing so under its new name.
        data.insertIncludeRule(IncludeRule(renamed && name == oldName ? newName : name));
    }
    m_file.setName(newName);

    QDialog::accept();
}

void EditProfileDialog::objectSelectionChanged()
{
    ui->actionRemoveFile->setEnabled(ui->objectsTableWidget->selectionModel()->hasSelection());
}

QMenu *EditProfileDialog::createObjectsContextMenu()
{
    if (m_readOnly) {
        return nullptr;
    }
    QTableWidget *table = ui->objectsTableWidget;
    auto *menu = new QMenu(table);
    menu->addActions(m_toolBar->actions());
    menu->addSeparator();
    QMenu *typeMenu = menu->addMenu(tr("Change file type"));
    QMenu *modesMenu = menu->addMenu(tr("Change file modes"));
    QMenu *targetMenu = menu->addMenu(tr("Change file target"));

    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        typeMenu->setEnabled(false);
        modesMenu->setEnabled(false);
        targetMenu->setEnabled(false);
        return menu;
    }

    QSet<int> types;
    for (const int row : rows) {
        const QTableWidgetItem *type = table->item(row, TypeColumn);
        types.insert(type ? type->data(Qt::UserRole).toInt() : int(ObjectRule::Unknown));
    }
    for (const ObjectRule::Type type : {ObjectRule::File, ObjectRule::Link}) {
        QAction *action = typeMenu->addAction(ComboBoxItemDelegate::typeName(type));
        action->setCheckable(true);
        action->setChecked(types.size() == 1 && *types.cbegin() == type);
        connect(action, &QAction::triggered, this, [this, type] {
            setTypeOfSelectedRows(type);
        });
    }

    auto addColumnAction = [&](QMenu *submenu, int column) {
        QAction *action = submenu->addAction(table->horizontalHeaderItem(column)->toolTip());
        action->setCheckable(true);
        action->setChecked(isColumnCheckedInRows(column, rows));
        connect(action, &QAction::triggered, this, [this, column] {
            toggleColumnOfSelectedRows(column);
        });
    };
    for (const auto &entry : modeColumns) {
        addColumnAction(modesMenu, entry.first);
    }
    for (const auto &entry : targetColumns) {
        addColumnAction(targetMenu, entry.first);
    }
    return menu;
}

void EditProfileDialog::objectsTableCustomContextMenuRequested(const QPoint &position)
{
    const std::unique_ptr<QMenu> menu(createObjectsContextMenu());
    if (!menu) {
        return;
    }
    menu->exec(ui->objectsTableWidget->viewport()->mapToGlobal(position));
}

void EditProfileDialog::setTypeOfSelectedRows(ObjectRule::Type type)
{
    QTableWidget *table = ui->objectsTableWidget;
    const QList<int> rows = selectedRows();
    for (const int row : rows) {
        QTableWidgetItem *item = table->item(row, TypeColumn);
        if (!item) {
            item = new QTableWidgetItem;
            table->setItem(row, TypeColumn, item);
        }
        item->setData(Qt::UserRole, static_cast<int>(type));
        item->setText(ComboBoxItemDelegate::typeName(type));
    }
}

bool EditProfileDialog::isColumnCheckedInRows(int column, const QList<int> &rows) const
{
    const QTableWidget *table = ui->objectsTableWidget;
    return std::all_of(rows.cbegin(), rows.cend(), [table, column](int row) {
        return isChecked(table, row, column);
    });
}

void EditProfileDialog::toggleColumnOfSelectedRows(int column)
{
    QTableWidget *table = ui->objectsTableWidget;
    const QList<int> rows = selectedRows();
    const Qt::CheckState state = isColumnCheckedInRows(column, rows) ? Qt::Unchecked : Qt::Checked;
    for (const int row : rows) {
        if (QTableWidgetItem *item = table->item(row, column)) {
            item->setCheckState(state);
        }
    }
}

FileSelectionDialog *EditProfileDialog::filePicker()
{
    if (!m_fileDialog) {
        m_fileDialog = new FileSelectionDialog(this, m_pickerDirectory);
    }
    return m_fileDialog;
}

DirFileSelectionDialog *EditProfileDialog::directoryPicker()
{
    if (!m_dirDialog) {
        m_dirDialog = new DirFileSelectionDialog(this, m_pickerDirectory);
    }
    return m_dirDialog;
}

void EditProfileDialog::insertFileTriggered()
{
    if (filePicker()->exec() != QDialog::Accepted) {
        return;
    }
    appendDefaultRules(m_fileDialog->selectedFiles());
}

void EditProfileDialog::insertDirectoryFilesTriggered()
{
    if (directoryPicker()->exec() != QDialog::Accepted) {
        return;
    }
    const QStringList directories = m_dirDialog->selectedFiles();
    if (directories.isEmpty()) {
        return;
    }
    appendDefaultRules(Utils::directoryFiles(directories.first()));
}

void EditProfileDialog::removeFileTriggered()
{
    // Removed as runs of adjacent rows, from the bottom up, so that removing
    // thousands of selected rows does not shift the rest once per row.
    const QList<int> rows = selectedRows();
    QAbstractItemModel *model = ui->objectsTableWidget->model();
    int end = rows.size();
    while (end > 0) {
        int begin = end - 1;
        while (begin > 0 && rows.at(begin - 1) == rows.at(begin) - 1) {
            --begin;
        }
        model->removeRows(rows.at(begin), end - begin);
        end = begin;
    }
}

void EditProfileDialog::traceAppActionTriggered()
{
    traceApplication();
}

bool EditProfileDialog::traceApplication(QString *executableName)
{
    if (!ui->actionAddFilesFromProcess->isEnabled()) {
        return false;
    }
    TraceProcessDialog dialog(this, m_systemState, &m_file, qobject_cast<UserState *>(m_user));
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    const QString command = dialog.traceCommand().join(QLatin1Char(' '));
    const QString userName = dialog.considerUserRules() && m_user ? m_user->name() : QString();
    if (executableName) {
        *executableName = dialog.executableName();
    }
    return recordApplicationRules(userName, command, dialog.overwriteProfile());
}

bool EditProfileDialog::recordApplicationRules(const QString &userName, const QString &command, bool overwrite)
{
    // The helper shows the application on this session's display; without it
    // the helper would refuse, or run an application nobody can see or close.
    const QString display = X11Session::displayName();
    if (display.isEmpty()) {
        QMessageBox::critical(this,
                              tr("Application kiosk rules record error"),
                              tr("The X display of this session is not known, so the application could not be shown. Record rules from a graphical session."));
        return false;
    }
    const QString xauthority = X11Session::authorityPath();
    const QFileInfo authority(xauthority);
    if (!authority.isAbsolute() || !authority.isFile()) {
        QMessageBox::critical(this,
                              tr("Application kiosk rules record error"),
                              Utils::messageText(tr("The X authority file '%1' of this session was not found, so the application could not be shown. "
                                                    "Set XAUTHORITY to the authority file of the session.")
                                                     .arg(xauthority)));
        return false;
    }

    TraceApplicationActionsMap arguments(HelperActionsMap::programLocale());
    arguments.setUsername(userName);
    arguments.setCommand(command);
    arguments.setXauthorytyPath(xauthority);
    arguments.setDisplay(display);
    KAuth::Action action = Utils::helperAction(HelperConstants::traceApplicationActionId, arguments, this, traceApplicationTimeout);

    TraceWaitDialog waiting(this);
    KAuth::ExecuteJob *job = nullptr;
    // Started once the waiting dialog shows: KAuth may run event loops of its
    // own on the way, and meanwhile only the waiting dialog may take input.
    QTimer::singleShot(0, &waiting, [&waiting, &job, &action] {
        job = action.execute();
        // Read after the wait; deleted here, or by itself when the wait is given up.
        job->setAutoDelete(false);
        connect(job, &KAuth::ExecuteJob::newData, &waiting, [&waiting](const QVariantMap &data) {
            const auto pid = data.constFind(HelperConstants::traceApplicationPidKey);
            if (pid != data.cend()) {
                waiting.setApplicationPid(pid->toLongLong());
            }
        });
        connect(job, &KJob::finished, &waiting, &TraceWaitDialog::finish);
        connect(&waiting, &TraceWaitDialog::closeApplicationRequested, job, [job] {
            // The helper ends the application and still replies with what it recorded.
            job->kill(KJob::Quietly);
        });
        job->start();
    });
    const int outcome = waiting.exec();
    if (!job) {
        return false;
    }
    job->disconnect(&waiting);
    waiting.disconnect(job);
    if (outcome != QDialog::Accepted) {
        // Given up, not stopped: until it ends, the helper would take another
        // recording for busy and never answer it.
        ui->actionAddFilesFromProcess->setEnabled(false);
        connect(job, &KJob::finished, this, [this] {
            ui->actionAddFilesFromProcess->setEnabled(recordingOffered());
        });
        job->setAutoDelete(true);
        return false;
    }

    const int error = job->error();
    const QString errorText = job->errorText();
    const QVariantMap data = job->data();
    job->deleteLater();
    if (error == KAuth::ActionReply::AuthorizationDeniedError) {
        return false;
    }
    if (error != KJob::NoError) {
        QMessageBox::critical(this, tr("Application kiosk rules record error"), Utils::messageText(errorText));
        return false;
    }
    const int added = addRecordedRules(data, overwrite);
    // Leaving trace mode sets kiosk mode now as it is set after reboot.
    const KioskModes before = m_systemState->modes();
    QStringList told;
    if (added == 0) {
        told << tr("Nothing was recorded: the application was refused nothing, so no rule was added.");
    }
    if (before.enforce != before.autoEnforce) {
        told << (before.autoEnforce ? tr("Kiosk mode is on now, as it is set to be after reboot.")
                                    : tr("Kiosk mode is off now, as it is set to be after reboot."));
    }
    try {
        m_systemState->readModes();
    } catch (const DetailsException &) {
        // The main window reads them again when it shows them.
    }
    if (!told.isEmpty()) {
        QMessageBox::information(this, tr("Application kiosk rules record"), Utils::messageText(told.join(QLatin1Char(' '))));
    }
    return true;
}

int EditProfileDialog::addRecordedRules(const QVariantMap &replyData, bool overwrite)
{
    const QStringList warnings = TraceApplicationActionsMap::warningsFromReply(replyData);
    if (!warnings.isEmpty()) {
        QMessageBox::warning(this, tr("Trace warnings"), Utils::messageText(warnings.join(QLatin1Char('\n'))));
    }

    QByteArray text = TraceApplicationActionsMap::textFromReply(replyData);
    QTextStream stream(&text, QIODevice::ReadOnly);
    // The helper's text is UTF-8 whatever this session's locale says.
    stream.setCodec("UTF-8");
    const ProfileData recorded = ProfileParser::parseTextStream(stream).data();
    const QSet<ObjectRule> rules = ProfileParser::combineObjectRules(recorded.objectRules());

    QTableWidget *table = ui->objectsTableWidget;
    if (overwrite) {
        table->setRowCount(0);
    }
    // The base profiles the recording ran with: its rules hold only what
    // they do not. A profile that cannot be included here stays unchecked.
    const QSet<IncludeRule> includes = recorded.includes();
    QListWidget *list = ui->inclusionListWidget;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem *item = list->item(i);
        const QString name = nameOfItem(item);
        if (includes.contains(IncludeRule(name)) && !m_lockedProfiles.contains(name) && (item->flags() & Qt::ItemIsUserCheckable)) {
            item->setCheckState(Qt::Checked);
        } else if (overwrite) {
            item->setCheckState(Qt::Unchecked);
        }
    }
    const int firstRecorded = table->rowCount();
    appendObjectRules(rules.values());
    // The recorded rows come in filename order: shown from their first.
    if (table->rowCount() > firstRecorded) {
        table->scrollToItem(table->item(firstRecorded, FilenameColumn), QAbstractItemView::PositionAtTop);
    }
    return int(rules.size());
}

void EditProfileDialog::profileNameChanged(const QString &text)
{
    if (QPushButton *ok = ui->buttonBox->button(QDialogButtonBox::Ok)) {
        ok->setEnabled(!text.isEmpty());
    }
}

void EditProfileDialog::inclusionItemChanged(QListWidgetItem *item)
{
    if (item->checkState() != Qt::Unchecked || !m_lockedProfiles.contains(nameOfItem(item))) {
        return;
    }
    // Locked entries can be dropped but not taken back: checking them again
    // would close a cycle, include a broken profile or an unknown name.
    const QSignalBlocker blocker(ui->inclusionListWidget);
    item->setFlags(Qt::NoItemFlags);
}
