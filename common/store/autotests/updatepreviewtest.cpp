/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "store/updatepreview.h"

#include <QTest>

namespace
{
// The tree before the save: alice enabled, bob disabled, profile office.
std::optional<QString> current(const SystemKiosk::Entry &entry)
{
    using Directory = SystemKiosk::Directory;
    if ((entry.directory == Directory::Users && entry.file == QLatin1String("alice"))
        || (entry.directory == Directory::Disabled && entry.file == QLatin1String("bob"))) {
        return QStringLiteral("@include base\n");
    }
    if (entry.directory == Directory::System && entry.file == QLatin1String("office")) {
        return QStringLiteral("a\nb\nc\nd\ne\nf\ng\nh\ni\nj\n");
    }
    return std::nullopt;
}
}

class UpdatePreviewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void summary_data()
    {
        QTest::addColumn<QVariantMap>("map");
        QTest::addColumn<QStringList>("lines");

        UpdateActionsMap map(QStringLiteral("C"));
        map.setUsersToRename({{QStringLiteral("alice"), QStringLiteral("disabled/alice")}});
        map.setUsersToUpdate({{QStringLiteral("disabled/alice"), QStringLiteral("@include base\n")}});
        QTest::newRow("disable") << QVariantMap(map) << QStringList{QStringLiteral("User disabled: alice")};

        map = UpdateActionsMap(QStringLiteral("C"));
        map.setUsersToRename({{QStringLiteral("disabled/bob"), QStringLiteral("robert")}});
        QTest::newRow("rename and enable") << QVariantMap(map)
                                           << QStringList{QStringLiteral("User renamed: bob → robert"), QStringLiteral("User enabled: robert")};

        map = UpdateActionsMap(QStringLiteral("C"));
        map.setUsersToUpdate({{QStringLiteral("carol"), QStringLiteral("@include base\n")}});
        map.setUsersToRemove({QStringLiteral("disabled/bob")});
        map.setProfilesToUpdate({{QStringLiteral("web"), QString()}});
        map.setProfilesToRemove({QStringLiteral("office")});
        QTest::newRow("added and removed") << QVariantMap(map)
                                           << QStringList{QStringLiteral("User added: carol"),
                                                          QStringLiteral("User removed: bob"),
                                                          QStringLiteral("Profile added: web"),
                                                          QStringLiteral("Profile removed: office")};
    }

    void summary()
    {
        QFETCH(QVariantMap, map);
        QFETCH(QStringList, lines);
        QCOMPARE(UpdatePreview(UpdateActionsMap(map), current).summary(), lines);
    }

    void differenceKeepsContextAroundEachChange()
    {
        UpdateActionsMap map(QStringLiteral("C"));
        map.setProfilesToRename({{QStringLiteral("office"), QStringLiteral("work")}});
        map.setProfilesToUpdate({{QStringLiteral("work"), QStringLiteral("a\nB\nc\nd\ne\nf\ng\nh\ni\nJ\n")}});
        QCOMPARE(UpdatePreview(map, current).text(),
                 QStringLiteral("Profile renamed: office → work\n\nProfile work:\n  a\n- b\n+ B\n  c\n  d\n  …\n  h\n  i\n- j\n+ J"));
    }

    // The writer puts a profile's includes and rules in no fixed order.
    void linesKeptInAnotherOrderAreNoChange()
    {
        QCOMPARE(UpdatePreview::lineDifference(QStringLiteral("@include desktop\n@include web\n+file r uo: /etc\n"),
                                               QStringLiteral("@include fonts\n+file r uo: /etc\n@include web\n@include desktop\n")),
                 (QStringList{QStringLiteral("+ @include fonts"), QStringLiteral("  @include desktop"), QStringLiteral("  @include web")}));
        QCOMPARE(UpdatePreview::lineDifference(QStringLiteral("x\ny\nx\n"), QStringLiteral("y\nz\nx\n")),
                 (QStringList{QStringLiteral("  x"), QStringLiteral("  y"), QStringLiteral("- x"), QStringLiteral("+ z")}));
    }
};

QTEST_GUILESS_MAIN(UpdatePreviewTest)

#include "updatepreviewtest.moc"
