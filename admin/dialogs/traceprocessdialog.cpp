/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "dialogs/traceprocessdialog.h"
#include "ui_traceprocessdialog.h"

#include "desktop/orlamenudialog.h"
#include "state/profilestate.h"
#include "state/systemstate.h"
#include "state/userstate.h"

#include "failures/detailsexception.h"
#include "profile/profilefile.h"
#include "profile/userprofilefile.h"
#include "system/user.h"
#include "systempaths.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>

namespace
{
struct Terminal {
    const char *name;
    const char *program;
};

// In name order, the order they are offered in.
const Terminal defaultTerminals[] = {
    {"orla-term", SystemPaths::orlaTermProgram},
    {"xterm", SystemPaths::xtermProgram},
};
}

TraceProcessDialog::TraceProcessDialog(QWidget *parent, SystemState *systemState, const ProfileFile *profile, UserState *user)
    : QDialog(parent)
    , ui(std::make_unique<Ui::TraceProcessDialog>())
    , m_rulesGroup(new QButtonGroup(this))
    , m_profile(profile)
    , m_user(user)
{
    ui->setupUi(this);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(false);
    m_rulesGroup->addButton(ui->considerUserRadioButton);
    m_rulesGroup->addButton(ui->ignoreUserRadioButton);

    connect(ui->defaultTerminalRadioButton, &QRadioButton::toggled, this, &TraceProcessDialog::defaultTerminalRadioButtonToggled);
    connect(ui->customTerminalRadioButton, &QRadioButton::toggled, this, &TraceProcessDialog::customTerminalRadioButtonToggled);
    connect(ui->executableFileLineEdit, &QLineEdit::textChanged, this, &TraceProcessDialog::analizeForm);
    connect(ui->customTerminalLineEdit, &QLineEdit::textChanged, this, &TraceProcessDialog::analizeForm);
    // Otherwise ticking "Run in terminal" with no usable terminal would leave
    // OK on, and the application would run without the terminal asked for.
    connect(ui->usingTerninalGroupBox, &QGroupBox::toggled, this, &TraceProcessDialog::analizeForm);
    connect(ui->selectExecutableButton, &QToolButton::clicked, this, &TraceProcessDialog::selectExecutableButtonClicked);
    connect(ui->fromMenuButton, &QPushButton::clicked, this, &TraceProcessDialog::fromMenuButtonClicked);
    connect(ui->customTerminalPushButton, &QToolButton::clicked, this, &TraceProcessDialog::customTerminalPushButtonClicked);
    connect(m_rulesGroup, qOverload<QAbstractButton *, bool>(&QButtonGroup::buttonToggled), this, &TraceProcessDialog::usingRulesRadioButtonToggled);

    fillTerminals();
    if (ui->defaultTerminalComboBox->count() == 0) {
        ui->customTerminalRadioButton->setChecked(true);
        ui->defaultTerminalRadioButton->setEnabled(false);
    } else {
        ui->defaultTerminalRadioButton->setChecked(true);
    }
    ui->usingTerninalGroupBox->setChecked(false);

    if (!m_user) {
        ui->considerUserRadioButton->setText(tr("skip available user rules entry"));
        ui->considerUserRadioButton->setEnabled(false);
        ui->ignoreUserRadioButton->setChecked(true);
    } else {
        QString text = tr("skip available user '%1' rules entry").arg(m_user->name());
        const QString reason = userRulesUnavailableReason(systemState);
        if (!reason.isEmpty()) {
            text += QStringLiteral(" (%1)").arg(reason);
            ui->ignoreUserRadioButton->setChecked(true);
            ui->considerUserRadioButton->setEnabled(false);
        }
        if (!ui->ignoreUserRadioButton->isChecked()) {
            ui->considerUserRadioButton->setChecked(true);
        }
        ui->considerUserRadioButton->setText(text);
    }
    ui->ignoreUserRadioButton->setText(tr("record all rules"));
}

TraceProcessDialog::~TraceProcessDialog() = default;

void TraceProcessDialog::fillTerminals()
{
    for (const Terminal &terminal : defaultTerminals) {
        const QString command = QString::fromUtf8(terminal.program) + QStringLiteral(" -e");
        if (!commandWords(command).isEmpty()) {
            ui->defaultTerminalComboBox->addItem(QString::fromUtf8(terminal.name), command);
        }
    }
}

QString TraceProcessDialog::userRulesUnavailableReason(SystemState *systemState) const
{
    if (!m_user->isEnable()) {
        return tr("user is disabled");
    }
    if (!m_user->errors().isEmpty()) {
        return tr("user has errors");
    }
    // The helper runs the application under the rules saved on disk, not under these.
    if (m_user->isChanged()) {
        return tr("need save changes");
    }
    bool logged = true;
    try {
        logged = User(m_user->name()).logged();
    } catch (const DetailsException &) {
        // Not knowing is taken as logged in: the helper would share the
        // account with a session that is running under it.
    }
    if (logged) {
        return tr("user logged now");
    }
    const QSet<ProfileState *> profiles = systemState->profiles();
    for (const ProfileState *profile : profiles) {
        if (profile->isChanged() && m_user->includes(profile->name())) {
            return tr("need save changes");
        }
    }
    return QString();
}

