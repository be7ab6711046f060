/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "protocol/actionargumentscheck.h"

#include "protocol/enableactionsmap.h"
#include "protocol/globaltraceactionsmap.h"
#include "protocol/helperactionsmap.h"
#include "protocol/snapshotsactionsmap.h"
#include "protocol/traceapplicationactionsmap.h"
#include "protocol/updateactionsmap.h"
#include "store/systemkiosk.h"

#include <QTest>

class ActionArgumentsCheckTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void locale_data();
    void locale();
    void profileNames_data();
    void profileNames();
    void arguments_data();
    void arguments();
    void errorQuotesNamePrintably();
    void everyKeyTheProgramSendsIsKnown();
};

void ActionArgumentsCheckTest::locale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("valid");

    QTest::newRow("language") << QStringLiteral("ru") << true;
    QTest::newRow("language and territory") << QStringLiteral("ru_RU") << true;
    QTest::newRow("codeset") << QStringLiteral("ru_RU.UTF-8") << true;
    QTest::newRow("modifier") << QStringLiteral("sr_RS.UTF-8@latin") << true;
    QTest::newRow("dash form") << QStringLiteral("en-GB") << true;
    QTest::newRow("C") << QStringLiteral("C") << true;
    QTest::newRow("POSIX") << QStringLiteral("POSIX") << true;
    QTest::newRow("C.UTF-8") << QStringLiteral("C.UTF-8") << true;
    QTest::newRow("C with a bad codeset") << QStringLiteral("C.UTF 8") << false;
    QTest::newRow("one letter") << QStringLiteral("r") << false;
    QTest::newRow("shell text") << QStringLiteral("ru_RU; rm -rf /") << false;
    QTest::newRow("command substitution") << QStringLiteral("$(id)") << false;
    QTest::newRow("path") << QStringLiteral("../../tmp/x") << false;
    QTest::newRow("new line") << QStringLiteral("ru_RU\nLD_PRELOAD=x") << false;
    QTest::newRow("assignment") << QStringLiteral("ru=LD_PRELOAD") << false;
    QTest::newRow("NUL") << QStringLiteral("ru_RU") + QChar(u'\0') + QStringLiteral("x") << false;
    QTest::newRow("too long codeset") << QStringLiteral("ru_RU.") + QString(21, QLatin1Char('a')) << false;
    QTest::newRow("space") << QStringLiteral("ru RU") << false;
}

void ActionArgumentsCheckTest::locale()
{
    QFETCH(QString, locale);
    QFETCH(bool, valid);
    QCOMPARE(ActionArgumentsCheck::isValidLocale(locale), valid);
}

void ActionArgumentsCheckTest::profileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("systemValid");
    QTest::addColumn<bool>("userValid");

    QTest::newRow("plain") << QStringLiteral("alice") << true << true;
    QTest::newRow("dots inside") << QStringLiteral("web.browser-1_2") << true << true;
    QTest::newRow("non-ASCII") << QStringLiteral("профиль") << true << true;
    QTest::newRow("disabled user") << QStringLiteral("disabled/alice") << false << true;
    QTest::newRow("the disabled directory") << QStringLiteral("disabled") << true << false;
    QTest::newRow("disabled prefix only") << QStringLiteral("disabled/") << false << false;
    QTest::newRow("disabled twice") << QStringLiteral("disabled/disabled") << false << false;
    QTest::newRow("disabled nested") << QStringLiteral("disabled/a/b") << false << false;
    QTest::newRow("disabled parent") << QStringLiteral("disabled/..") << false << false;
    QTest::newRow("disabled current") << QStringLiteral("disabled/.") << false << false;
    QTest::newRow("empty") << QString() << false << false;
    QTest::newRow("current directory") << QStringLiteral(".") << false << false;
    QTest::newRow("parent directory") << QStringLiteral("..") << false << false;
    QTest::newRow("traversal") << QStringLiteral("../../../etc/passwd") << false << false;
    QTest::newRow("absolute") << QStringLiteral("/etc/shadow") << false << false;
    QTest::newRow("subdirectory") << QStringLiteral("a/b") << false << false;
    QTest::newRow("trailing slash") << QStringLiteral("alice/") << false << false;
    QTest::newRow("NUL") << QStringLiteral("alice") + QChar(u'\0') + QStringLiteral("/../x") << false << false;
    QTest::newRow("other user's disabled prefix") << QStringLiteral("Disabled/alice") << false << false;
}

