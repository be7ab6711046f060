/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "profile/profilefile.h"
#include "profile/userprofilefile.h"

#include "includetesting.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(ProfileFile::Error)

using namespace IncludeTesting;

class ProfileFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void containtsMatchesThePlainSearchOnLargeTrees()
    {
        // Long searches take shortcuts of their own; trees with includes back
        // up to ancestors (cycles), of missing profiles and of themselves keep
        // the plain search cheap enough to compare with.
        QRandomGenerator random(4711);
        int chains = 0;
        int empty = 0;
        forRandomTrees(random, 200, 6, 0, [&](const Graph &g, const QVector<ProfileFile *> &byIndex) {
            const int count = byIndex.size();
            for (int question = 0; question < 10; ++question) {
                const ProfileFile &start = *byIndex.at(random.bounded(random.bounded(2) ? 3 : count));
                QString name;
                switch (random.bounded(4)) {
                case 0:
                    name = QStringLiteral("missing%1").arg(random.bounded(4));
                    break;
                case 1:
                    name = start.name();
                    break;
                default:
                    name = byIndex.at(random.bounded(count))->name();
                    break;
                }
                const QStringList path = random.bounded(5) == 0 ? QStringList{byIndex.at(random.bounded(count))->name()} : QStringList();
                const QStringList expected = plainContaints(start, name, g.files, path);
                QCOMPARE(start.containts(name, g.files, path), expected);
                (expected.isEmpty() ? empty : chains)++;
            }
        });
        QVERIFY(chains > 300);
        QVERIFY(empty > 300);
    }

    void errors()
    {
        QCOMPARE(ProfileFile(QString(), true).errors(), QSet<ProfileFile::Error>{ProfileFile::EmptyName});
        QVERIFY(!ProfileFile(QString(), true).isValid());

        ProfileFile broken(QStringLiteral("x"), false);
        broken.data().addInvalidLine(QStringLiteral("garbage"));
        QVERIFY(broken.errors().isEmpty());
        QVERIFY(broken.isValid());
        QVERIFY(!broken.data().isValid());

        broken.setName(QString());
        QCOMPARE(broken.errors(), QSet<ProfileFile::Error>{ProfileFile::EmptyName});
    }

    void content()
    {
        ProfileFile profile(QStringLiteral("base"), true);
        QVERIFY(profile.exists());
        profile.data().insertIncludeRule(IncludeRule(QStringLiteral("other")));
        profile.data().addComment(QStringLiteral("c"));

        const ProfileData copy = static_cast<const ProfileFile &>(profile).data();
        profile.data().remodeAllIncludeRules();
        QCOMPARE(copy.includes().size(), 1);
        QVERIFY(profile.data().includes().isEmpty());

        ProfileData replacement;
        replacement.addOldFormatLine(QStringLiteral("old"));
        profile.setData(replacement);
        QVERIFY(profile.data().comments().isEmpty());
        QCOMPARE(profile.data().oldFormatLines(), QStringList{QStringLiteral("old")});
    }

    void userProfiles()
    {
        UserProfileFile fresh(QStringLiteral("alice"), true);
        QVERIFY(fresh.isEnable());
        QVERIFY(fresh.exists());
        fresh.setEnable(false);
        QVERIFY(!fresh.isEnable());

        ProfileFile unsaved(QStringLiteral("bob"), false);
        unsaved.data().insertIncludeRule(IncludeRule(QStringLiteral("base")));
        const UserProfileFile user(unsaved);
        QVERIFY(!user.exists());
        QVERIFY(user.isEnable());
        QCOMPARE(user.name(), QStringLiteral("bob"));
        QCOMPARE(user.data().includes(), unsaved.data().includes());
    }
};

QTEST_GUILESS_MAIN(ProfileFileTest)

#include "profilefiletest.moc"