QStringList TraceProcessDialog::commandWords(const QString &text)
{
    const QStringList words = text.trimmed().split(QLatin1Char(' '));
    const QFileInfo program(words.constFirst());
    if (words.constFirst().isEmpty() || !program.exists() || !program.isFile() || !program.isExecutable()) {
        return QStringList();
    }
    return words;
}

QStringList TraceProcessDialog::applicationCommand() const
{
    return commandWords(ui->executableFileLineEdit->text());
}

QStringList TraceProcessDialog::terminalCommand() const
{
    if (!ui->usingTerninalGroupBox->isChecked()) {
        return QStringList();
    }
    if (ui->defaultTerminalRadioButton->isChecked()) {
        return commandWords(ui->defaultTerminalComboBox->currentData().toString());
    }
    if (ui->customTerminalRadioButton->isChecked()) {
        return commandWords(ui->customTerminalLineEdit->text());
    }
    return QStringList();
}

QStringList TraceProcessDialog::traceCommand() const
{
    return terminalCommand() + applicationCommand();
}

bool TraceProcessDialog::considerUserRules() const
{
    return ui->considerUserRadioButton->isChecked();
}

bool TraceProcessDialog::overwriteProfile() const
{
    return ui->overwriteCheckBox->isChecked();
}

QString TraceProcessDialog::executableName() const
{
    const QStringList words = applicationCommand();
    return words.isEmpty() ? QString() : QFileInfo(words.constFirst()).fileName();
}

void TraceProcessDialog::analizeForm()
{
    const bool terminalReady = !ui->usingTerninalGroupBox->isChecked() || !terminalCommand().isEmpty();
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!applicationCommand().isEmpty() && terminalReady);
}

void TraceProcessDialog::defaultTerminalRadioButtonToggled()
{
    ui->defaultTerminalComboBox->setEnabled(true);
    ui->customTerminalLineEdit->setEnabled(false);
    ui->customTerminalPushButton->setEnabled(false);
}

void TraceProcessDialog::customTerminalRadioButtonToggled()
{
    ui->defaultTerminalComboBox->setEnabled(false);
    ui->customTerminalLineEdit->setEnabled(true);
    ui->customTerminalPushButton->setEnabled(true);
    analizeForm();
}

void TraceProcessDialog::usingRulesRadioButtonToggled(QAbstractButton *button, bool toggled)
{
    if (!toggled) {
        return;
    }
    ui->overwriteLabel->clear();
    ui->changesLabel->clear();
    const QString name = m_profile->name();
    if (button == ui->considerUserRadioButton) {
        if (m_user && m_user->includes(name)) {
            ui->overwriteLabel->setText(tr("User '%1' contains '%2' profile").arg(m_user->name(), name));
            ui->changesLabel->setText(tr("Current profile '%1' unsaved changes will not be skipped").arg(name));
        }
    } else if (button != ui->ignoreUserRadioButton) {
        return;
    }
    if (ui->overwriteLabel->text().isEmpty() && m_profile->data().includes().isEmpty() && m_profile->data().objectRules().isEmpty()) {
        ui->overwriteLabel->setText(name.isEmpty() ? tr("Profile is empty") : tr("Profile '%1' is empty").arg(name));
    }
    const bool overwriteOffered = ui->overwriteLabel->text().isEmpty();
    ui->overwriteCheckBox->setEnabled(overwriteOffered);
    if (!overwriteOffered) {
        ui->overwriteCheckBox->setChecked(false);
    }
    ui->overwriteLabel->setVisible(!overwriteOffered);
    ui->changesLabel->setVisible(!ui->changesLabel->text().isEmpty());
}

void TraceProcessDialog::selectExecutableButtonClicked()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Select executable file"), QString::fromUtf8(SystemPaths::programsDir));
    if (!path.isEmpty()) {
        ui->executableFileLineEdit->setText(path);
    }
}

void TraceProcessDialog::customTerminalPushButtonClicked()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Select terminal executable file"), QString::fromUtf8(SystemPaths::programsDir));
    if (!path.isEmpty()) {
        ui->customTerminalLineEdit->setText(path);
    }
}

void TraceProcessDialog::fromMenuButtonClicked()
{
    const QString sudoUser = QString::fromUtf8(qgetenv("SUDO_USER"));
    const QString menuPath = sudoUser.isEmpty() ? QString() : QString::fromUtf8(SystemPaths::startMenuDirPattern).arg(sudoUser);
    OrlaMenuDialog menu(menuPath, -1, false, false, this, Qt::WindowFlags());
    if (menu.exec() != QDialog::Accepted) {
        return;
    }
    QString command = menu.selectedItemExec(QString(), QString());
    if (!command.startsWith(QLatin1Char('/'))) {
        const QStringList words = command.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString program = words.isEmpty() ? command : words.constFirst();
        const QStringList directories = QString::fromUtf8(SystemPaths::menuProgramDirs).split(QLatin1Char(':'), Qt::SkipEmptyParts);
        for (const QString &directory : directories) {
            if (QFileInfo::exists(directory + program)) {
                command.prepend(directory);
                break;
            }
        }
    }
    ui->executableFileLineEdit->setText(command);
}
