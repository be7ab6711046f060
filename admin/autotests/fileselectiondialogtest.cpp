/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The file and directory pickers, alone and driven from the profile editor
// the way an administrator picks files: Qt's own file dialog, answered while
// the editor waits in its exec().

#include "mainwindowtestcase.h"
#include "testfiles.h"

#include "dialogs/dirfileselectiondialog.h"
#include "dialogs/fileselectiondialog.h"
#include "profile/profileparser.h"
#include "profile/userprofilefile.h"

#include <QDir>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>

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

// Each of the editor's rows as its filename, type and checks.
QStringList rows(EditProfileDialog &dialog)
{
    const EditorForm form(dialog);
    QStringList rows;
    for (int row = 0; row < form.table->rowCount(); ++row) {
        rows << QStringLiteral("%1 %2 %3").arg(form.filenames().at(row)).arg(form.typeOf(row)).arg(form.checks(row));
    }
    return rows;
}
}

class FileSelectionDialogTest : public DialogTestCase
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &relative) const
    {
        return m_dir.filePath(relative);
    }

    // A row the pickers add: everything allowed.
    QString added(const QString &relative, ObjectRule::Type type) const
    {
        return QStringLiteral("%1 %2 11111").arg(path(relative)).arg(int(type));
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
        whenShown<QFileDialog>([pick, startedIn](QFileDialog *picker) {
            if (startedIn) {
                *startedIn = picker->directory().absolutePath();
            }
            pick(picker);
        });
    }

private Q_SLOTS:
    void initTestCase()
    {
        DialogTestCase::initTestCase();
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
        EditorForm(*dialog).addFile->trigger();
        QCOMPARE(m_answerer->pending(), 0);

        const QStringList shown = rows(*dialog);
        QVERIFY(shown.first().startsWith(QLatin1String("/zzz ")));
        QCOMPARE(shown.size(), 3);
        QVERIFY(shown.contains(added(QStringLiteral("visible.txt"), ObjectRule::File)));
        QVERIFY(shown.contains(added(QStringLiteral("link.txt"), ObjectRule::Link)));
    }

    void cancelledPickersAddNothing()
    {
        auto dialog = editor();
        for (QAction *add : {EditorForm(*dialog).addFile, EditorForm(*dialog).addDirectory}) {
            pickWith([](QFileDialog *picker) {
                picker->reject();
            });
            add->trigger();
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
        EditorForm(*dialog).addDirectory->trigger();
        QCOMPARE(m_answerer->pending(), 0);

        QStringList shown = rows(*dialog).mid(1);
        shown.sort();
        QCOMPARE(shown,
                 (QStringList{added(QStringLiteral("sub/b.txt"), ObjectRule::File),
                              added(QStringLiteral("sub/deeper/c.txt"), ObjectRule::File),
                              added(QStringLiteral("sub/link-b"), ObjectRule::Link)}));
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
            for (QAction *add : {EditorForm(*dialog).addFile, EditorForm(*dialog).addDirectory}) {
                QString startedIn;
                pickWith(
                    [](QFileDialog *picker) {
                        picker->reject();
                    },
                    &startedIn);
                add->trigger();
                QCOMPARE(startedIn, entry.second);
            }
        }
    }
};

QTEST_MAIN(FileSelectionDialogTest)

#include "fileselectiondialogtest.moc"
