/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "profile/profiledata.h"
#include "ruletesting.h"

#include <QTest>

Q_DECLARE_METATYPE(ProfileData)
Q_DECLARE_METATYPE(ProfileData::Error)
Q_DECLARE_METATYPE(ProfileData::Warning)

using Errors = QSet<ProfileData::Error>;
using Warnings = QSet<ProfileData::Warning>;

namespace
{
ObjectRule rule(const QString &filename, bool valid = true, bool deleted = false)
{
    return makeRule(ObjectRule::File, Letters::r, valid ? Letters::u : Targets(), filename, deleted);
}
}

class ProfileDataTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checks_data()
    {
        QTest::addColumn<ProfileData>("data");
        QTest::addColumn<Errors>("errors");
        QTest::addColumn<Warnings>("warnings");

        QTest::newRow("empty") << ProfileData() << Errors{} << Warnings{};

        ProfileData valid;
        valid.insertObjectRule(rule(QStringLiteral("/a")));
        valid.insertIncludeRule(IncludeRule(QStringLiteral("missing profile")));
        valid.addComment(QStringLiteral("note"));
        QTest::newRow("includes are not checked here") << valid << Errors{} << Warnings{};

        ProfileData both;
        both.insertObjectRule(rule(QStringLiteral("/a")));
        both.insertObjectRule(rule(QStringLiteral("/b"), false));
        both.addInvalidLine(QStringLiteral("garbage"));
        QTest::newRow("invalid rule and invalid line") << both << Errors{ProfileData::InvalidObjectRules, ProfileData::InvalidLines} << Warnings{};

        ProfileData twoInvalid;
        twoInvalid.insertObjectRule(rule(QStringLiteral("/a"), false));
        twoInvalid.insertObjectRule(rule(QStringLiteral("/b"), false));
        twoInvalid.insertObjectRule(ObjectRule());
        QTest::newRow("several invalid rules") << twoInvalid << Errors{ProfileData::InvalidObjectRules} << Warnings{};

        ProfileData cleared = both;
        cleared.clearInvalidLines();
        cleared.removeObjectRule(rule(QStringLiteral("/b"), false));
        QTest::newRow("cleared") << cleared << Errors{} << Warnings{};

        ProfileData old;
        old.addOldFormatLine(QStringLiteral("/etc/passwd r"));
        QTest::newRow("old format only warns") << old << Errors{} << Warnings{ProfileData::OldFormatLines};

        ProfileData oldCleared = old;
        oldCleared.clearOldFormatLines();
        QTest::newRow("old format cleared") << oldCleared << Errors{} << Warnings{};

        ProfileData emptyInvalidLine;
        emptyInvalidLine.addInvalidLine(QString());
        QTest::newRow("an empty invalid line still counts") << emptyInvalidLine << Errors{ProfileData::InvalidLines} << Warnings{};
    }

    void checks()
    {
        QFETCH(ProfileData, data);
        QFETCH(Errors, errors);
        QFETCH(Warnings, warnings);
        QCOMPARE(data.errors(), errors);
        QCOMPARE(data.warnings(), warnings);
        QCOMPARE(data.isValid(), errors.isEmpty());
    }

    void rulesAreASet()
    {
        ProfileData data;
        data.insertObjectRule(rule(QStringLiteral("/a")));
        data.insertObjectRule(rule(QStringLiteral("/a")));
        QCOMPARE(data.objectRules().size(), 1);
        data.insertObjectRule(rule(QStringLiteral("/a"), true, true));
        QCOMPARE(data.objectRules().size(), 2);

        // Inserting never merges rules on one file.
        ObjectRule write = rule(QStringLiteral("/a"));
        write.insertMode(ObjectRule::Write);
        data.insertObjectRule(write);
        QCOMPARE(data.objectRules().size(), 3);

        data.removeObjectRule(rule(QStringLiteral("/a"), true, true));
        QCOMPARE(data.objectRules(), (QSet<ObjectRule>{rule(QStringLiteral("/a")), write}));
        data.removeObjectRule(rule(QStringLiteral("/not there")));
        QCOMPARE(data.objectRules().size(), 2);
        data.removeAllObjectRules();
        QVERIFY(data.objectRules().isEmpty());
    }

    void includesAreASet()
    {
        ProfileData data;
        data.insertIncludeRule(IncludeRule(QStringLiteral("base")));
        data.insertIncludeRule(IncludeRule(QStringLiteral("base")));
        data.insertIncludeRule(IncludeRule(QStringLiteral("Base")));
        QCOMPARE(data.includes().size(), 2);
        data.removeIncludeRule(IncludeRule(QStringLiteral("base")));
        QCOMPARE(data.includes(), QSet<IncludeRule>{IncludeRule(QStringLiteral("Base"))});
        data.remodeAllIncludeRules();
        QVERIFY(data.includes().isEmpty());
    }

    void comments()
    {
        ProfileData data;
        for (const char *text : {"x", "y", "x", " x", "x"}) {
            data.addComment(QString::fromLatin1(text));
        }
        data.removeComment(QStringLiteral("absent"));
        QCOMPARE(data.comments().size(), 5);
        data.removeComment(QStringLiteral("x"));
        QCOMPARE(data.comments(), (QStringList{QStringLiteral("y"), QStringLiteral(" x")}));
    }

    void copiesAreIndependent()
    {
        ProfileData original;
        original.insertObjectRule(rule(QStringLiteral("/a")));
        original.addComment(QStringLiteral("c"));
        original.addInvalidLine(QStringLiteral("bad"));

        ProfileData copy = original;
        copy.removeAllObjectRules();
        copy.insertIncludeRule(IncludeRule(QStringLiteral("base")));
        copy.addComment(QStringLiteral("d"));
        copy.clearInvalidLines();
        copy.addOldFormatLine(QStringLiteral("old"));

        QCOMPARE(original.objectRules().size(), 1);
        QVERIFY(original.includes().isEmpty());
        QCOMPARE(original.comments(), QStringList{QStringLiteral("c")});
        QCOMPARE(original.invalidLines(), QStringList{QStringLiteral("bad")});
        QVERIFY(original.oldFormatLines().isEmpty());
        QCOMPARE(original.errors(), Errors{ProfileData::InvalidLines});
    }
};

QTEST_GUILESS_MAIN(ProfileDataTest)

#include "profiledatatest.moc"
