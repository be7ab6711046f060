/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "dialogs/createuserdialog.h"
#include "profile/userprofilefile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

namespace
{
QStringList itemTexts(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) {
        texts << box->itemText(i);
    }
    return texts;
}
}

class CreateUserDialogTest : public QObject
{
    Q_OBJECT

    struct Form {
        QComboBox *users;
        QCheckBox *copy;
        QComboBox *others;
        QPushButton *ok;
    };

    static Form form(CreateUserDialog &dialog)
    {
        Form f;
        f.users = dialog.findChild<QComboBox *>(QStringLiteral("usersComboBox"));
        f.copy = dialog.findChild<QCheckBox *>(QStringLiteral("copyUserCheckBox"));
        f.others = dialog.findChild<QComboBox *>(QStringLiteral("otherUsersComboBox"));
        f.ok = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok);
        return f;
    }

    static void expectNothingCopied(const CreateUserDialog &dialog, const Form &f)
    {
        QVERIFY(!f.others->isEnabled());
        QCOMPARE(f.others->currentIndex(), -1);
        QCOMPARE(dialog.copiedUserProfile(), nullptr);
    }

private Q_SLOTS:
    void accountsAreSortedAndTheFirstIsChosen()
    {
        CreateUserDialog dialog({QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")}, {});
        const Form f = form(dialog);

        QCOMPARE(dialog.windowTitle(), QStringLiteral("Add user"));
        QCOMPARE(itemTexts(f.users), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        QCOMPARE(f.users->itemData(1).toString(), QStringLiteral("b"));
        QCOMPARE(dialog.selectedUserName(), QStringLiteral("a"));
        QVERIFY(f.ok->isEnabled());

        f.users->setCurrentIndex(2);
        QCOMPARE(dialog.selectedUserName(), QStringLiteral("c"));
    }

    void withoutKioskUsersNothingCanBeCopied()
    {
        CreateUserDialog dialog({QStringLiteral("a")}, {});
        const Form f = form(dialog);

        QVERIFY(!f.copy->isEnabled());
        QVERIFY(!f.copy->isChecked());
        expectNothingCopied(dialog, f);
        QVERIFY(f.ok->isEnabled());
    }

    void copyingFollowsTheCheckBox()
    {
        UserProfileFile carol(QStringLiteral("carol"), true);
        UserProfileFile bob(QStringLiteral("bob"), true);
        bob.setEnable(false);
        CreateUserDialog dialog({QStringLiteral("a")}, {&carol, &bob});
        const Form f = form(dialog);

        // Sorted by name; a disabled user is marked but offered all the same.
        QCOMPARE(itemTexts(f.others), (QStringList{QStringLiteral("bob (disabled)"), QStringLiteral("carol")}));
        QVERIFY(f.copy->isEnabled());
        expectNothingCopied(dialog, f);

        f.copy->setChecked(true);
        QVERIFY(f.others->isEnabled());
        QCOMPARE(f.others->currentIndex(), 0);
        QCOMPARE(dialog.copiedUserProfile(), &bob);
        QVERIFY(f.ok->isEnabled());

        f.others->setCurrentIndex(1);
        QCOMPARE(dialog.copiedUserProfile(), &carol);

        f.copy->setChecked(false);
        expectNothingCopied(dialog, f);
        QVERIFY(f.ok->isEnabled());
    }

    void noAccountMeansNoOk()
    {
        CreateUserDialog dialog({}, {});
        const Form f = form(dialog);
        QCOMPARE(f.users->count(), 0);
        QVERIFY(!f.ok->isEnabled());
        QCOMPARE(dialog.selectedUserName(), QString());
    }
};

QTEST_MAIN(CreateUserDialogTest)

#include "createuserdialogtest.moc"
