/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "profile/kioskstatuses.h"
#include "profile/profilestatus.h"
#include "profile/userprofilefile.h"

#include "includetesting.h"
#include "ruletesting.h"

#include <QTest>

using namespace IncludeTesting;

class KioskStatusesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void treeAsAToolSeesIt()
    {
        // What a tool reading the kiosk tree gets: every profile and user
        // with its status, and the chain of a cycle to print.
        Graph g(QStringLiteral("a:b;b:a;c:a;d:nowhere;e:"));
        QVector<const ProfileFile *> profiles;
        for (const ProfileFile &profile : g.profiles) {
            profiles.append(&profile);
        }
        UserProfileFile alice(QStringLiteral("alice"), true);
        alice.data().insertIncludeRule(IncludeRule(QStringLiteral("c")));
        UserProfileFile bob(QStringLiteral("bob"), true);
        bob.data().insertIncludeRule(IncludeRule(QStringLiteral("e")));
        bob.data().insertObjectRule(makeRule(ObjectRule::File, Letters::r, Letters::u, QStringLiteral("/srv/own")));

        QStringList asked;
        KioskStatuses statuses(profiles, {&alice, &bob}, [&asked](const QString &name) {
            asked << name;
            return name == QLatin1String("bob");
        });
        using S = ProfileStatus::Code;
        QCOMPARE(statuses.status(&alice), (QSet<int>{S::IncludeWithError, S::UserNotFound}));
        QCOMPARE(statuses.status(g.profile(QStringLiteral("a"))), (QSet<int>{S::CyclicIncludes, S::IncludeWithError}));
        QCOMPARE(statuses.status(g.profile(QStringLiteral("c"))), (QSet<int>{S::IncludeWithError}));
        QCOMPARE(statuses.status(g.profile(QStringLiteral("d"))), (QSet<int>{S::UnknownIncludes}));
        QCOMPARE(statuses.status(g.profile(QStringLiteral("e"))), (QSet<int>{S::NoData}));
        // Warnings only: an empty profile included is no include with errors.
        QCOMPARE(statuses.status(&bob), (QSet<int>{S::OwnObjectRules}));
        QCOMPARE(asked, (QStringList{QStringLiteral("alice"), QStringLiteral("bob")}));

        QCOMPARE(statuses.cycle(g.profile(QStringLiteral("a"))), names("a b a"));
        QCOMPARE(statuses.cycle(g.profile(QStringLiteral("b"))), names("b a b"));
        QVERIFY(statuses.cycle(g.profile(QStringLiteral("c"))).isEmpty());
        QVERIFY(statuses.cycle(&alice).isEmpty());
    }

    void keptStatusesAreWhatIncludersSee()
    {
        Graph g(QStringLiteral("top:mid;mid:low;low:nowhere"));
        const QVector<const ProfileFile *> profiles(g.files.cbegin(), g.files.cend());
        KioskStatuses statuses(profiles, {});
        const ProfileFile *mid = g.profile(QStringLiteral("mid"));
        statuses.keep(mid, {});
        QCOMPARE(statuses.status(g.profile(QStringLiteral("top"))), QSet<int>());
        QCOMPARE(statuses.status(mid), QSet<int>());
        QVERIFY(!statuses.isComputed(mid));
        // Walked through all the same: what the kept profile includes is computed.
        QVERIFY(statuses.isComputed(g.profile(QStringLiteral("low"))));
        QCOMPARE(statuses.status(g.profile(QStringLiteral("low"))), QSet<int>{ProfileStatus::UnknownIncludes});
    }

    void texts()
    {
        QCOMPARE(ProfileStatus::text(ProfileStatus::EmptyName), QString());
        QCOMPARE(ProfileStatus::text(ProfileStatus::UserNotFound), QStringLiteral(" not found"));
        QCOMPARE(ProfileStatus::text(ProfileStatus::NonexistentProfile), QStringLiteral("has unknown include"));
        QCOMPARE(ProfileStatus::text(11), QString());
        QCOMPARE(ProfileStatus::text(-1), QString());
    }
};

QTEST_GUILESS_MAIN(KioskStatusesTest)

#include "kioskstatusestest.moc"
