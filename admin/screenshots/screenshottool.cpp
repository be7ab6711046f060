/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Takes the screenshots that the software catalogues show: the main window on
// the demo tree, and the add-user dialog, the profile editor and its rule
// recording dialog opened from it the way an administrator opens them. scripts/take-screenshots.sh runs it on a virtual
// display with the helper's test bus, so that the window is not read-only.

#include "icontheme.h"
#include "mainwindow/mainwindow.h"
#include "systempaths.h"
#include "windowdriver.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibraryInfo>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace
{
void settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

bool save(QWidget *widget, const QString &path)
{
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "screenshottool: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Opens a modal dialog with the action, the way the administrator does, and
// photographs it from inside its own event loop; then closes it.
using DialogStep = std::function<void(QWidget *)>;

bool photographModal(QAction *action, const QString &path, QSize size = QSize(), const DialogStep &prepare = {}, const DialogStep &andThen = {})
{
    if (!action || !action->isEnabled()) {
        std::fprintf(stderr, "screenshottool: no enabled action for %s\n", qPrintable(path));
        return false;
    }
    QWidget *const outer = QApplication::activeModalWidget();
    bool saved = false;
    QTimer::singleShot(0, action, [&]() {
        QWidget *dialog = nullptr;
        for (int tries = 0; tries < 100 && !dialog; ++tries) {
            settle(50);
            dialog = QApplication::activeModalWidget();
            if (dialog == outer) {
                dialog = nullptr;
            }
        }
        if (!dialog) {
            std::fprintf(stderr, "screenshottool: nothing opened for %s\n", qPrintable(path));
            return;
        }
        if (size.isValid()) {
            dialog->resize(size);
        }
        if (prepare) {
            prepare(dialog);
        }
        settle(1000);
        saved = save(dialog, path);
        if (andThen) {
            andThen(dialog);
        }
        dialog->close();
    });
    action->trigger();
    return saved;
}
}

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // The administrator's own window geometry stays out of the pictures.
    QStandardPaths::setTestModeEnabled(true);

    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("directory"), QStringLiteral("where the screenshots go"));
    const QCommandLineOption catalogues(QStringLiteral("catalogues"),
                                        QStringLiteral("show the program in Russian with the catalogues of this directory"),
                                        QStringLiteral("directory"));
    const QCommandLineOption suffix(QStringLiteral("suffix"), QStringLiteral("appended to each file name"), QStringLiteral("text"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("the kiosk user selected"), QStringLiteral("name"));
    const QCommandLineOption newUser(QStringLiteral("new-user"), QStringLiteral("the account offered in the add-user dialog"), QStringLiteral("name"));
    const QCommandLineOption profile(QStringLiteral("profile"), QStringLiteral("the profile opened in the editor"), QStringLiteral("name"));
    parser.addOptions({catalogues, suffix, user, newUser, profile});
    parser.addHelpOption();
    parser.process(application);
    if (parser.positionalArguments().size() != 1) {
        parser.showHelp(64);
    }
    const QDir out(parser.positionalArguments().constFirst());

    IconTheme::ensureFallback();
    QTranslator program;
    QTranslator qt;
    if (parser.isSet(catalogues)) {
        const QString dir = parser.value(catalogues);
        if (!program.load(dir + QStringLiteral("/orla-admin-kiosk_common_ru.qm"))) {
            std::fprintf(stderr, "screenshottool: no catalogue in %s\n", qPrintable(dir));
            return 1;
        }
        // The standard buttons, as a Russian desktop shows them.
        (void)qt.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"), QLibraryInfo::location(QLibraryInfo::TranslationsPath));
        QApplication::installTranslator(&qt);
        QApplication::installTranslator(&program);
    }

    MainWindow window;
    window.resize(960, 600);
    if (!window.loadData()) {
        std::fprintf(stderr, "screenshottool: the kiosk tree could not be read\n");
        return 1;
    }
    window.show();
    settle(1500);

    const WindowDriver w(&window);
    QListWidget *users = w.users();
    QListWidget *profiles = w.profiles();
    if (!w.selectUser(parser.value(user))) {
        std::fprintf(stderr, "screenshottool: no kiosk user '%s' in the window\n", qPrintable(parser.value(user)));
        return 1;
    }
    settle(500);
    if (!save(&window, out.filePath(QStringLiteral("mainwindow%1.png").arg(parser.value(suffix))))) {
        return 1;
    }

    const QString tag = parser.value(suffix);
    // Filled in as for a new kiosk user who starts with another one's rules.
    const auto fillAddUser = [&](QWidget *dialog) {
        auto *account = dialog->findChild<QComboBox *>(QStringLiteral("usersComboBox"));
        account->setCurrentIndex(std::max(0, account->findText(parser.value(newUser))));
        dialog->findChild<QCheckBox *>(QStringLiteral("copyUserCheckBox"))->setChecked(true);
        auto *other = dialog->findChild<QComboBox *>(QStringLiteral("otherUsersComboBox"));
        other->setCurrentIndex(std::max(0, other->findText(parser.value(user))));
    };
    if (!photographModal(w.action("actionAddUser"), out.filePath(QStringLiteral("adduser%1.png").arg(tag)), QSize(), fillAddUser)) {
        return 1;
    }

    if (!w.selectProfile(parser.value(profile))) {
        std::fprintf(stderr, "screenshottool: no profile '%s' in the window\n", qPrintable(parser.value(profile)));
        return 1;
    }
    // The recording dialog is opened from the editor, inside the editor's own loop.
    bool recordingSaved = false;
    auto *edit = w.action("actionEditProfile");
    const bool editorSaved = photographModal(edit, out.filePath(QStringLiteral("editor%1.png").arg(tag)), QSize(820, 560), {}, [&](QWidget *editor) {
        auto *record = editor->findChild<QAction *>(QStringLiteral("actionAddFilesFromProcess"));
        recordingSaved = photographModal(record, out.filePath(QStringLiteral("recording%1.png").arg(tag)));
    });
    if (!editorSaved || !recordingSaved) {
        return 1;
    }

    // The save question with its details open, for a change of the selected user.
    // A user without errors, whom the save does not first offer to disable.
    for (int row = 0; row < users->count(); ++row) {
        if (!users->item(row)->text().contains(QLatin1Char(' '))) {
            users->setCurrentRow(row);
            break;
        }
    }
    settle(300);
    for (int row = 0; row < profiles->count(); ++row) {
        QListWidgetItem *item = profiles->item(row);
        // A profile without markers: one that gives the user no errors.
        if ((item->flags() & Qt::ItemIsUserCheckable) && (item->flags() & Qt::ItemIsEnabled) && item->checkState() == Qt::Unchecked
            && !item->text().contains(QLatin1Char(' '))) {
            item->setCheckState(Qt::Checked);
            break;
        }
    }
    const auto showDetails = [](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        const QList<QAbstractButton *> buttons = box ? box->buttons() : QList<QAbstractButton *>();
        for (QAbstractButton *button : buttons) {
            if (box->buttonRole(button) == QMessageBox::ActionRole) {
                button->click();
            }
        }
        settle(300);
    };
    if (!photographModal(w.action("actionSaveChanges"), out.filePath(QStringLiteral("savedetails%1.png").arg(tag)), QSize(), showDetails)) {
        return 1;
    }

    // The completion question of a global recording, with the module in trace mode for the picture only.
    const QString complain = QString::fromUtf8(SystemPaths::complainParameter);
    QFile parameter(complain);
    const QByteArray before = parameter.open(QIODevice::ReadOnly) ? parameter.readAll() : QByteArray("0\n");
    parameter.close();
    const auto writeComplain = [&complain](const QByteArray &value) {
        QFile file(complain);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(value) == value.size();
    };
    if (!writeComplain("1\n")) {
        return 1;
    }
    QAction complete;
    QObject::connect(&complete, &QAction::triggered, &window, [&window] {
        // Read again, switches included, so that the window sees the recording.
        if (window.loadData()) {
            window.checkRecording();
        }
    });
    // Its buttons both complete the recording, and closing it is refused: ended unanswered.
    const bool completionSaved = photographModal(&complete, out.filePath(QStringLiteral("completion%1.png").arg(tag)), QSize(), {}, [](QWidget *dialog) {
        if (auto *box = qobject_cast<QDialog *>(dialog)) {
            box->done(QDialog::Rejected);
        }
    });
    writeComplain(before);
    return completionSaved ? 0 : 1;
}
