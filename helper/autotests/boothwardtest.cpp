/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The helper's actions called directly, on the scratch kiosk tree of the build.

#include "orlaadminboothward.h"
#include "protocol/globaltraceactionsmap.h"
#include "protocol/helperactionsmap.h"
#include "protocol/helperconstants.h"
#include "protocol/traceapplicationactionsmap.h"
#include "store/kiosktracersettings.h"

#include "enableswitches.h"
#include "kiosktree.h"
#include "scratchroot.h"
#include "testfiles.h"

#include "systempaths.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace KioskTree;

namespace
{
// A string map the way it travels in an argument map.
const auto stringMap = HelperActionsMap::variantMapFromStringMap;
}

class BoothwardTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void updateRunsStepsInOrder();
    void emptyUpdateChangesNothing();
    void failingThirdStepChangesNothing();
    void badEntryRefusesWholeUpdate_data();
    void badEntryRefusesWholeUpdate();
    void locale_data();
    void locale();
    void enable_data();
    void enable();
    void metaMethodsInOrder();
    void emptyCommandRecordsNothing();
    void unclaimedRecordingIgnoredGivesNoData();

private:
    OrlaAdminBoothward helper;
};

void BoothwardTest::initTestCase()
{
    if (!ScratchRoot::isScratchBuild()) {
        QSKIP("the kiosk tree is the real system's: build with -DORLA_SYSTEM_ROOT=<scratch dir>");
    }
}

void BoothwardTest::init()
{
    KioskTree::reset();
}

void BoothwardTest::cleanupTestCase()
{
    KioskTree::reset();
}

void BoothwardTest::updateRunsStepsInOrder()
{
    KioskTree::write(userProfile(QStringLiteral("alice")), "alice old\n");
    KioskTree::write(userProfile(QStringLiteral("disabled/bob")), "bob\n");
    KioskTree::write(userProfile(QStringLiteral("carol")), "carol\n");
    KioskTree::write(systemProfile(QStringLiteral("browser")), "browser old\n");
    KioskTree::write(systemProfile(QStringLiteral("obsolete")), "obsolete\n");

    QVariantMap args;
    args.insert(QStringLiteral("usersToRename"),
                stringMap({{QStringLiteral("alice"), QStringLiteral("disabled/alice")}, {QStringLiteral("disabled/bob"), QStringLiteral("bob")}}));
    args.insert(QStringLiteral("profilesToRename"), stringMap({{QStringLiteral("browser"), QStringLiteral("web")}}));
    // Updates name profiles as they are after the renames of the same action.
    args.insert(QStringLiteral("usersToUpdate"), stringMap({{QStringLiteral("disabled/alice"), QStringLiteral("alice new\n")}}));
    args.insert(QStringLiteral("profilesToUpdate"), stringMap({{QStringLiteral("web"), QStringLiteral("web new ü\n")}}));
    args.insert(QStringLiteral("usersToRemove"), QStringList{QStringLiteral("carol")});
    args.insert(QStringLiteral("profilesToRemove"), QStringList{QStringLiteral("obsolete"), QStringLiteral("never-existed")});

    const KAuth::ActionReply reply = helper.update(args);
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QVERIFY(reply.data().isEmpty());

    const Snapshot expected = {
        {QStringLiteral("/etc"), "<dir>"},
        {QStringLiteral("/etc/tavrix"), "<dir>"},
        {QStringLiteral("/etc/tavrix/kiosk2"), "<dir>"},
        {QStringLiteral("/etc/tavrix/kiosk2/bob"), "bob\n"},
        {QStringLiteral("/etc/tavrix/kiosk2/disabled"), "<dir>"},
        {QStringLiteral("/etc/tavrix/kiosk2/disabled/alice"), "alice new\n"},
        {QStringLiteral("/etc/tavrix/kiosk2-profiles"), "<dir>"},
        {QStringLiteral("/etc/tavrix/kiosk2-profiles/web"), "web new \xc3\xbc\n"},
    };
    const Snapshot after = snapshot();
    QCOMPARE(after.keys().join(QLatin1Char(' ')), expected.keys().join(QLatin1Char(' ')));
    QCOMPARE(after, expected);
}

void BoothwardTest::emptyUpdateChangesNothing()
{
    KioskTree::write(userProfile(QStringLiteral("alice")), "alice\n");
    KioskTree::write(systemProfile(QStringLiteral("browser")), "browser\n");
    const Snapshot before = snapshot();
    // Not even a locale: the program always sends one, another caller need not.
    QVERIFY(helper.update(QVariantMap()).succeeded());
    QCOMPARE(snapshot(), before);
}