void ActionArgumentsCheckTest::profileNames()
{
    QFETCH(QString, name);
    QFETCH(bool, systemValid);
    QFETCH(bool, userValid);
    QCOMPARE(SystemKiosk::isValidSystemProfileName(name), systemValid);
    QCOMPARE(SystemKiosk::isValidUserProfileName(name), userValid);
}

namespace
{
// A string map the way it travels in an argument map.
const auto strings = HelperActionsMap::variantMapFromStringMap;

QVariantMap environment(const QVariant &lang)
{
    return {{QStringLiteral("LANG"), lang}};
}

constexpr int Update = 0;
constexpr int Enable = 1;
constexpr int Snapshots = 2;
}

void ActionArgumentsCheckTest::arguments_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QVariantMap>("arguments");
    // Empty: accepted; otherwise a piece of the expected sentence.
    QTest::addColumn<QString>("error");

    const QString env = QStringLiteral("proccessEnvironmentsKey");
    const QVariantMap full = {
        {env, environment(QStringLiteral("ru_RU.UTF-8"))},
        {QStringLiteral("usersToRename"), strings({{QStringLiteral("alice"), QStringLiteral("disabled/alice")}})},
        {QStringLiteral("profilesToRename"), strings({{QStringLiteral("a"), QStringLiteral("b")}})},
        {QStringLiteral("usersToUpdate"), strings({{QStringLiteral("disabled/bob"), QStringLiteral("text")}})},
        {QStringLiteral("profilesToUpdate"), strings({{QStringLiteral("c"), QStringLiteral("text")}})},
        {QStringLiteral("usersToRemove"), QStringList{QStringLiteral("carol")}},
        {QStringLiteral("profilesToRemove"), QStringList{QStringLiteral("d")}},
    };

    QTest::newRow("empty") << Update << QVariantMap() << QString();
    QTest::newRow("every key") << Update << full << QString();
    QTest::newRow("empty locale") << Update << QVariantMap{{env, environment(QString())}} << QString();
    QTest::newRow("malformed locale is not an argument error") << Update << QVariantMap{{env, environment(QStringLiteral("$(id)"))}} << QString();
    QTest::newRow("remove list as variant list") << Update << QVariantMap{{QStringLiteral("usersToRemove"), QVariantList{QStringLiteral("carol")}}}
                                                 << QString();

    QVariantMap map = full;
    map.insert(QStringLiteral("usersToDelete"), QStringList());
    QTest::newRow("unknown key") << Update << map << QStringLiteral("Unknown argument 'usersToDelete'");
    QTest::newRow("enable key in update") << Update << QVariantMap{{QStringLiteral("enforce"), true}} << QStringLiteral("Unknown argument 'enforce'");
    QTest::newRow("other environment variable") << Update << QVariantMap{{env, QVariantMap{{QStringLiteral("LD_PRELOAD"), QStringLiteral("/tmp/x.so")}}}}
                                                << QStringLiteral("Unknown environment variable 'LD_PRELOAD'");
    QTest::newRow("environment not a map") << Update << QVariantMap{{env, QStringLiteral("LANG=ru")}} << QStringLiteral("'proccessEnvironmentsKey'");
    QTest::newRow("locale not a string") << Update << QVariantMap{{env, environment(42)}} << QStringLiteral("'proccessEnvironmentsKey'");

    QTest::newRow("rename map as string") << Update << QVariantMap{{QStringLiteral("usersToRename"), QStringLiteral("alice")}}
                                          << QStringLiteral("'usersToRename' in the request has the wrong type");
    QTest::newRow("rename value not a string") << Update
                                               << QVariantMap{{QStringLiteral("profilesToRename"),
                                                               QVariantMap{{QStringLiteral("a"), QStringList{QStringLiteral("b")}}}}}
                                               << QStringLiteral("'profilesToRename' in the request has the wrong type");
    QTest::newRow("profile text not a string") << Update << QVariantMap{{QStringLiteral("profilesToUpdate"), QVariantMap{{QStringLiteral("a"), 12}}}}
                                               << QStringLiteral("'profilesToUpdate' in the request has the wrong type");
    QTest::newRow("user texts as list") << Update << QVariantMap{{QStringLiteral("usersToUpdate"), QStringList{QStringLiteral("alice")}}}
                                        << QStringLiteral("'usersToUpdate' in the request has the wrong type");
    QTest::newRow("remove list as single string") << Update << QVariantMap{{QStringLiteral("profilesToRemove"), QStringLiteral("a")}}
                                                  << QStringLiteral("'profilesToRemove' in the request has the wrong type");
    QTest::newRow("remove list with a number") << Update << QVariantMap{{QStringLiteral("usersToRemove"), QVariantList{QStringLiteral("a"), 3}}}
                                               << QStringLiteral("'usersToRemove' in the request has the wrong type");

    const QString traversal = QStringLiteral("../../../../tmp/escape");
    QTest::newRow("traversal in a rename source") << Update << QVariantMap{{QStringLiteral("usersToRename"), strings({{traversal, QStringLiteral("alice")}})}}
                                                  << QStringLiteral("Invalid profile name '../../../../tmp/escape'");
    QTest::newRow("absolute rename target") << Update
                                            << QVariantMap{{QStringLiteral("profilesToRename"),
                                                            strings({{QStringLiteral("a"), QStringLiteral("/etc/cron.d/x")}})}}
                                            << QStringLiteral("Invalid profile name '/etc/cron.d/x'");
    QTest::newRow("disabled prefix for a system profile")
        << Update << QVariantMap{{QStringLiteral("profilesToUpdate"), strings({{QStringLiteral("disabled/a"), QStringLiteral("text")}})}}
        << QStringLiteral("Invalid profile name 'disabled/a'");
    QTest::newRow("subdirectory for a user") << Update
                                             << QVariantMap{{QStringLiteral("usersToUpdate"), strings({{QStringLiteral("x/alice"), QStringLiteral("text")}})}}
                                             << QStringLiteral("Invalid profile name 'x/alice'");
    QTest::newRow("empty name to remove") << Update << QVariantMap{{QStringLiteral("profilesToRemove"), QStringList{QStringLiteral("a"), QString()}}}
                                          << QStringLiteral("Invalid profile name ''");
    QTest::newRow("the disabled directory removed") << Update << QVariantMap{{QStringLiteral("usersToRemove"), QStringList{QStringLiteral("disabled")}}}
                                                    << QStringLiteral("Invalid profile name 'disabled'");

    // One hostile name after many good ones still refuses the whole map.
    map = full;
    QVariantMap texts;
    for (int i = 0; i < 100; ++i) {
        texts.insert(QStringLiteral("profile%1").arg(i), QStringLiteral("text"));
    }
    texts.insert(QStringLiteral("zz/../../x"), QStringLiteral("text"));
    map.insert(QStringLiteral("profilesToUpdate"), texts);
    QTest::newRow("last of many names") << Update << map << QStringLiteral("Invalid profile name 'zz/../../x'");

    QTest::newRow("enable: empty") << Enable << QVariantMap() << QString();
    QTest::newRow("enable: all four") << Enable
                                      << QVariantMap{{QStringLiteral("enforce"), true},
                                                     {QStringLiteral("autoEnforce"), false},
                                                     {QStringLiteral("complain"), true},
                                                     {QStringLiteral("autoComplain"), false},
                                                     {QStringLiteral("proccessEnvironmentsKey"), environment(QString())}}
                                      << QString();
    QTest::newRow("enable: string false") << Enable << QVariantMap{{QStringLiteral("enforce"), QStringLiteral("false")}}
                                          << QStringLiteral("'enforce' in the request has the wrong type");
    QTest::newRow("enable: number") << Enable << QVariantMap{{QStringLiteral("autoComplain"), 0}}
                                    << QStringLiteral("'autoComplain' in the request has the wrong type");
    QTest::newRow("enable: unknown key") << Enable << QVariantMap{{QStringLiteral("enforceNow"), true}} << QStringLiteral("Unknown argument 'enforceNow'");
    QTest::newRow("enable: update key in enable") << Enable << QVariantMap{{QStringLiteral("usersToRemove"), QStringList()}}
                                                  << QStringLiteral("Unknown argument 'usersToRemove'");

    QTest::newRow("snapshots: list only") << Snapshots << QVariantMap() << QString();
    QTest::newRow("snapshots: restore") << Snapshots << QVariantMap{{QStringLiteral("restore"), QStringLiteral("0000000042")}} << QString();
    // The id becomes a file name below the snapshots folder.
    QTest::newRow("snapshots: traversal") << Snapshots << QVariantMap{{QStringLiteral("restore"), QStringLiteral("../../etc/shadow")}}
                                          << QStringLiteral("is not the name of an earlier configuration");
    QTest::newRow("snapshots: short id") << Snapshots << QVariantMap{{QStringLiteral("restore"), QStringLiteral("42")}}
                                         << QStringLiteral("is not the name of an earlier configuration");
    QTest::newRow("snapshots: number") << Snapshots << QVariantMap{{QStringLiteral("restore"), 42}}
                                       << QStringLiteral("'restore' in the request has the wrong type");
    QTest::newRow("snapshots: unknown key") << Snapshots << QVariantMap{{QStringLiteral("remove"), QStringLiteral("0000000042")}}
                                            << QStringLiteral("Unknown argument 'remove'");
}

