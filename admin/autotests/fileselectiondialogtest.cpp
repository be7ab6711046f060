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

struct Row {
    int type;
    QString filename;
    QString checks;

    bool operator==(const Row &other) const
    {
        return type == other.type && filename == other.filename && checks == other.checks;
    }
};

QList<Row> rows(EditProfileDialog &dialog)
{
    const EditorForm form(dialog);
    QList<Row> rows;
    for (int row = 0; row < form.table->rowCount(); ++row) {
        rows << Row{form.typeOf(row), form.filenames().at(row), form.checks(row)};
    }
    return rows;
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

class FileSelectionDialogTest : public DialogTestCase
{
    Q_OBJECT

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