void BoothwardTest::failingThirdStepChangesNothing()
{
    KioskTree::write(userProfile(QStringLiteral("alice")), "alice\n");
    KioskTree::write(systemProfile(QStringLiteral("browser")), "browser\n");
    // A directory where the user profile should be written makes step 3 fail.
    QDir().mkpath(userProfile(QStringLiteral("bob")));
    const Snapshot before = snapshot();

    QVariantMap args;
    args.insert(QStringLiteral("usersToRename"), stringMap({{QStringLiteral("alice"), QStringLiteral("disabled/alice")}}));
    args.insert(QStringLiteral("profilesToRename"), stringMap({{QStringLiteral("browser"), QStringLiteral("web")}}));
    args.insert(QStringLiteral("usersToUpdate"), stringMap({{QStringLiteral("bob"), QStringLiteral("bob\n")}}));
    args.insert(QStringLiteral("profilesToUpdate"), stringMap({{QStringLiteral("office"), QStringLiteral("office\n")}}));
    args.insert(QStringLiteral("usersToRemove"), QStringList{QStringLiteral("disabled/alice")});

    const KAuth::ActionReply reply = helper.update(args);
    QVERIFY(reply.failed());
    QCOMPARE(reply.type(), KAuth::ActionReply::HelperErrorType);
    QVERIFY2(reply.errorDescription().contains(userProfile(QStringLiteral("bob"))), qPrintable(reply.errorDescription()));
    QVERIFY2(reply.errorDescription().endsWith(QLatin1String("Nothing has been changed.")), qPrintable(reply.errorDescription()));
    QVERIFY(reply.data().isEmpty());
    // Found before anything was applied: not even the disabled directory the first step needs is left.
    QCOMPARE(snapshot(), before);
}

void BoothwardTest::badEntryRefusesWholeUpdate_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("link");

    QTest::newRow("traversal in system texts") << QStringLiteral("profilesToUpdate")
                                               << QVariant(stringMap({{QStringLiteral("../../escaped"), QStringLiteral("x")}}))
                                               << QStringLiteral("Invalid profile name '../../escaped'") << QString();
    QTest::newRow("absolute user to remove") << QStringLiteral("usersToRemove") << QVariant(QStringList{ScratchRoot::root() + QStringLiteral("/keep")})
                                             << QStringLiteral("Invalid profile name") << QString();
    QTest::newRow("subdirectory rename target") << QStringLiteral("profilesToRename")
                                                << QVariant(stringMap({{QStringLiteral("office"), QStringLiteral("a/b")}}))
                                                << QStringLiteral("Invalid profile name 'a/b'") << QString();
    QTest::newRow("wrong type") << QStringLiteral("usersToUpdate") << QVariant(QStringLiteral("bob")) << QStringLiteral("wrong type") << QString();
    QTest::newRow("unknown key") << QStringLiteral("usersToAdd") << QVariant(QStringList()) << QStringLiteral("Unknown argument 'usersToAdd'") << QString();
    // The store would refuse it half-way, and skipping it would report a
    // change that is not there.
    QTest::newRow("linked profile to remove") << QStringLiteral("profilesToRemove") << QVariant(QStringList{QStringLiteral("evil")})
                                              << QStringLiteral("'%1' in the kiosk tree is a symbolic link").arg(systemProfile(QStringLiteral("evil")))
                                              << systemProfile(QStringLiteral("evil"));
    QTest::newRow("linked disabled directory") << QStringLiteral("usersToUpdate")
                                               << QVariant(stringMap({{QStringLiteral("disabled/carol"), QStringLiteral("x")}}))
                                               << QStringLiteral("'%1' in the kiosk tree is a symbolic link").arg(userProfile(QStringLiteral("disabled")))
                                               << userProfile(QStringLiteral("disabled"));
}

void BoothwardTest::badEntryRefusesWholeUpdate()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(QString, error);
    QFETCH(QString, link);

    KioskTree::write(userProfile(QStringLiteral("alice")), "alice\n");
    KioskTree::write(systemProfile(QStringLiteral("office")), "office\n");
    KioskTree::write(ScratchRoot::root() + QStringLiteral("/keep"), "keep\n");
    if (!link.isEmpty()) {
        QVERIFY(QFile::link(ScratchRoot::root() + QStringLiteral("/keep"), link));
    }
    const Snapshot before = snapshot();

    // Good entries in the steps before the bad one must not be carried out either.
    QVariantMap args;
    args.insert(QStringLiteral("usersToRename"), stringMap({{QStringLiteral("alice"), QStringLiteral("disabled/alice")}}));
    args.insert(QStringLiteral("usersToUpdate"), stringMap({{QStringLiteral("bob"), QStringLiteral("bob\n")}}));
    args.insert(key, value);

    const KAuth::ActionReply reply = helper.update(args);
    QVERIFY(reply.failed());
    QVERIFY2(reply.errorDescription().contains(error), qPrintable(reply.errorDescription()));
    QCOMPARE(snapshot(), before);
}