void ActionArgumentsCheckTest::arguments()
{
    QFETCH(int, action);
    QFETCH(QVariantMap, arguments);
    QFETCH(QString, error);
    const QString result = action == Update ? ActionArgumentsCheck::updateArgumentsError(arguments)
        : action == Enable                  ? ActionArgumentsCheck::enableArgumentsError(arguments)
                                            : ActionArgumentsCheck::snapshotsArgumentsError(arguments);
    if (error.isEmpty()) {
        QCOMPARE(result, QString());
    } else {
        QVERIFY2(result.contains(error), qPrintable(result));
        QVERIFY2(action != Update || result.endsWith(QLatin1String("Nothing has been changed.")), qPrintable(result));
    }
}

void ActionArgumentsCheckTest::errorQuotesNamePrintably()
{
    const QString name = QStringLiteral("a\nb") + QChar(u'\0') + QString(500, QLatin1Char('x'));
    const QString error = ActionArgumentsCheck::updateArgumentsError({{QStringLiteral("profilesToRemove"), QStringList{name}}});
    QVERIFY2(error.startsWith(QLatin1String("Invalid profile name 'a\\x0ab\\x00xxx")), qPrintable(error));
    QVERIFY(!error.contains(QChar(u'\0')));
    QVERIFY(error.size() < 200);
}

