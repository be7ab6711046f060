/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "icontheme.h"
#include "items/profilewidgetitem.h"
#include "items/unknownprofilewidgetitem.h"
#include "items/userwidgetitem.h"
#include "profile/profilefile.h"
#include "profile/userprofilefile.h"
#include "state/profilestate.h"
#include "state/userstate.h"

#include <QIcon>
#include <QImage>
#include <QListWidget>
#include <QPointer>
#include <QTest>

using Codes = QSet<int>;
Q_DECLARE_METATYPE(Codes)

namespace
{
QImage picture(const QIcon &icon)
{
    return icon.pixmap(QSize(32, 32)).toImage();
}
}

class ListItemsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        IconTheme::ensureFallback();
    }

    void userText_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<Codes>("status");
        QTest::addColumn<QString>("text");

        QTest::newRow("enabled, clean") << true << Codes{} << QStringLiteral("alice");
        QTest::newRow("disabled, clean") << false << Codes{} << QStringLiteral("alice (disabled)");
        QTest::newRow("own rules only") << true << Codes{7} << QStringLiteral("alice (has warnings)");
        QTest::newRow("no data only") << true << Codes{1} << QStringLiteral("alice (has warnings)");
        QTest::newRow("disabled with own rules") << false << Codes{7} << QStringLiteral("alice (disabled) (has warnings)");
        QTest::newRow("account missing") << true << Codes{8} << QStringLiteral("alice (has errors)");
        QTest::newRow("errors and warnings") << true << Codes{3, 7} << QStringLiteral("alice (has errors) (has warnings)");
        QTest::newRow("everything") << false << Codes{1, 6, 9} << QStringLiteral("alice (disabled) (has errors) (has warnings)");
    }

    void userText()
    {
        QFETCH(bool, enabled);
        QFETCH(Codes, status);
        QFETCH(QString, text);

        UserProfileFile file(QStringLiteral("alice"), true);
        file.setEnable(enabled);
        UserState state(file);
        state.setStatus(status);
        UserWidgetItem item(&state);
        item.updateAppearance();

        QCOMPARE(item.text(), text);
        QCOMPARE(item.toolTip(), text);
        QCOMPARE(item.state(), &state);
    }

    void userIconShowsTheWorstStatus()
    {
        if (!QIcon::hasThemeIcon(QStringLiteral("user")) || !QIcon::hasThemeIcon(QStringLiteral("dialog-error"))) {
            QSKIP("the icon theme lacks the user or emblem icons");
        }
        UserState state(UserProfileFile(QStringLiteral("alice"), true));
        UserWidgetItem item(&state);
        const QImage plainUser = picture(QIcon::fromTheme(QStringLiteral("user")));
        const auto iconWith = [&](const Codes &status) {
            state.setStatus(status);
            item.updateAppearance();
            return picture(item.icon());
        };
        const QImage clean = iconWith({});
        QCOMPARE(clean, plainUser);
        const QImage warning = iconWith({7});
        const QImage error = iconWith({7, 2});
        const QImage errorOnly = iconWith({2});

        QVERIFY(warning != clean);
        QVERIFY(error != clean);
        QVERIFY(error != warning);
        // Errors win over warnings: the same emblem either way.
        QCOMPARE(errorOnly, error);

        // Back to clean, back to the plain icon.
        QCOMPARE(iconWith({}), plainUser);
    }

    void profileText_data()
    {
        QTest::addColumn<Codes>("status");
        QTest::addColumn<QString>("text");

        QTest::newRow("clean") << Codes{} << QStringLiteral("base");
        QTest::newRow("no rules") << Codes{1} << QStringLiteral("base (has warnings)");
        QTest::newRow("cycle") << Codes{6} << QStringLiteral("base (has errors)");
        QTest::newRow("both") << Codes{1, 3} << QStringLiteral("base (has errors) (has warnings)");
    }

    void profileText()
    {
        QFETCH(Codes, status);
        QFETCH(QString, text);

        ProfileState state(ProfileFile(QStringLiteral("base"), true));
        ProfileWidgetItem item(&state);
        // Without rules it reports "no data" on its own.
        QCOMPARE(item.text(), QStringLiteral("base (has warnings)"));
        QCOMPARE(item.checkState(), Qt::Unchecked);
        QVERIFY(item.flags() & Qt::ItemIsUserCheckable);
        state.setStatus(status);
        item.updateAppearance();

        QCOMPARE(item.text(), text);
        QCOMPARE(item.toolTip(), text);
        QVERIFY(item.icon().isNull());
        QCOMPARE(item.state(), &state);
    }

    void unknownProfile()
    {
        QPointer<ProfileState> placeholder;
        {
            QListWidget list;
            auto *item = new UnknownProfileWidgetItem(QStringLiteral("x"));
            list.addItem(item);
            placeholder = item->state();

            QCOMPARE(item->text(), QStringLiteral("x (unknown)"));
            QCOMPARE(item->toolTip(), QStringLiteral("x (unknown)"));
            QCOMPARE(item->checkState(), Qt::Checked);
            QCOMPARE(item->state()->name(), QStringLiteral("x"));
            QCOMPARE(item->state()->status(), Codes{10});
            QVERIFY(!item->state()->file()->exists());
            QVERIFY(!item->state()->isEditable());

            // A refresh keeps the placeholder's own text.
            item->updateAppearance();
            QCOMPARE(item->text(), QStringLiteral("x (unknown)"));
        }
        // The item owned its placeholder state.
        QVERIFY(placeholder.isNull());
    }
};

QTEST_MAIN(ListItemsTest)

#include "listitemstest.moc"
