#include "orlaadminboothward.h"

#include "actionargumentscheck.h"

#include "failures/detailsexception.h"
#include "protocol/enableactionsmap.h"
#include "protocol/helperactionsmap.h"
#include "protocol/updateactionsmap.h"
#include "store/systemkiosk.h"
#include "systempaths.h"

#include <KAuth/HelperSupport>

#include <QCoreApplication>

namespace
{
KAuth::ActionReply errorReply(const QString &description)
{
    KAuth::ActionReply reply = KAuth::ActionReply::HelperErrorReply();
    reply.setErrorDescription(description);
    return reply;
}
}

OrlaAdminBoothward::OrlaAdminBoothward(QObject *parent)
    : QObject(parent)
{
}

OrlaAdminBoothward::~OrlaAdminBoothward() = default;

void OrlaAdminBoothward::loadTranslations(const QVariantMap &args)
{
    const QString locale = HelperActionsMap(args).locale();
    // The variable is inherited by every command the action starts; anything
    // but a plain locale name stays out of the environment.
    if (!locale.isEmpty() && ActionArgumentsCheck::isValidLocale(locale)) {
        qputenv("LANG", locale.toUtf8());
    }

    const QString dir = QString::fromUtf8(SystemPaths::translationsDir) + QLatin1Char('/');
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::removeTranslator(&commonTranslator);
    // A catalogue that cannot be loaded leaves its translator empty: the
    // untranslated sentences still reach the administrator.
    (void)translator.load(dir + QStringLiteral("boothward_ru.qm"));
    (void)commonTranslator.load(dir + QStringLiteral("orla-admin-kiosk_common_ru.qm"));
    QCoreApplication::installTranslator(&translator);
    QCoreApplication::installTranslator(&commonTranslator);
}

KAuth::ActionReply OrlaAdminBoothward::update(const QVariantMap &args)
{
    loadTranslations(args);
    // Every name is checked before the first step: a refused entry half-way
    // through would leave the earlier steps done.
    const QString error = ActionArgumentsCheck::updateArgumentsError(args);
    if (!error.isEmpty()) {
        return errorReply(error);
    }

    const UpdateActionsMap map(args);
    const SystemKiosk kiosk;
    try {
        const QMap<QString, QString> usersToRename = map.usersToRename();
        for (auto it = usersToRename.cbegin(); it != usersToRename.cend(); ++it) {
            kiosk.renameUserProfile(it.key(), it.value());
        }
        const QMap<QString, QString> profilesToRename = map.profilesToRename();
        for (auto it = profilesToRename.cbegin(); it != profilesToRename.cend(); ++it) {
            kiosk.renameSystemProfile(it.key(), it.value());
        }
        const QMap<QString, QString> usersToUpdate = map.usersToUpdate();
        for (auto it = usersToUpdate.cbegin(); it != usersToUpdate.cend(); ++it) {
            kiosk.updateUserProfile(it.key(), it.value());
        }
        const QMap<QString, QString> profilesToUpdate = map.profilesToUpdate();
        for (auto it = profilesToUpdate.cbegin(); it != profilesToUpdate.cend(); ++it) {
            kiosk.updateSystemProfile(it.key(), it.value());
        }
        const QStringList usersToRemove = map.usersToRemove();
        for (const QString &name : usersToRemove) {
            kiosk.removeUserProfile(name);
        }
        const QStringList profilesToRemove = map.profilesToRemove();
        for (const QString &name : profilesToRemove) {
            kiosk.removeSystemProfile(name);
        }
    } catch (const DetailsException &e) {
        return errorReply(e.fullDetails());
    }
    return KAuth::ActionReply::SuccessReply();
}

KAuth::ActionReply OrlaAdminBoothward::enable(const QVariantMap &args)
{
    loadTranslations(args);
    const QString error = ActionArgumentsCheck::enableArgumentsError(args);
    if (!error.isEmpty()) {
        return errorReply(error);
    }

    const EnableActionsMap map(args);
    const SystemKiosk kiosk;
    const auto apply = [](EnableActionsMap::KeyState state, const auto &setter) {
        if (state != EnableActionsMap::NotSet) {
            setter(state == EnableActionsMap::Enabled);
        }
    };
    try {
        apply(map.enforce(), [&kiosk](bool on) {
            kiosk.enableEnforce(on);
        });
        apply(map.autoEnforce(), [&kiosk](bool on) {
            kiosk.enableAutoEnforce(on);
        });
        apply(map.complain(), [&kiosk](bool on) {
            kiosk.enableComplain(on);
        });
        apply(map.autoComplain(), [&kiosk](bool on) {
            kiosk.enableAutoComplain(on);
        });
    } catch (const DetailsException &e) {
        return errorReply(e.fullDetails());
    }
    return KAuth::ActionReply::SuccessReply();
}

void OrlaAdminBoothward::stopedTimerTimeout()
{
    if (KAuth::HelperSupport::isStopped()) {
        Q_EMIT isStoppedRequest();
    }
}
