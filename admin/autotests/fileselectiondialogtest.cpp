/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The file and directory pickers, alone and driven from the profile editor
// the way an administrator picks files: Qt's own file dialog, answered while
// the editor waits in its exec().

#include "modalanswerer.h"
#include "testfiles.h"

#include "dialogs/dirfileselectiondialog.h"
#include "dialogs/editprofiledialog.h"
#include "dialogs/fileselectiondialog.h"
#include "profile/profileparser.h"
#include "profile/userprofilefile.h"
#include "state/profilestate.h"
#include "state/systemstate.h"
#include "state/userstate.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{
// The names the picker lists in its current directory, once it has read it.
QStringList listed(QFileDialog &picker)
{
    auto *view = picker.findChild<QListView *>(QStringLiteral("listView"));
    if (!view) {
        return {QStringLiteral("<no list view>")};
    }
    const QAbstractItemModel *model = view->model();
    const QModelIndex root = view->rootIndex();
    QStringList names;
    for (int row = 0; row < model->rowCount(root); ++row) {
        names << model->index(row, 0, root).data().toString();
    }
    names.sort();
    return names;
}

struct Row {
    int type;
    QString filename;
    QString checks;

    bool operator==(const Row &other) const
    {
        return type == other.type && filename == other.filename && checks == other.checks;
    }
};

QList<Row> rows(const EditProfileDialog &dialog)
{
    const auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("objectsTableWidget"));
    QList<Row> rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        QString checks;
        for (int column = EditProfileDialog::ReadColumn; column < EditProfileDialog::ColumnCount; ++column) {
            checks += table->item(row, column)->checkState() == Qt::Checked ? QLatin1Char('1') : QLatin1Char('0');
        }
        rows << Row{table->item(row, EditProfileDialog::TypeColumn)->data(Qt::UserRole).toInt(),
                    table->item(row, EditProfileDialog::FilenameColumn)->text(),
                    checks};
    }
    return rows;
}

QAction *action(const EditProfileDialog &dialog, const char *name)
{
    return dialog.findChild<QAction *>(QString::fromLatin1(name));
}
}

namespace QTest
{
template<>
char *toString(const Row &row)
{
    return qstrdup(qPrintable(QStringLiteral("{%1 %2 %3}").arg(row.type).arg(row.filename, row.checks)));
}
}

class FileSelectionDialogTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<SystemState> m_state;
    std::unique_ptr<ModalAnswerer> m_answerer;
    QTemporaryDir m_dir;

    QString path(const QString &relative) const
    {
        return m_dir.filePath(relative);
    }

    std::unique_ptr<EditProfileDialog> editor(AbstractProfileState *user = nullptr)
    {
        ProfileFile file(QStringLiteral("p"), true);
        file.setData(ProfileParser::parseText(QStringLiteral("+file r u: /zzz\n")).data());
        return std::make_unique<EditProfileDialog>(file, m_state.get(), user);
    }

    // The next modal widget must be a file dialog; it gets @p pick done to it.
    void pickWith(const std::function<void(QFileDialog *)> &pick, QString *startedIn = nullptr)
    {
        m_answerer->handle([pick, startedIn](QWidget *widget) {
            auto *picker = qobject_cast<QFileDialog *>(widget);
            if (!picker) {
                QFAIL("a file dialog was expected");
            }
            if (startedIn) {
                *startedIn = picker->directory().absolutePath();
            }
            pick(picker);
        });
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        TestFiles::write(path(QStringLiteral("visible.txt")), "x");
        TestFiles::write(path(QStringLiteral(".hidden.txt")), "x");
        TestFiles::write(path(QStringLiteral("sub/b.txt")), "x");
        TestFiles::write(path(QStringLiteral("sub/deeper/c.txt")), "x");
        TestFiles::write(path(QStringLiteral("sub/.dot")), "x");
        TestFiles::write(path(QStringLiteral("sub/.hiddendir/d.txt")), "x");
        TestFiles::write(path(QStringLiteral(".hiddendir/e.txt")), "x");
        QVERIFY(QFile::link(path(QStringLiteral("visible.txt")), path(QStringLiteral("link.txt"))));
        QVERIFY(QFile::link(path(QStringLiteral("sub/b.txt")), path(QStringLiteral("sub/link-b"))));
        // A link to a directory is not followed when files are collected.
        QVERIFY(QFile::link(path(QStringLiteral(".hiddendir")), path(QStringLiteral("sub/linkdir"))));
    }

    void init()
    {
        m_state = std::make_unique<SystemState>();
        m_answerer = std::make_unique<ModalAnswerer>();
    }

    void cleanup()
    {
        QVERIFY2(m_answerer->unexpected().isEmpty(), qPrintable(m_answerer->unexpected().join(QStringLiteral(", "))));
        QCOMPARE(m_answerer->pending(), 0);
        m_answerer.reset();
        m_state.reset();
    }

    void pickersChooseExistingFilesOrADirectory()
    {
        FileSelectionDialog files(nullptr, m_dir.path());
        QCOMPARE(files.windowTitle(), QStringLiteral("Select files"));
        QCOMPARE(files.fileMode(), QFileDialog::ExistingFiles);
        DirFileSelectionDialog directories(nullptr, m_dir.path());
        QCOMPARE(directories.windowTitle(), QStringLiteral("Select directory with files"));
        QCOMPARE(directories.fileMode(), QFileDialog::Directory);
        QVERIFY(directories.testOption(QFileDialog::ShowDirsOnly));
    }

    void hiddenEntriesAreNotListed()
    {
        FileSelectionDialog files(nullptr, m_dir.path());
        files.show();
        // Nor "." and "..": the dialog's own button goes up a level.
        QTRY_COMPARE(listed(files), (QStringList{QStringLiteral("link.txt"), QStringLiteral("sub"), QStringLiteral("visible.txt")}));

        DirFileSelectionDialog directories(nullptr, m_dir.path());
        directories.show();
        QTRY_COMPARE(listed(directories), (QStringList{QStringLiteral("sub")}));
    }

    void addFileAppendsEverythingAllowed()
    {
        auto dialog = editor();
        pickWith([this](QFileDialog *picker) {
            picker->setDirectory(m_dir.path());
            picker->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("\"visible.txt\" \"link.txt\""));
            static_cast<QDialog *>(picker)->accept();
        });
        action(*dialog, "actionAddFile")->trigger();
        QCOMPARE(m_answerer->pending(), 0);

        const QList<Row> added = rows(*dialog).mid(1);
        QCOMPARE(rows(*dialog).first().filename, QStringLiteral("/zzz"));
        QCOMPARE(added.size(), 2);
        const Row file{ObjectRule::File, path(QStringLiteral("visible.txt")), QStringLiteral("11111")};
        const Row link{ObjectRule::Link, path(QStringLiteral("link.txt")), QStringLiteral("11111")};
        QVERIFY(added.contains(file));
        QVERIFY(added.contains(link));
    }

    void cancelledPickersAddNothing()
    {
        auto dialog = editor();
        for (const char *name : {"actionAddFile", "actionAddDirectory"}) {
            pickWith([](QFileDialog *picker) {
                picker->reject();
            });
            action(*dialog, name)->trigger();
        }
        QCOMPARE(rows(*dialog).size(), 1);
    }

    void addDirectoryTakesEveryFileBelow()
    {
        auto dialog = editor();
        pickWith([this](QFileDialog *picker) {
            picker->setDirectory(m_dir.path());
            picker->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("sub"));
            static_cast<QDialog *>(picker)->accept();
        });
        action(*dialog, "actionAddDirectory")->trigger();
        QCOMPARE(m_answerer->pending(), 0);

        QList<Row> added = rows(*dialog).mid(1);
        std::sort(added.begin(), added.end(), [](const Row &a, const Row &b) {
            return a.filename < b.filename;
        });
        const QList<Row> expected{
            {ObjectRule::File, path(QStringLiteral("sub/b.txt")), QStringLiteral("11111")},
            {ObjectRule::File, path(QStringLiteral("sub/deeper/c.txt")), QStringLiteral("11111")},
            {ObjectRule::Link, path(QStringLiteral("sub/link-b")), QStringLiteral("11111")},
        };
        QCOMPARE(added, expected);
    }

    void picksStartInTheUsersHome()
    {
        UserProfileFile unknownFile(QStringLiteral("orla_no_such_account"), true);
        UserState unknown(unknownFile);
        UserProfileFile rootFile(QStringLiteral("root"), true);
        UserState root(rootFile);

        const QString homes = QDir(QStringLiteral("/home")).absolutePath();
        const QList<QPair<AbstractProfileState *, QString>> cases{
            {nullptr, homes},
            {&unknown, homes},
            {&root, QDir(QStringLiteral("/root")).absolutePath()},
        };
        for (const auto &entry : cases) {
            auto dialog = editor(entry.first);
            for (const char *name : {"actionAddFile", "actionAddDirectory"}) {
                QString startedIn;
                pickWith(
                    [](QFileDialog *picker) {
                        picker->reject();
                    },
                    &startedIn);
                action(*dialog, name)->trigger();
                QCOMPARE(startedIn, entry.second);
            }
        }
    }
};

QTEST_MAIN(FileSelectionDialogTest)

#include "fileselectiondialogtest.moc"