// Every setter of every map, as the program calls them: a key written by a
// setter but missing from its class's published keys would be refused here.
void ActionArgumentsCheckTest::everyKeyTheProgramSendsIsKnown()
{
    const QString locale = QStringLiteral("C.UTF-8");
    const QMap<QString, QString> names{{QStringLiteral("a"), QStringLiteral("b")}};
    UpdateActionsMap update(locale);
    update.setProfilesToRename(names);
    update.setProfilesToUpdate(names);
    update.setProfilesToRemove({QStringLiteral("c")});
    update.setUsersToRename({{QStringLiteral("alice"), QStringLiteral("disabled/alice")}});
    update.setUsersToUpdate(names);
    update.setUsersToRemove({QStringLiteral("disabled/bob")});
    QCOMPARE(ActionArgumentsCheck::updateArgumentsError(update), QString());

    EnableActionsMap enable(locale);
    enable.enableEnforce(true);
    enable.enableAutoEnforce(false);
    enable.enableComplain(true);
    enable.enableAutoComplain(false);
    QCOMPARE(ActionArgumentsCheck::enableArgumentsError(enable), QString());

    TraceApplicationActionsMap trace(locale);
    trace.setUsername(QStringLiteral("alice"));
    trace.setCommand(QStringLiteral("/usr/bin/app"));
    trace.setDisplay(QStringLiteral(":0"));
    trace.setXauthorytyPath(QStringLiteral("/home/admin/.Xauthority"));
    QCOMPARE(ActionArgumentsCheck::traceApplicationArgumentsError(trace), QString());

    GlobalTraceActionsMap global(locale);
    global.enableGlobalRecordMode(true);
    global.setIgnoreResult(true);
    QCOMPARE(ActionArgumentsCheck::globalTraceArgumentsError(global), QString());

    SnapshotsActionsMap snapshots(locale);
    snapshots.setRestore(QString());
    snapshots.setPreview(QString());
    QCOMPARE(ActionArgumentsCheck::snapshotsArgumentsError(snapshots), QString());
}

QTEST_GUILESS_MAIN(ActionArgumentsCheckTest)

#include "actionargumentschecktest.moc"
