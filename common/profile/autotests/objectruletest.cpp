/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "profile/objectrule.h"
#include "profile/includerule.h"
#include "ruletesting.h"

#include <QTest>

Q_DECLARE_METATYPE(ObjectRule)
Q_DECLARE_METATYPE(ObjectRule::Error)

using Errors = QSet<ObjectRule::Error>;

namespace
{
using namespace Letters;

ObjectRule validRule()
{
    return makeRule(ObjectRule::File, r, u, QStringLiteral("/tmp/a"));
}
}

class ObjectRuleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void errors_data()
    {
        QTest::addColumn<ObjectRule>("rule");
        QTest::addColumn<Errors>("errors");

        QTest::newRow("default reports all four") << ObjectRule()
                                                  << Errors{ObjectRule::InvalidType, ObjectRule::NoModes, ObjectRule::NoTargets, ObjectRule::EmptyFilename};
        QTest::newRow("valid file") << validRule() << Errors{};
        QTest::newRow("valid link") << makeRule(ObjectRule::Link, c, o, QStringLiteral("x")) << Errors{};
        QTest::newRow("unknown type") << makeRule(ObjectRule::Unknown, r, u, QStringLiteral("/a")) << Errors{ObjectRule::InvalidType};
        QTest::newRow("type past the last") << makeRule(static_cast<ObjectRule::Type>(3), r, u, QStringLiteral("/a")) << Errors{ObjectRule::InvalidType};
        QTest::newRow("negative type") << makeRule(static_cast<ObjectRule::Type>(-1), r, u, QStringLiteral("/a")) << Errors{ObjectRule::InvalidType};
        QTest::newRow("no modes") << makeRule(ObjectRule::File, {}, u, QStringLiteral("/a")) << Errors{ObjectRule::NoModes};
        QTest::newRow("no targets") << makeRule(ObjectRule::File, w, {}, QStringLiteral("/a")) << Errors{ObjectRule::NoTargets};
        QTest::newRow("empty filename") << makeRule(ObjectRule::Link, w, u, QString()) << Errors{ObjectRule::EmptyFilename};
        QTest::newRow("blank filename is not empty") << makeRule(ObjectRule::Link, w, u, QStringLiteral(" ")) << Errors{};
    }

    void errors()
    {
        QFETCH(ObjectRule, rule);
        QFETCH(Errors, errors);
        QCOMPARE(rule.errors(), errors);
        QCOMPARE(rule.isValid(), errors.isEmpty());
    }

    void removingTheOnlyModeLeavesNoModes()
    {
        ObjectRule rule = validRule();
        QVERIFY(rule.isValid());
        rule.removeMode(ObjectRule::Read);
        QCOMPARE(rule.errors(), Errors{ObjectRule::NoModes});
        rule.removeTarget(ObjectRule::TargetUser);
        QCOMPARE(rule.errors(), (Errors{ObjectRule::NoModes, ObjectRule::NoTargets}));
    }

    void setOperations()
    {
        ObjectRule rule;
        rule.insertModes({ObjectRule::Write, ObjectRule::Create});
        rule.insertModes({ObjectRule::Read, ObjectRule::Write});
        QCOMPARE(rule.modes(), (Modes{ObjectRule::Read, ObjectRule::Write, ObjectRule::Create}));
        rule.insertModes({});
        QCOMPARE(rule.modes().size(), 3);
        rule.insertMode(ObjectRule::Read);
        QCOMPARE(rule.modes().size(), 3);
        rule.removeMode(ObjectRule::Write);
        rule.removeMode(ObjectRule::Write);
        QCOMPARE(rule.modes(), (Modes{ObjectRule::Read, ObjectRule::Create}));

        rule.insertTargets({ObjectRule::TargetOther});
        rule.insertTarget(ObjectRule::TargetUser);
        rule.insertTarget(ObjectRule::TargetUser);
        QCOMPARE(rule.targets(), (Targets{ObjectRule::TargetUser, ObjectRule::TargetOther}));
        rule.removeTarget(ObjectRule::TargetOther);
        QCOMPARE(rule.targets(), Targets{ObjectRule::TargetUser});
    }

    void setsAreValues()
    {
        // A set handed in or out must not stay tied to the rule.
        Modes modes{ObjectRule::Read};
        ObjectRule rule;
        rule.insertModes(modes);
        modes.insert(ObjectRule::Write);
        QCOMPARE(rule.modes(), Modes{ObjectRule::Read});

        ObjectRule other;
        other.insertModes(rule.modes());
        other.insertMode(ObjectRule::Create);
        QCOMPARE(rule.modes(), Modes{ObjectRule::Read});

        Modes out = rule.modes();
        out.clear();
        QCOMPARE(rule.modes(), Modes{ObjectRule::Read});
    }

    void equality_data()
    {
        QTest::addColumn<ObjectRule>("a");
        QTest::addColumn<ObjectRule>("b");
        QTest::addColumn<bool>("equal");

        const ObjectRule base = validRule();
        QTest::newRow("same") << base << validRule() << true;
        QTest::newRow("defaults") << ObjectRule() << ObjectRule() << true;
        QTest::newRow("deleted flag") << base << makeRule(ObjectRule::File, r, u, QStringLiteral("/tmp/a"), true) << false;
        QTest::newRow("type") << base << makeRule(ObjectRule::Link, r, u, QStringLiteral("/tmp/a")) << false;
        QTest::newRow("modes") << base << makeRule(ObjectRule::File, rw, u, QStringLiteral("/tmp/a")) << false;
        QTest::newRow("targets") << base << makeRule(ObjectRule::File, r, o, QStringLiteral("/tmp/a")) << false;
        QTest::newRow("letter case") << base << makeRule(ObjectRule::File, r, u, QStringLiteral("/TMP/a")) << false;
        QTest::newRow("trailing slash") << base << makeRule(ObjectRule::File, r, u, QStringLiteral("/tmp/a/")) << false;
        // Mode and target sums match here, so only the sets themselves tell them apart.
        QTest::newRow("modes with equal sums") << makeRule(ObjectRule::File, c, u, QStringLiteral("/a"))
                                               << makeRule(ObjectRule::File, rc, u, QStringLiteral("/a")) << false;
        QTest::newRow("modes moved to targets") << makeRule(ObjectRule::File, w, u, QStringLiteral("/a"))
                                                << makeRule(ObjectRule::File, r, o, QStringLiteral("/a")) << false;

        ObjectRule built;
        built.setFilename(QStringLiteral("/tmp/a"));
        built.insertMode(ObjectRule::Write);
        built.insertMode(ObjectRule::Create);
        built.insertMode(ObjectRule::Read);
        built.removeMode(ObjectRule::Write);
        built.removeMode(ObjectRule::Create);
        built.insertTarget(ObjectRule::TargetUser);
        built.setType(ObjectRule::File);
        QTest::newRow("built another way") << base << built << true;
    }

    void equality()
    {
        QFETCH(ObjectRule, a);
        QFETCH(ObjectRule, b);
        QFETCH(bool, equal);

        QCOMPARE(a == b, equal);
        QCOMPARE(b == a, equal);
        QCOMPARE(a != b, !equal);
        if (equal) {
            for (const uint seed : {0U, 1U, 42U, 0xffffffffU}) {
                QCOMPARE(qHash(a, seed), qHash(b, seed));
                QCOMPARE(a.qHash(seed), qHash(a, seed));
            }
        }
        const QSet<ObjectRule> set{a, b};
        QCOMPARE(set.size(), equal ? 1 : 2);
        QVERIFY(set.contains(a));
        QVERIFY(set.contains(b));
    }

    void hashIgnoresSetOrder()
    {
        // Sets grown and shrunk to different capacities iterate differently;
        // the hash must not notice.
        ObjectRule a = validRule();
        a.insertModes({ObjectRule::Create, ObjectRule::Write});
        a.insertTargets({ObjectRule::TargetOther});

        ObjectRule b;
        b.setType(ObjectRule::File);
        b.setFilename(QStringLiteral("/tmp/a"));
        Modes big;
        big.reserve(1000);
        big.insert(ObjectRule::Write);
        big.insert(ObjectRule::Create);
        big.insert(ObjectRule::Read);
        b.insertModes(big);
        Targets bigTargets;
        bigTargets.reserve(1000);
        bigTargets.insert(ObjectRule::TargetOther);
        bigTargets.insert(ObjectRule::TargetUser);
        b.insertTargets(bigTargets);

        QCOMPARE(a, b);
        for (const uint seed : {0U, 7U, 0x80000000U}) {
            QCOMPARE(qHash(a, seed), qHash(b, seed));
        }
    }

    void includeRules()
    {
        QCOMPARE(IncludeRule().name(), QString());
        QCOMPARE(IncludeRule(QStringLiteral("base")).name(), QStringLiteral("base"));
        QVERIFY(IncludeRule(QStringLiteral("Base")) != IncludeRule(QStringLiteral("base")));
        QCOMPARE(IncludeRule(QStringLiteral("base")), IncludeRule(QStringLiteral("base")));

        IncludeRule renamed(QStringLiteral("old"));
        renamed.setProfileName(QStringLiteral("base"));
        QCOMPARE(renamed, IncludeRule(QStringLiteral("base")));

        for (const uint seed : {0U, 3U, 0xdeadbeefU}) {
            QCOMPARE(qHash(renamed, seed), qHash(QStringLiteral("base"), seed));
            QCOMPARE(renamed.qHash(seed), qHash(renamed, seed));
        }

        const QSet<IncludeRule> includes{IncludeRule(QStringLiteral("Base")),
                                         IncludeRule(QStringLiteral("base")),
                                         IncludeRule(QStringLiteral("base")),
                                         IncludeRule()};
        QCOMPARE(includes.size(), 3);
        QVERIFY(includes.contains(IncludeRule(QString())));
    }
};

QTEST_GUILESS_MAIN(ObjectRuleTest)

#include "objectruletest.moc"
