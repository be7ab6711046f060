/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "protocol/enableactionsmap.h"
#include "protocol/globaltraceactionsmap.h"
#include "protocol/helperaction.h"
#include "protocol/helperconstants.h"
#include "protocol/traceapplicationactionsmap.h"
#include "protocol/updateactionsmap.h"

#include <QDataStream>
#include <QTest>

#include <functional>
#include <memory>

namespace
{
using MapFactory = std::function<std::shared_ptr<HelperActionsMap>(const QString &)>;

template<typename Map>
MapFactory factory()
{
    return [](const QString &locale) {
        return std::make_shared<Map>(locale);
    };
}

// The road the arguments take between program and helper: KAuth streams the
// map into one QDataStream blob, sends it over D-Bus as bytes and streams it
// back on the other side.
QVariantMap overTheWire(const QVariantMap &map)
{
    QByteArray blob;
    {
        QDataStream out(&blob, QIODevice::WriteOnly);
        out << map;
    }
    QVariantMap received;
    QDataStream in(&blob, QIODevice::ReadOnly);
    in >> received;
    return received;
}

const QString environmentKey = QStringLiteral("proccessEnvironmentsKey");
}

Q_DECLARE_METATYPE(MapFactory)
Q_DECLARE_METATYPE(QStringMap)

class ActionsMapsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void constants()
    {
        QCOMPARE(QString(HelperConstants::helperId), QStringLiteral("org.orla.kiosk.boothward"));
        QCOMPARE(qstrlen(HelperConstants::helperId.data()), HelperConstants::helperId.size());
        QCOMPARE(QString(HelperConstants::updateActionId), QStringLiteral("org.orla.kiosk.boothward.update"));
        QCOMPARE(QString(HelperConstants::enableActionId), QStringLiteral("org.orla.kiosk.boothward.enable"));
        QCOMPARE(QString(HelperConstants::traceApplicationActionId), QStringLiteral("org.orla.kiosk.boothward.traceapplication"));
        QCOMPARE(QString(HelperConstants::globalTraceActionId), QStringLiteral("org.orla.kiosk.boothward.globaltrace"));
        QCOMPARE(QString(HelperConstants::warningsDataKey), QStringLiteral("warningsDataKey"));
        QCOMPARE(QString(HelperConstants::errorsDataKey), QStringLiteral("errorsDataKey"));
        QCOMPARE(QString(HelperConstants::globalModeEnableKey), QStringLiteral("globalModeEnableKey"));
        QCOMPARE(QString(HelperConstants::globalRecordDataKey), QStringLiteral("globalRecordData"));
        QCOMPARE(QString(HelperConstants::traceTextKey), QStringLiteral("traceText"));
        QCOMPARE(QString(HelperConstants::traceApplicationPidKey), QStringLiteral("TraceApplicationPid"));
        QCOMPARE(QString(HelperConstants::disabledPrefix), QStringLiteral("disabled"));
    }

    void everyMapCarriesTheLocale_data()
    {
        QTest::addColumn<MapFactory>("make");
        QTest::addColumn<QString>("locale");
        const QList<std::pair<const char *, MapFactory>> kinds = {
            {"base", factory<HelperActionsMap>()},
            {"update", factory<UpdateActionsMap>()},
            {"enable", factory<EnableActionsMap>()},
            {"global trace", factory<GlobalTraceActionsMap>()},
            {"trace application", factory<TraceApplicationActionsMap>()},
        };
        for (const auto &kind : kinds) {
            QTest::addRow("%s, empty locale", kind.first) << kind.second << QString();
            QTest::addRow("%s, ru_RU.UTF-8", kind.first) << kind.second << QStringLiteral("ru_RU.UTF-8");
        }
    }

    void everyMapCarriesTheLocale()
    {
        QFETCH(MapFactory, make);
        QFETCH(QString, locale);
        const std::shared_ptr<HelperActionsMap> map = make(locale);

        // Even an empty locale is sent: the entry is always there.
        QCOMPARE(map->keys(), QStringList{environmentKey});
        const QVariant env = map->value(environmentKey);
        QCOMPARE(env.userType(), int(QMetaType::QVariantMap));
        QCOMPARE(env.toMap().keys(), QStringList{QStringLiteral("LANG")});
        QCOMPARE(env.toMap().value(QStringLiteral("LANG")).userType(), int(QMetaType::QString));
        QCOMPARE(map->locale(), locale);

        const HelperActionsMap received(overTheWire(*map));
        QCOMPARE(received.locale(), locale);
    }

    void actionOfTheProgram()
    {
        const QByteArray saved = qgetenv("LANG");
        qputenv("LANG", "pt_BR.UTF-8");
        EnableActionsMap map(HelperActionsMap::programLocale());
        qputenv("LANG", saved);
        map.enableEnforce(true);
        const KAuth::Action action = Utils::helperAction(HelperConstants::enableActionId, map);
        QCOMPARE(action.name(), QString(HelperConstants::enableActionId));
        QCOMPARE(action.helperId(), QString(HelperConstants::helperId));
        QCOMPARE(action.timeout(), HelperConstants::actionTimeoutMs);
        QVERIFY(!action.parentWidget());
        QCOMPARE(HelperActionsMap(action.arguments()).locale(), QStringLiteral("pt_BR.UTF-8"));
        QCOMPARE(action.arguments(), QVariantMap(map));
    }

    void setLocaleKeepsOtherVariables()
    {
        HelperActionsMap map(QStringLiteral("C"));
        map.setProccessEnvironments({{QStringLiteral("LANG"), QStringLiteral("en_GB.UTF-8")}, {QStringLiteral("TZ"), QStringLiteral("UTC")}});
        map.setLocale(QStringLiteral("de_DE.UTF-8"));
        const QStringMap expected{{QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8")}, {QStringLiteral("TZ"), QStringLiteral("UTC")}};
        QCOMPARE(map.proccessEnvironments(), expected);
        QCOMPARE(map.locale(), QStringLiteral("de_DE.UTF-8"));
    }

    void receivedMapWithoutEnvironment()
    {
        const HelperActionsMap map{QVariantMap()};
        QVERIFY(map.isEmpty());
        QVERIFY(map.proccessEnvironments().isEmpty());
        QCOMPARE(map.locale(), QString());

        const HelperActionsMap wrongType(QVariantMap{{environmentKey, QStringLiteral("LANG=C")}});
        QCOMPARE(wrongType.locale(), QString());
    }

    void stringMapEncoding()
    {
        const QMap<QString, QString> strings{{QStringLiteral("alice"), QStringLiteral("disabled/alice")}, {QStringLiteral("bob"), QString()}};
        const QVariantMap encoded = UpdateActionsMap::variantMapFromStringMap(strings);
        QCOMPARE(encoded.keys(), strings.keys());
        for (auto it = encoded.cbegin(); it != encoded.cend(); ++it) {
            QCOMPARE(it.value().userType(), int(QMetaType::QString));
            QCOMPARE(it.value().toString(), strings.value(it.key()));
        }
    }

    void valuesFromKeys_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QStringMap>("strings");
        const QStringList ab{QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("absent") << QVariant() << QStringList() << QStringMap();
        QTest::newRow("string list") << QVariant(ab) << ab << QStringMap();
        QTest::newRow("single string") << QVariant(QStringLiteral("a=b")) << QStringList{QStringLiteral("a=b")} << QStringMap();
        QTest::newRow("list of strings") << QVariant(QVariantList{QStringLiteral("a"), QStringLiteral("b")}) << ab << QStringMap();
        QTest::newRow("string map") << QVariant(QVariantMap{{QStringLiteral("a"), QStringLiteral("b")}}) << QStringList()
                                    << QStringMap{{QStringLiteral("a"), QStringLiteral("b")}};
        QTest::newRow("values in string form") << QVariant(QVariantMap{{QStringLiteral("n"), 12}, {QStringLiteral("t"), true}}) << QStringList()
                                               << QStringMap{{QStringLiteral("n"), QStringLiteral("12")}, {QStringLiteral("t"), QStringLiteral("true")}};
        QTest::newRow("bool") << QVariant(true) << QStringList() << QStringMap();
    }

    void valuesFromKeys()
    {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, list);
        QFETCH(QStringMap, strings);
        // What a map with nothing set brings across, with the stored value added.
        UpdateActionsMap map(overTheWire(UpdateActionsMap(QString())));
        if (stored.isValid()) {
            for (const char *key : {"usersToRemove", "profilesToRemove", "profilesToRename", "profilesToUpdate", "usersToRename", "usersToUpdate"}) {
                map.insert(QLatin1String(key), stored);
            }
        }
        QCOMPARE(map.usersToRemove(), list);
        QCOMPARE(map.profilesToRemove(), list);
        QCOMPARE(map.profilesToRename(), strings);
        QCOMPARE(map.profilesToUpdate(), strings);
        QCOMPARE(map.usersToRename(), strings);
        QCOMPARE(map.usersToUpdate(), strings);
    }

    void updateMapRoundTrip()
    {
        const QMap<QString, QString> profileRenames{{QStringLiteral("old"), QStringLiteral("new")}};
        const QMap<QString, QString> profileTexts{{QStringLiteral("new"), QStringLiteral("/usr/bin/app rx,\n#include <base>\n")},
                                                  {QStringLiteral("ünïcode"), QStringLiteral("/home/jörg/** rw,\n")}};
        const QMap<QString, QString> userRenames{{QStringLiteral("alice"), QStringLiteral("disabled/alice")},
                                                 {QStringLiteral("disabled/bob"), QStringLiteral("bob")}};
        const QMap<QString, QString> userTexts{{QStringLiteral("bob"), QString()}};

        UpdateActionsMap map(QStringLiteral("C"));
        // Each setter replaces what was set before.
        map.setProfilesToRename({{QStringLiteral("a"), QStringLiteral("b")}});
        map.setUsersToRemove({QStringLiteral("a"), QStringLiteral("b")});
        map.setProfilesToRename(profileRenames);
        map.setProfilesToUpdate(profileTexts);
        map.setProfilesToRemove({QStringLiteral("gone")});
        map.setUsersToRename(userRenames);
        map.setUsersToUpdate(userTexts);
        map.setUsersToRemove({QStringLiteral("carol"), QStringLiteral("disabled/dave")});

        // The keys and value types the helper expects.
        const QVariantMap raw = map;
        const QStringList keys{QStringLiteral("proccessEnvironmentsKey"),
                               QStringLiteral("profilesToRemove"),
                               QStringLiteral("profilesToRename"),
                               QStringLiteral("profilesToUpdate"),
                               QStringLiteral("usersToRemove"),
                               QStringLiteral("usersToRename"),
                               QStringLiteral("usersToUpdate")};
        QCOMPARE(raw.keys(), keys);
        for (const char *key : {"profilesToRename", "profilesToUpdate", "usersToRename", "usersToUpdate"}) {
            QCOMPARE(raw.value(QLatin1String(key)).userType(), int(QMetaType::QVariantMap));
        }
        for (const char *key : {"profilesToRemove", "usersToRemove"}) {
            QCOMPARE(raw.value(QLatin1String(key)).userType(), int(QMetaType::QStringList));
        }

        const UpdateActionsMap received(overTheWire(map));
        QCOMPARE(QVariantMap(received), QVariantMap(map));
        QCOMPARE(received.locale(), QStringLiteral("C"));
        QCOMPARE(received.profilesToRename(), profileRenames);
        QCOMPARE(received.profilesToUpdate(), profileTexts);
        QCOMPARE(received.profilesToRemove(), QStringList{QStringLiteral("gone")});
        QCOMPARE(received.usersToRename(), userRenames);
        QCOMPARE(received.usersToUpdate(), userTexts);
        QCOMPARE(received.usersToRemove(), QStringList({QStringLiteral("carol"), QStringLiteral("disabled/dave")}));
    }

    void enableKeyStates_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QList<int>>("states"); // enforce, autoEnforce, complain, autoComplain

        const int notSet = EnableActionsMap::NotSet;
        const int on = EnableActionsMap::Enabled;
        const int off = EnableActionsMap::Disabled;
        QTest::newRow("nothing set") << QVariantMap() << QList<int>{notSet, notSet, notSet, notSet};
        QTest::newRow("only enforce, false") << QVariantMap{{QStringLiteral("enforce"), false}} << QList<int>{off, notSet, notSet, notSet};
        QTest::newRow("switch pair on") << QVariantMap{{QStringLiteral("enforce"), true}, {QStringLiteral("autoEnforce"), true}}
                                        << QList<int>{on, on, notSet, notSet};
        QTest::newRow("complain pair off") << QVariantMap{{QStringLiteral("complain"), false}, {QStringLiteral("autoComplain"), false}}
                                           << QList<int>{notSet, notSet, off, off};
        QTest::newRow("values that convert") << QVariantMap{{QStringLiteral("enforce"), QStringLiteral("true")},
                                                            {QStringLiteral("autoEnforce"), 0},
                                                            {QStringLiteral("complain"), 1},
                                                            {QStringLiteral("autoComplain"), QStringLiteral("false")}}
                                             << QList<int>{on, off, on, off};
    }

    void enableKeyStates()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(QList<int>, states);
        const EnableActionsMap map(overTheWire(stored));
        QCOMPARE(QList<int>({map.enforce(), map.autoEnforce(), map.complain(), map.autoComplain()}), states);
    }

    void enableSetters()
    {
        EnableActionsMap map(QStringLiteral("C"));
        map.enableEnforce(false);
        map.enableAutoEnforce(true);
        map.enableComplain(true);
        map.enableAutoComplain(false);
        for (const char *key : {"enforce", "autoEnforce", "complain", "autoComplain"}) {
            QCOMPARE(map.value(QLatin1String(key)).userType(), int(QMetaType::Bool));
        }
        const EnableActionsMap received(overTheWire(map));
        QCOMPARE(received.enforce(), EnableActionsMap::Disabled);
        QCOMPARE(received.autoEnforce(), EnableActionsMap::Enabled);
        QCOMPARE(received.complain(), EnableActionsMap::Enabled);
        QCOMPARE(received.autoComplain(), EnableActionsMap::Disabled);
        QCOMPARE(received.locale(), QStringLiteral("C"));
    }

    void globalTraceMap()
    {
        const GlobalTraceActionsMap empty{QVariantMap()};
        QVERIFY(!empty.globalRecordModeEnabled());
        QVERIFY(!empty.ignoreResult());

        GlobalTraceActionsMap map(QStringLiteral("C"));
        map.enableGlobalRecordMode(true);
        QCOMPARE(map.value(QStringLiteral("enable")).userType(), int(QMetaType::Bool));
        const GlobalTraceActionsMap received(overTheWire(map));
        QVERIFY(received.globalRecordModeEnabled());
        QVERIFY(!received.ignoreResult());

        map.setIgnoreResult(true);
        map.enableGlobalRecordMode(false);
        QVERIFY(map.ignoreResult());
        QVERIFY(!map.globalRecordModeEnabled());
    }

    void traceApplicationMap()
    {
        const TraceApplicationActionsMap empty{QVariantMap()};
        QCOMPARE(empty.username(), QString());
        QCOMPARE(empty.command(), QString());
        QCOMPARE(empty.display(), QString());
        QCOMPARE(empty.xauthorytyPath(), QString());

        TraceApplicationActionsMap map(QStringLiteral("ru_RU.UTF-8"));
        map.setUsername(QStringLiteral("kiosk"));
        map.setCommand(QStringLiteral("firefox --new-window 'https://example.org/?a=1&b=2'"));
        map.setDisplay(QStringLiteral(":0"));
        map.setXauthorytyPath(QStringLiteral("/home/admin/.Xauthority"));

        const QStringList keys{QStringLiteral("commandKey"),
                               QStringLiteral("displayKey"),
                               QStringLiteral("proccessEnvironmentsKey"),
                               QStringLiteral("usernameKey"),
                               QStringLiteral("xauthorytyPathKey")};
        QCOMPARE(map.keys(), keys);

        // The helper reads a map through the base class first (for the locale)
        // and then through the action's own class; both views share one copy.
        const QVariantMap arrived = overTheWire(map);
        QCOMPARE(HelperActionsMap(arrived).locale(), QStringLiteral("ru_RU.UTF-8"));
        const TraceApplicationActionsMap received(arrived);
        QCOMPARE(received.username(), map.username());
        QCOMPARE(received.command(), map.command());
        QCOMPARE(received.display(), QStringLiteral(":0"));
        QCOMPARE(received.xauthorytyPath(), QStringLiteral("/home/admin/.Xauthority"));
    }

    // What the helper sends after a recording is what the program reads,
    // and texts asked to be dropped are not sent at all.
    void recordingReplies()
    {
        const QStringList warnings{QStringLiteral("left running"), QString()};
        const QVariantMap trace = overTheWire(TraceApplicationActionsMap::replyData(warnings, QStringLiteral("+file r u: /etc/hosts ü\n")));
        QCOMPARE(TraceApplicationActionsMap::textFromReply(trace), QByteArray("+file r u: /etc/hosts ü\n"));
        QCOMPARE(TraceApplicationActionsMap::warningsFromReply(trace), QStringList{QStringLiteral("left running")});
        QVERIFY(!TraceApplicationActionsMap::replyData(warnings).contains(QStringLiteral("traceText")));

        const QMap<QString, QString> texts{{QStringLiteral("alice"), QStringLiteral("/a r,\n")}};
        const QVariantMap global = overTheWire(GlobalTraceActionsMap::replyData(warnings, texts));
        QCOMPARE(global.value(QStringLiteral("globalModeEnableKey")), QVariant(false));
        QCOMPARE(GlobalTraceActionsMap::textsFromReply(global), HelperActionsMap::variantMapFromStringMap(texts));
        QCOMPARE(GlobalTraceActionsMap::warningsFromReply(global), QStringList{QStringLiteral("left running")});
        const QVariantMap dropped = GlobalTraceActionsMap::replyData(warnings, std::nullopt);
        QVERIFY(!dropped.contains(QStringLiteral("globalRecordData")));
        QCOMPARE(dropped.value(QStringLiteral("warningsDataKey")).toStringList(), warnings);
    }
};

QTEST_GUILESS_MAIN(ActionsMapsTest)

#include "actionsmapstest.moc"
