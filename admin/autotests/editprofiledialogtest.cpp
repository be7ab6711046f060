/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The profile editor on working states built in memory (and, for the
// read-only mode, read from the scratch kiosk tree without the authorisation
// service).

#include "mainwindowtestcase.h"

#include "dialogs/comboboxitemdelegate.h"
#include "dialogs/createprofiledialog.h"
#include "profile/profileparser.h"

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTextCodec>

namespace
{
ObjectRule rule(ObjectRule::Type type, const QString &filename, const QSet<ObjectRule::Mode> &modes, const QSet<ObjectRule::Target> &targets)
{
    ObjectRule rule;
    rule.setType(type);
    rule.setFilename(filename);
    rule.insertModes(modes);
    rule.insertTargets(targets);
    return rule;
}

// Sets the session's X display and authority file (unset when null) until the guard goes.
auto x11Session(const QByteArray &display, const QByteArray &authority)
{
    const QByteArray oldDisplay = qgetenv("DISPLAY");
    const QByteArray oldAuthority = qgetenv("XAUTHORITY");
    auto set = [](const char *name, const QByteArray &value) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    };
    set("DISPLAY", display);
    set("XAUTHORITY", authority);
    return qScopeGuard([=] {
        set("DISPLAY", oldDisplay);
        set("XAUTHORITY", oldAuthority);
    });
}

QAction *findAction(const QMenu *menu, const QString &text)
{
    const auto actions = menu->actions();
    for (QAction *action : actions) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

QMenu *findSubmenu(const QMenu *menu, const QString &title)
{
    QAction *action = findAction(menu, title);
    return action ? action->menu() : nullptr;
}

constexpr Qt::ItemFlags viewOnly = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

class EditProfileDialogTest : public DialogTestCase
{
    Q_OBJECT

    struct Editing {
        std::unique_ptr<EditProfileDialog> dialog;
        EditorForm form;
    };

    // The editor on the working copy of profile @p name.
    Editing edit(const QString &name)
    {
        auto dialog = std::make_unique<EditProfileDialog>(*profile(name)->file(), m_state.get(), nullptr);
        const EditorForm form(*dialog);
        return {std::move(dialog), form};
    }

    // A includes B, B includes C; D stands alone; E is broken; X is nowhere.
    void buildChain()
    {
        addProfile(QStringLiteral("A"), QStringLiteral("@include B\n+file r u: /a\n"));
        addProfile(QStringLiteral("B"), QStringLiteral("@include C\n"));
        addProfile(QStringLiteral("C"), QStringLiteral("+file r u: /c\n"));
        addProfile(QStringLiteral("D"), QStringLiteral("+file r u: /d\n"));
        addProfile(QStringLiteral("E"), QStringLiteral("+file r u: /e\nnot a rule line\n"));
        m_state->updateAllStatuses();
    }

private Q_SLOTS:
    void formOfAnEditableProfile()
    {
        buildChain();
        auto [dialog, f] = edit(QStringLiteral("A"));

        QCOMPARE(dialog->windowTitle(), QStringLiteral("Edit profile: A"));
        QCOMPARE(f.name->text(), QStringLiteral("A"));
        QCOMPARE(f.buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        // Enter must not accept half-done work.
        QVERIFY(f.buttons->button(QDialogButtonBox::Cancel)->isDefault());
        QVERIFY(f.ok()->isEnabled());
        QCOMPARE(f.toolBar->actions(), (QList<QAction *>{f.addFile, f.addDirectory, f.removeFile, f.record}));
        // Nothing selected yet.
        QVERIFY(f.addFile->isEnabled());
        QVERIFY(!f.removeFile->isEnabled());
        QVERIFY(f.record->isEnabled());
        QVERIFY(qobject_cast<ComboBoxItemDelegate *>(f.table->itemDelegateForColumn(EditProfileDialog::TypeColumn)));
    }

    void rowsAreSortedAndShowTheirRules()
    {
        addProfile(QStringLiteral("p"),
                   QStringLiteral("+file rw u: /usr/bin/b\n"
                                  "+link ? ?: /usr/bin/a\n"
                                  "+file c o: /usr/bin/B\n"));
        auto [dialog, f] = edit(QStringLiteral("p"));

        // Exact string order: capitals first.
        QCOMPARE(f.filenames(), (QStringList{QStringLiteral("/usr/bin/B"), QStringLiteral("/usr/bin/a"), QStringLiteral("/usr/bin/b")}));
        QCOMPARE(f.checks(0), QStringLiteral("00101"));
        QCOMPARE(f.checks(1), QStringLiteral("11111"));
        QCOMPARE(f.checks(2), QStringLiteral("11010"));

        const QTableWidgetItem *type = f.table->item(1, EditProfileDialog::TypeColumn);
        QCOMPARE(type->text(), QStringLiteral("Link"));
        QCOMPARE(type->data(Qt::UserRole).toInt(), int(ObjectRule::Link));
        QCOMPARE(type->toolTip(), QStringLiteral("Type"));
        QVERIFY(type->flags() & Qt::ItemIsEditable);
        QCOMPARE(f.table->item(0, EditProfileDialog::TypeColumn)->text(), QStringLiteral("File"));

        QTableWidgetItem *filename = f.table->item(1, EditProfileDialog::FilenameColumn);
        QCOMPARE(filename->toolTip(), QStringLiteral("/usr/bin/a"));
        QVERIFY(filename->flags() & Qt::ItemIsEditable);
        filename->setText(QStringLiteral("/b"));
        QCOMPARE(filename->toolTip(), QStringLiteral("/b"));

        // Check boxes, not text.
        const QTableWidgetItem *check = f.table->item(0, EditProfileDialog::CreateColumn);
        QVERIFY(!(check->flags() & Qt::ItemIsEditable));
        QVERIFY(check->flags() & Qt::ItemIsUserCheckable);
    }

    void includeList_data()
    {
        QTest::addColumn<QString>("edited");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("checked");
        // name=tool tip of every entry that has one
        QTest::addColumn<QStringList>("toolTips");
        // entries that cannot be checked
        QTest::addColumn<QStringList>("uncheckable");

        const QString errorTip = QStringLiteral("E='E' has errors and cannot be included");
        // A includes B includes C; B is direct, C only through B.
        QTest::newRow("direct and indirect") << QStringLiteral("A")
                                             << QStringList{QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"), QStringLiteral("E (has errors)")}
                                             << QStringList{QStringLiteral("B")} << QStringList{errorTip} << QStringList{QStringLiteral("E")};
        QTest::newRow("used in chains") << QStringLiteral("C")
                                        << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("D"), QStringLiteral("E (has errors)")}
                                        << QStringList{} << QStringList{QStringLiteral("A='C' used in 'A->B'"), QStringLiteral("B='C' used in 'B'"), errorTip}
                                        << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("E")};
        QTest::newRow("middle") << QStringLiteral("B")
                                << QStringList{QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("D"), QStringLiteral("E (has errors)")}
                                << QStringList{QStringLiteral("C")} << QStringList{QStringLiteral("A='B' used in 'A'"), errorTip}
                                << QStringList{QStringLiteral("A"), QStringLiteral("E")};
    }

    void includeList()
    {
        QFETCH(QString, edited);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, checked);
        QFETCH(QStringList, toolTips);
        QFETCH(QStringList, uncheckable);

        buildChain();
        auto [dialog, f] = edit(edited);

        QCOMPARE(WindowDriver::texts(f.list), texts);
        QStringList seenChecked;
        QStringList seenTips;
        QStringList seenUncheckable;
        for (int i = 0; i < f.list->count(); ++i) {
            const QListWidgetItem *item = f.list->item(i);
            const QString name = item->data(Qt::UserRole).toString();
            if (item->checkState() == Qt::Checked) {
                seenChecked << name;
            }
            if (!item->toolTip().isEmpty()) {
                seenTips << name + QLatin1Char('=') + item->toolTip();
            }
            if (!(item->flags() & Qt::ItemIsUserCheckable)) {
                seenUncheckable << name;
                // Shown as what it is: disabled.
                QVERIFY2(!(item->flags() & Qt::ItemIsEnabled), qPrintable(name));
            }
        }
        QCOMPARE(seenChecked, checked);
        QCOMPARE(seenTips, toolTips);
        QCOMPARE(seenUncheckable, uncheckable);
    }

    // Entries of includes that cannot be taken back: checked, they can be
    // dropped once and are then disabled.
    void lockedIncludeCanBeDroppedOnce_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("dropped");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QStringList>("kept");
        const QString b = QStringLiteral("B");
        const QString e = QStringLiteral("E (has errors)");
        // A's own state has the cycle as an error, so it is marked twice over.
        QTest::newRow("itself") << QStringLiteral("@include A\n") << QStringList{QStringLiteral("A (has errors)"), b, e} << QStringLiteral("A")
                                << QStringLiteral("'A' used in 'A'") << QStringList{b};
        QTest::newRow("unknown") << QStringLiteral("@include Zed\n@include X\n@include B\n")
                                 << QStringList{b, e, QStringLiteral("X (unknown)"), QStringLiteral("Zed (unknown)")} << QStringLiteral("X") << QString()
                                 << QStringList{b, QStringLiteral("Zed")};
        QTest::newRow("broken") << QStringLiteral("@include E\n") << QStringList{b, e} << QStringLiteral("E")
                                << QStringLiteral("'E' has errors and cannot be included") << QStringList{b};
    }

    void lockedIncludeCanBeDroppedOnce()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, entries);
        QFETCH(QString, dropped);
        QFETCH(QString, toolTip);
        QFETCH(QStringList, kept);
        addProfile(QStringLiteral("A"), text);
        addProfile(QStringLiteral("B"), QStringLiteral("+file r u: /b\n"));
        addProfile(QStringLiteral("E"), QStringLiteral("garbage\tline here\n"));
        m_state->updateAllStatuses();
        QVERIFY(!profile(QStringLiteral("E"))->errors().isEmpty());
        auto [dialog, f] = edit(QStringLiteral("A"));

        QCOMPARE(WindowDriver::texts(f.list), entries);
        QListWidgetItem *entry = f.entry(dropped);
        QCOMPARE(entry->checkState(), Qt::Checked);
        QCOMPARE(entry->toolTip(), toolTip);
        QVERIFY(entry->flags() & Qt::ItemIsUserCheckable);
        entry->setCheckState(Qt::Unchecked);
        QCOMPARE(entry->flags(), Qt::NoItemFlags);
        QCOMPARE(entry->checkState(), Qt::Unchecked);

        // An ordinary entry can be checked and unchecked at will.
        QListWidgetItem *ordinary = f.entry(QStringLiteral("B"));
        ordinary->setCheckState(Qt::Unchecked);
        QVERIFY(ordinary->flags() & Qt::ItemIsUserCheckable);
        ordinary->setCheckState(Qt::Checked);

        dialog->accept();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(WindowDriver::includes(dialog->profileFile()), kept);
    }

    // The list's answers are those of asking every profile's own include
    // search, on random include graphs with and without cycles and with
    // includes of profiles that do not exist.
    void includeListAgreesWithTheIncludeSearch()
    {
        QRandomGenerator random(20261208);
        for (int round = 0; round < 400; ++round) {
            m_state = std::make_unique<SystemState>();
            const int count = 2 + int(random.bounded(9));
            const bool acyclic = random.bounded(2) == 0;
            const int density = 10 + int(random.bounded(35));
            for (int i = 0; i < count; ++i) {
                QString text;
                for (int j = 0; j < count; ++j) {
                    if ((acyclic && j <= i) || int(random.bounded(100)) >= density) {
                        continue;
                    }
                    text += QStringLiteral("@include p%1\n").arg(j);
                }
                if (random.bounded(100) < 10) {
                    text += QStringLiteral("@include ghost\n");
                }
                addProfile(QStringLiteral("p%1").arg(i), text);
            }
            m_state->updateAllStatuses();

            const QString edited = QStringLiteral("p%1").arg(random.bounded(count));
            const ProfileFile *editedFile = profile(edited)->file();
            QSet<const ProfileFile *> files;
            const auto profiles = m_state->profiles();
            for (const ProfileState *state : profiles) {
                files.insert(state->file());
            }

            auto [dialog, f] = edit(edited);
            int shown = 0;
            for (const ProfileState *state : profiles) {
                const QString name = state->name();
                const QStringList includes = editedFile->containts(name, files, {});
                const QStringList usedIn = state->file()->containts(edited, files, {});
                QListWidgetItem *item = f.entry(name);
                if (name == edited && includes.size() != 1) {
                    QVERIFY2(!item, qPrintable(name));
                    continue;
                }
                ++shown;
                QVERIFY2(item, qPrintable(name));
                QCOMPARE(item->checkState(), includes.size() == 1 ? Qt::Checked : Qt::Unchecked);
                const QString tip = !usedIn.isEmpty() ? QStringLiteral("'%1' used in '%2'").arg(edited, usedIn.join(QStringLiteral("->")))
                    : !state->errors().isEmpty()      ? QStringLiteral("'%1' has errors and cannot be included").arg(name)
                                                      : QString();
                QCOMPARE(item->toolTip(), tip);
                const bool locked = !usedIn.isEmpty() || !state->errors().isEmpty();
                const bool checkable = item->flags() & Qt::ItemIsUserCheckable;
                QCOMPARE(checkable, !locked || item->checkState() == Qt::Checked);
            }
            const bool ghost = editedFile->data().includes().contains(IncludeRule(QStringLiteral("ghost")));
            QCOMPARE(f.list->count(), shown + (ghost ? 1 : 0));
        }
    }

    void nameRules()
    {
        addProfile(QStringLiteral("p"), QStringLiteral("+file r u: /a\n"));
        auto [dialog, f] = edit(QStringLiteral("p"));

        f.name->clear();
        QVERIFY(!f.ok()->isEnabled());
        QTest::keyClicks(f.name, QStringLiteral("a-b c_"));
        QTest::sendKeyEvent(QTest::Click, f.name, Qt::Key_unknown, QStringLiteral("Д"), Qt::NoModifier);
        QTest::keyClicks(f.name, QStringLiteral("9"));
        // The hyphen, as in the shipped profiles' names, is taken; the blank is refused as it is typed.
        QCOMPARE(f.name->text(), QStringLiteral("a-bc_Д9"));
        QVERIFY(f.ok()->isEnabled());

        f.name->clear();
        QTest::keyClicks(f.name, QString(51, QLatin1Char('x')));
        QCOMPARE(f.name->text(), QString(50, QLatin1Char('x')));

        // No hidden file's name.
        f.name->clear();
        QTest::keyClicks(f.name, QStringLiteral(".x.y"));
        QCOMPARE(f.name->text(), QStringLiteral("x.y"));
    }

    void removingRowsFollowsTheSelection()
    {
        addProfile(QStringLiteral("p"), QStringLiteral("+file r u: /1\n+file r u: /2\n+file r u: /3\n+file r u: /4\n+file r u: /5\n"));
        auto [dialog, f] = edit(QStringLiteral("p"));

        f.selectRows({0, 2, 3});
        QVERIFY(f.removeFile->isEnabled());
        f.removeFile->trigger();
        QCOMPARE(f.filenames(), (QStringList{QStringLiteral("/2"), QStringLiteral("/5")}));
        QVERIFY(!f.removeFile->isEnabled());

        f.removeFile->trigger();
        QCOMPARE(f.table->rowCount(), 2);
    }

    void contextMenuChangesTheSelectedRows()
    {
        addProfile(QStringLiteral("p"),
                   QStringLiteral("+file rw u: /1\n"
                                  "+file r uo: /2\n"
                                  "+link rwc o: /3\n"));
        auto [dialog, f] = edit(QStringLiteral("p"));

        std::unique_ptr<QMenu> menu(dialog->createObjectsContextMenu());
        QVERIFY(menu);
        QCOMPARE(menu->actions().mid(0, 4), f.toolBar->actions());
        // Nothing selected: nothing to change.
        for (const char *title : {"Change file type", "Change file modes", "Change file target"}) {
            QMenu *submenu = findSubmenu(menu.get(), QString::fromLatin1(title));
            QVERIFY2(submenu, title);
            QVERIFY(!submenu->isEnabled());
        }

        f.selectRows({0, 1});
        menu.reset(dialog->createObjectsContextMenu());
        QMenu *type = findSubmenu(menu.get(), QStringLiteral("Change file type"));
        QMenu *modes = findSubmenu(menu.get(), QStringLiteral("Change file modes"));
        QMenu *targets = findSubmenu(menu.get(), QStringLiteral("Change file target"));
        QVERIFY(type->isEnabled() && modes->isEnabled() && targets->isEnabled());

        QAction *file = findAction(type, QStringLiteral("File"));
        QAction *link = findAction(type, QStringLiteral("Link"));
        QVERIFY(file->isCheckable() && file->isChecked());
        QVERIFY(link->isCheckable() && !link->isChecked());
        QCOMPARE(findAction(modes, QStringLiteral("Read"))->isChecked(), true);
        QCOMPARE(findAction(modes, QStringLiteral("Write"))->isChecked(), false);
        QCOMPARE(findAction(modes, QStringLiteral("Create"))->isChecked(), false);
        QCOMPARE(findAction(targets, QStringLiteral("User"))->isChecked(), true);
        QCOMPARE(findAction(targets, QStringLiteral("Other"))->isChecked(), false);

        // Checked in some rows only: checked in all of them.
        findAction(modes, QStringLiteral("Write"))->trigger();
        QCOMPARE(f.checks(0), QStringLiteral("11010"));
        QCOMPARE(f.checks(1), QStringLiteral("11011"));
        // Checked in all: unchecked in all.
        findAction(targets, QStringLiteral("User"))->trigger();
        QCOMPARE(f.checks(0), QStringLiteral("11000"));
        QCOMPARE(f.checks(1), QStringLiteral("11001"));
        // The unselected row is untouched.
        QCOMPARE(f.checks(2), QStringLiteral("11101"));

        link->trigger();
        QCOMPARE(f.typeOf(0), int(ObjectRule::Link));
        QCOMPARE(f.typeOf(1), int(ObjectRule::Link));
        QCOMPARE(f.table->item(1, EditProfileDialog::TypeColumn)->text(), QStringLiteral("Link"));

        // Rows of different types: no type is checked.
        f.selectRows({1, 2});
        f.table->item(2, EditProfileDialog::TypeColumn)->setData(Qt::UserRole, int(ObjectRule::File));
        menu.reset(dialog->createObjectsContextMenu());
        type = findSubmenu(menu.get(), QStringLiteral("Change file type"));
        QVERIFY(!findAction(type, QStringLiteral("File"))->isChecked());
        QVERIFY(!findAction(type, QStringLiteral("Link"))->isChecked());
    }

    void contextMenuOpensAtTheRequestedPoint()
    {
        addProfile(QStringLiteral("p"), QStringLiteral("+file r u: /a\n"));
        auto [dialog, f] = edit(QStringLiteral("p"));
        dialog->move(0, 0);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));

        QPoint shownAt;
        QTimer::singleShot(50, this, [&] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                shownAt = menu->pos();
                menu->close();
            }
        });
        dialog->objectsTableCustomContextMenuRequested(QPoint(5, 7));
        QCOMPARE(shownAt, f.table->viewport()->mapToGlobal(QPoint(5, 7)));
    }

    void typeDelegate()
    {
        ComboBoxItemDelegate delegate;
        QStandardItemModel model(1, 1);
        const QModelIndex index = model.index(0, 0);
        model.setData(index, int(ObjectRule::Link), Qt::UserRole);

        QWidget parent;
        std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, QStyleOptionViewItem(), index));
        auto *box = qobject_cast<QComboBox *>(editor.get());
        QVERIFY(box);
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(0), QStringLiteral("File"));
        QCOMPARE(box->itemData(0).toInt(), int(ObjectRule::File));
        QCOMPARE(box->itemText(1), QStringLiteral("Link"));
        QCOMPARE(box->itemData(1).toInt(), int(ObjectRule::Link));

        delegate.setEditorData(box, index);
        QCOMPARE(box->currentIndex(), 1);
        // A value that is no type leaves the choice alone.
        model.setData(index, int(ObjectRule::Unknown), Qt::UserRole);
        delegate.setEditorData(box, index);
        QCOMPARE(box->currentIndex(), 1);

        box->setCurrentIndex(0);
        delegate.setModelData(box, &model, index);
        QCOMPARE(model.data(index, Qt::UserRole).toInt(), int(ObjectRule::File));
        QCOMPARE(model.data(index, Qt::DisplayRole).toString(), QStringLiteral("File"));

        QCOMPARE(ComboBoxItemDelegate::typeName(ObjectRule::Unknown), QString());
        QCOMPARE(ComboBoxItemDelegate::typeName(7), QString());
    }

    void acceptBuildsTheProfileFromTheRows()
    {
        addProfile(QStringLiteral("p"),
                   QStringLiteral("@include base\n"
                                  "@include other\n"
                                  "+link ? ?: /usr/lib/x.so (deleted)\n"
                                  "+file r u: /tmp/a\n"
                                  "# a comment\n"));
        addProfile(QStringLiteral("base"), QStringLiteral("+file r u: /b\n"));
        addProfile(QStringLiteral("other"), QStringLiteral("+file r u: /o\n"));
        m_state->updateAllStatuses();
        const ProfileFile before = *profile(QStringLiteral("p"))->file();

        auto [dialog, f] = edit(QStringLiteral("p"));
        // Opened and accepted untouched: the very same profile, flag included.
        dialog->accept();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(dialog->profileFile().data().objectRules(), before.data().objectRules());
        QCOMPARE(dialog->profileFile().data().includes(), before.data().includes());
        QCOMPARE(dialog->profileFile().data().comments(), before.data().comments());
        QCOMPARE(dialog->profileFile().name(), QStringLiteral("p"));
        QVERIFY(dialog->profileFile().exists());

        // Rows that differ in a trailing blank are two rules; rows alike are one;
        // a row without a filename is kept as the incomplete rule it is.
        auto [again, g] = edit(QStringLiteral("p"));
        QCOMPARE(g.filenames(), (QStringList{QStringLiteral("/tmp/a"), QStringLiteral("/usr/lib/x.so")}));
        g.table->setRowCount(5);
        for (const auto &copy : {qMakePair(2, 0), qMakePair(3, 1), qMakePair(4, 1)}) {
            for (int column = 0; column < EditProfileDialog::ColumnCount; ++column) {
                g.table->setItem(copy.first, column, g.table->item(copy.second, column)->clone());
            }
        }
        g.table->item(3, EditProfileDialog::FilenameColumn)->setText(QStringLiteral("/usr/lib/x.so "));
        g.table->item(4, EditProfileDialog::FilenameColumn)->setText(QString());
        g.entry(QStringLiteral("other"))->setCheckState(Qt::Unchecked);
        again->accept();
        QCOMPARE(again->result(), int(QDialog::Accepted));

        ObjectRule tmp = rule(ObjectRule::File, QStringLiteral("/tmp/a"), {ObjectRule::Read}, {ObjectRule::TargetUser});
        ObjectRule spaced = rule(ObjectRule::Link,
                                 QStringLiteral("/usr/lib/x.so "),
                                 {ObjectRule::Read, ObjectRule::Write, ObjectRule::Create},
                                 {ObjectRule::TargetUser, ObjectRule::TargetOther});
        spaced.setDeleted(true);
        ObjectRule original = spaced;
        original.setFilename(QStringLiteral("/usr/lib/x.so"));
        ObjectRule unnamed = original;
        unnamed.setFilename(QString());
        QCOMPARE(again->profileFile().data().objectRules(), (QSet<ObjectRule>{tmp, spaced, original, unnamed}));
        QCOMPARE(WindowDriver::includes(again->profileFile()), QStringList{QStringLiteral("base")});
        QVERIFY(!again->profileFile().data().isValid());
    }

    void incompleteRowsAreRefused_data()
    {
        QTest::addColumn<QList<int>>("unchecked");
        QTest::addColumn<QString>("text");

        const QList<int> modes{EditProfileDialog::ReadColumn, EditProfileDialog::WriteColumn, EditProfileDialog::CreateColumn};
        const QList<int> targets{EditProfileDialog::UserColumn, EditProfileDialog::OtherColumn};
        QTest::newRow("no mode") << modes << QStringLiteral("Each object must have at least \none mode (R/W/C)");
        QTest::newRow("no target") << targets << QStringLiteral("Each object must have at least \none target (O/U)");
        QTest::newRow("neither") << modes + targets << QStringLiteral("Each object must have at least \none mode (R/W/C) and one target (O/U)");
    }

    void incompleteRowsAreRefused()
    {
        QFETCH(QList<int>, unchecked);
        QFETCH(QString, text);

        addProfile(QStringLiteral("p"), QStringLiteral("+file rwc uo: /a\n+file r u: /b\n"));
        addProfile(QStringLiteral("q"), QStringLiteral("@include p\n"));
        UserState *alice = addUser(QStringLiteral("alice"), QStringLiteral("@include p\n"));
        m_state->updateAllStatuses();
        profile(QStringLiteral("q"))->setChanged(false);
        alice->setChanged(false);
        auto [dialog, f] = edit(QStringLiteral("p"));
        f.name->setText(QStringLiteral("renamed"));
        for (const int column : unchecked) {
            f.setCheck(1, column, false);
        }

        m_answerer->answer(QMessageBox::Ok);
        dialog->open();
        dialog->accept();
        expectBox(QStringLiteral("Warning"), text);
        QCOMPARE(m_answerer->boxes().first().icon, QMessageBox::Warning);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        // Nothing happened to the working state: cancelling now loses nothing.
        QCOMPARE(WindowDriver::includes(profile(QStringLiteral("q"))), QStringList{QStringLiteral("p")});
        QCOMPARE(WindowDriver::includes(alice), QStringList{QStringLiteral("p")});
        QVERIFY(!profile(QStringLiteral("q"))->isChanged());
        QVERIFY(!alice->isChanged());

        // Corrected, the same OK goes through, renaming included.
        for (const int column : unchecked) {
            f.setCheck(1, column, true);
        }
        dialog->accept();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(dialog->profileFile().name(), QStringLiteral("renamed"));
        QCOMPARE(WindowDriver::includes(profile(QStringLiteral("q"))), QStringList{QStringLiteral("renamed")});
        QCOMPARE(WindowDriver::includes(alice), QStringList{QStringLiteral("renamed")});
    }

    void renameRewritesEveryInclude()
    {
        addProfile(QStringLiteral("A"), QStringLiteral("@include A\n+file r u: /a\n"));
        ProfileState *b = addProfile(QStringLiteral("B"), QStringLiteral("@include A\n@include C\n"));
        ProfileState *c = addProfile(QStringLiteral("C"), QStringLiteral("+file r u: /c\n"));
        UserState *alice = addUser(QStringLiteral("alice"), QStringLiteral("@include A\n"));
        UserState *bob = addUser(QStringLiteral("bob"), QStringLiteral("@include C\n"));
        m_state->updateAllStatuses();
        m_state->setChanged(false);
        for (AbstractProfileState *state : std::initializer_list<AbstractProfileState *>{b, c, alice, bob}) {
            state->setChanged(false);
        }

        auto [dialog, f] = edit(QStringLiteral("A"));
        f.name->setText(QStringLiteral("Renamed"));
        dialog->accept();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));

        QCOMPARE(dialog->profileFile().name(), QStringLiteral("Renamed"));
        // Its own include of itself follows the name too.
        QCOMPARE(WindowDriver::includes(dialog->profileFile()), QStringList{QStringLiteral("Renamed")});
        QCOMPARE(WindowDriver::includes(b), (QStringList{QStringLiteral("C"), QStringLiteral("Renamed")}));
        QCOMPARE(WindowDriver::includes(alice), QStringList{QStringLiteral("Renamed")});
        QVERIFY(b->isChanged());
        QVERIFY(alice->isChanged());
        QVERIFY(!c->isChanged());
        QVERIFY(!bob->isChanged());
        QCOMPARE(WindowDriver::includes(bob), QStringList{QStringLiteral("C")});
    }

    void refusedRenamesChangeNothing()
    {
        addProfile(QStringLiteral("A"), QStringLiteral("+file r u: /a\n"));
        ProfileState *b = addProfile(QStringLiteral("B"), QStringLiteral("@include A\n"));
        m_state->updateAllStatuses();

        auto [dialog, f] = edit(QStringLiteral("A"));
        dialog->open();
        // A name that reached the line edit without typing is held to the same rule.
        f.name->setText(QStringLiteral("A b/../x"));
        m_answerer->answer(QMessageBox::Ok);
        dialog->accept();
        QCOMPARE(m_answerer->titles(), QStringList{QStringLiteral("Profile name error")});
        QVERIFY(dialog->isVisible());

        m_answerer->reset();
        f.name->setText(QStringLiteral("B"));
        m_answerer->answer(QMessageBox::Ok);
        dialog->accept();
        expectBox(QStringLiteral("Profile rename error"), QStringLiteral("Profile with name 'B' already exists"));
        QCOMPARE(m_answerer->boxes().first().icon, QMessageBox::Critical);
        QCOMPARE(m_answerer->boxes().first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(dialog->isVisible());
        QCOMPARE(WindowDriver::includes(b), QStringList{QStringLiteral("A")});
        QCOMPARE(dialog->profileFile().name(), QStringLiteral("A"));

        // A name differing only in case is another name.
        f.name->setText(QStringLiteral("b"));
        dialog->accept();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(WindowDriver::includes(b), QStringList{QStringLiteral("b")});
    }

    void recordingIsNotOfferedWhileARecordingRuns()
    {
        KioskTree::reset();
        KioskTree::setSwitches(false, false, true);
        m_state->readModes();
        addProfile(QStringLiteral("p"), QStringLiteral("+file r u: /a\n"));
        auto [dialog, f] = edit(QStringLiteral("p"));
        QVERIFY(!f.record->isEnabled());
        // Not even asked for: the answerer would see the recording dialog.
        dialog->traceAppActionTriggered();
        QCOMPARE(f.filenames(), QStringList{QStringLiteral("/a")});
    }

    void recordingNeedsTheSessionsDisplay_data()
    {
        QTest::addColumn<QByteArray>("display");
        QTest::addColumn<QString>("authorityFile");
        QTest::addColumn<QString>("said");
        QTest::newRow("no display") << QByteArray() << QStringLiteral("Xauthority") << QStringLiteral("The X display of this session is not known");
        QTest::newRow("no authority file") << QByteArray(":57") << QStringLiteral("missing") << QStringLiteral("The X authority file '");
        // No bus in this test: the action fails, maybe before the wait shows.
        QTest::newRow("helper out of reach") << QByteArray(":57") << QStringLiteral("Xauthority") << QString();
    }

    void recordingNeedsTheSessionsDisplay()
    {
        QFETCH(QByteArray, display);
        QFETCH(QString, authorityFile);
        QFETCH(QString, said);
        const QTemporaryDir dir;
        QFile authority(dir.filePath(QStringLiteral("Xauthority")));
        QVERIFY(authority.open(QIODevice::WriteOnly));
        const auto session = x11Session(display, dir.filePath(authorityFile).toUtf8());

        addProfile(QStringLiteral("p"), QStringLiteral("+file r u: /a\n"));
        auto dialog = edit(QStringLiteral("p")).dialog;
        m_answerer->leaveOpen("TraceWaitDialog");
        m_answerer->answer(QMessageBox::Ok);
        QVERIFY(!dialog->recordApplicationRules(QString(), QStringLiteral("/usr/bin/cat"), true));
        QCOMPARE(m_answerer->titles(), QStringList{QStringLiteral("Application kiosk rules record error")});
        QVERIFY2(m_answerer->boxes().constFirst().text.startsWith(said), qPrintable(m_answerer->boxes().constFirst().text));
        QCOMPARE(EditorForm(*dialog).filenames(), QStringList{QStringLiteral("/a")});
    }

    void recordedRulesAreMergedAndAdded_data()
    {
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QStringList>("filenames");
        QTest::newRow("added") << false << QStringList{QStringLiteral("/z"), QStringLiteral("/etc/hostname"), QStringLiteral("/home/ф")};
        QTest::newRow("overwriting") << true << QStringList{QStringLiteral("/etc/hostname"), QStringLiteral("/home/ф")};
    }

    void recordedRulesAreMergedAndAdded()
    {
        QFETCH(bool, overwrite);
        QFETCH(QStringList, filenames);
        addProfile(QStringLiteral("base"), QStringLiteral("+file r u: /b\n"));
        addProfile(QStringLiteral("p"), QStringLiteral("@include base\n+file r u: /z\n"));
        auto [dialog, f] = edit(QStringLiteral("p"));

        // The recorder's text is UTF-8 whatever this session's locale.
        QTextCodec *locale = QTextCodec::codecForLocale();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
        QVariantMap reply;
        reply.insert(QStringLiteral("traceText"),
                     QStringLiteral("+file r u: /etc/hostname\n+file w u: /etc/hostname\n+file r o: /home/ф\n@include base\n# comment\n"));
        reply.insert(QStringLiteral("warningsDataKey"), QStringList{QString(), QString()});
        dialog->addRecordedRules(reply, overwrite);
        QTextCodec::setCodecForLocale(locale);

        QCOMPARE(f.filenames(), filenames);
        const int hostname = filenames.indexOf(QStringLiteral("/etc/hostname"));
        QCOMPARE(f.checks(hostname), QStringLiteral("11010"));
        // The recording ran with it: checked again after overwriting.
        QCOMPARE(f.entry(QStringLiteral("base"))->checkState(), Qt::Checked);
        QVERIFY(m_answerer->boxes().isEmpty());

        m_answerer->answer(QMessageBox::Ok);
        reply.insert(QStringLiteral("warningsDataKey"), QStringList{QStringLiteral("one"), QString(), QStringLiteral("two")});
        dialog->addRecordedRules(reply, false);
        expectBox(QStringLiteral("Trace warnings"), QStringLiteral("one\ntwo"));
    }

    void newProfile()
    {
        buildChain();
        CreateProfileDialog dialog(m_state.get(), nullptr);
        const EditorForm f(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Create new profile"));
        QVERIFY(f.name->text().isEmpty());
        QVERIFY(!f.ok()->isEnabled());
        QCOMPARE(f.entry(QStringLiteral("A"))->checkState(), Qt::Unchecked);

        f.name->setText(QStringLiteral("D"));
        m_answerer->answer(QMessageBox::Ok);
        f.ok()->click();
        expectBox(QStringLiteral("Profile name error"), QStringLiteral("Profile with 'D' name exist"));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        f.name->setText(QStringLiteral("F"));
        f.entry(QStringLiteral("D"))->setCheckState(Qt::Checked);
        f.ok()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.profileFile().name(), QStringLiteral("F"));
        QVERIFY(!dialog.profileFile().exists());
        QCOMPARE(WindowDriver::includes(dialog.profileFile()), QStringList{QStringLiteral("D")});
    }

    void readOnlyShowsOnly()
    {
        KioskTree::reset();
        KioskTree::writeProfile(QStringLiteral("base"), QStringLiteral("+file r u: /etc/hosts\n"));
        KioskTree::writeProfile(QStringLiteral("app"), QStringLiteral("@include base\n@include ghost\n+file rw uo: /usr/bin/app\n"));
        KioskTree::writeProfile(QStringLiteral("other"), QStringLiteral("+file r u: /x\n"));
        KioskTree::setSwitches(false, false);
        m_state->reload();
        QVERIFY(m_state->readOnlyInfo().readOnly);

        auto [dialog, f] = edit(QStringLiteral("app"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("View profile: app"));
        QCOMPARE(f.buttons->standardButtons(), QDialogButtonBox::StandardButtons(QDialogButtonBox::Close));
        QVERIFY(!f.name->isEnabled());
        QVERIFY(!f.toolBar->isEnabled());
        for (int column = 0; column < EditProfileDialog::ColumnCount; ++column) {
            QCOMPARE(f.table->item(0, column)->flags(), viewOnly);
        }
        QCOMPARE(f.checks(0), QStringLiteral("11011"));
        QCOMPARE(WindowDriver::texts(f.list), (QStringList{QStringLiteral("base"), QStringLiteral("other"), QStringLiteral("ghost (unknown)")}));
        for (int i = 0; i < f.list->count(); ++i) {
            QCOMPARE(f.list->item(i)->flags(), viewOnly);
        }
        QCOMPARE(f.entry(QStringLiteral("base"))->checkState(), Qt::Checked);
        QCOMPARE(dialog->createObjectsContextMenu(), nullptr);
        // No menu shows: were one to open, nothing would close it.
        dialog->objectsTableCustomContextMenuRequested(QPoint(1, 1));
        QCOMPARE(QApplication::activePopupWidget(), nullptr);

        f.buttons->button(QDialogButtonBox::Close)->click();
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(EditProfileDialogTest)

#include "editprofiledialogtest.moc"