void BoothwardTest::locale_data()
{
    QTest::addColumn<QVariantMap>("environment");
    QTest::addColumn<QByteArray>("lang");

    QTest::newRow("well formed") << QVariantMap{{QStringLiteral("LANG"), QStringLiteral("ru_RU.UTF-8")}} << QByteArray("ru_RU.UTF-8");
    QTest::newRow("C") << QVariantMap{{QStringLiteral("LANG"), QStringLiteral("C")}} << QByteArray("C");
    QTest::newRow("empty keeps") << QVariantMap{{QStringLiteral("LANG"), QString()}} << QByteArray("before");
    QTest::newRow("absent keeps") << QVariantMap() << QByteArray("before");
    QTest::newRow("malformed ignored") << QVariantMap{{QStringLiteral("LANG"), QStringLiteral("C\nLD_PRELOAD=/tmp/x.so")}} << QByteArray("before");
}

void BoothwardTest::locale()
{
    QFETCH(QVariantMap, environment);
    QFETCH(QByteArray, lang);

    const QByteArray saved = qgetenv("LANG");
    qputenv("LANG", "before");
    QVariantMap args;
    if (!environment.isEmpty()) {
        args.insert(QStringLiteral("proccessEnvironmentsKey"), environment);
    }
    // A malformed locale is left out, but the action itself goes on.
    QVERIFY(helper.enable(args).succeeded());
    QCOMPARE(qgetenv("LANG"), lang);
    qputenv("LANG", saved);
}

void BoothwardTest::enable_data()
{
    EnableSwitches::addRows();
}

void BoothwardTest::enable()
{
    QFETCH(QVector<int>, states);
    const KAuth::ActionReply reply = helper.enable(EnableSwitches::prepare(states));
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    EnableSwitches::verify(states);
}

void BoothwardTest::metaMethodsInOrder()
{
    // KAuth finds the slots by name; the order is the class's published interface.
    const QMetaObject *meta = helper.metaObject();
    QStringList signatures;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        signatures.append(QString::fromLatin1(meta->method(i).methodSignature()));
    }
    QCOMPARE(signatures,
             QStringList({QStringLiteral("isStoppedRequest()"),
                          QStringLiteral("update(QVariantMap)"),
                          QStringLiteral("enable(QVariantMap)"),
                          QStringLiteral("traceapplication(QVariantMap)"),
                          QStringLiteral("globaltrace(QVariantMap)"),
                          QStringLiteral("snapshots(QVariantMap)"),
                          QStringLiteral("stopedTimerTimeout()")}));
    QCOMPARE(meta->method(meta->indexOfMethod("stopedTimerTimeout()")).access(), QMetaMethod::Private);
}

// Nothing to run: nothing is switched, and no text comes back as if recorded.
void BoothwardTest::emptyCommandRecordsNothing()
{
    KioskTree::setSwitches(true, true);
    TraceApplicationActionsMap map(QStringLiteral("C"));
    map.setDisplay(QStringLiteral(":0"));
    map.setXauthorytyPath(QStringLiteral("/dev/null"));
    const KAuth::ActionReply reply = helper.traceapplication(map);
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QVERIFY(!reply.data().contains(HelperConstants::traceTextKey));
    QCOMPARE(TestFiles::read(QString::fromUtf8(SystemPaths::enforceParameter)), QByteArray("1\n"));
}

// A kept result asked for with its data ignored: handed over, and no data.
void BoothwardTest::unclaimedRecordingIgnoredGivesNoData()
{
    {
        Settings::KioskTracer settings;
        settings.setUnclaimedGlobalRecord(Settings::KioskTracer::UnclaimedGlobalRecord{{{QStringLiteral("daemon"), QStringLiteral("+file r u: /etc/hosts\n")}},
                                                                                       {QStringLiteral("ended by itself")}});
        settings.save();
    }
    GlobalTraceActionsMap map(QStringLiteral("C"));
    map.enableGlobalRecordMode(true);
    map.setIgnoreResult(true);
    const KAuth::ActionReply reply = helper.globaltrace(map);
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QVERIFY(!reply.data().contains(HelperConstants::globalRecordDataKey));
    QCOMPARE(reply.data().value(HelperConstants::warningsDataKey).toStringList(), QStringList{QStringLiteral("ended by itself")});
    // Handed over once: the next request finds nothing kept.
    QVERIFY(!Settings::KioskTracer().unclaimedGlobalRecord());
}

QTEST_GUILESS_MAIN(BoothwardTest)

#include "boothwardtest.moc"
