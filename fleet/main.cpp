/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// orla-kiosk: the kiosk configuration from the command line, for the
// machines of a room or a fleet: check a tree offline, export it as one
// bundle, apply a bundle through the helper, switch kiosk mode, and show
// the switches. Its help is also its manual page.

#include "applycommand.h"
#include "checkcommand.h"
#include "exitstatus.h"
#include "exportcommand.h"
#include "modecommand.h"
#include "statuscommand.h"

#include "failures/catalogues.h"
#include "profile/printable.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>

namespace
{
// The texts of the command line itself: lupdate files them under this name.
struct OrlaKiosk {
    Q_DECLARE_TR_FUNCTIONS(OrlaKiosk)
};

QString description()
{
    return OrlaKiosk::tr(
        "Checks, exports and applies the kiosk configuration of this machine, so that one configuration prepared with "
        "orla-admin-kiosk reaches many machines.\n"
        "\n"
        "Commands:\n"
        "  check [DIR]         Reads the kiosk tree (or a tree laid out like it below DIR) and reports every profile's and "
        "user's status as the program shows it: errors, warnings, unknown includes, include cycles with their chain, users "
        "without an account on this machine (unless --no-accounts).\n"
        "  export FILE [DIR]   Writes the kiosk tree (or the tree laid out below DIR) and the switches after reboot as one "
        "bundle: a tar archive with a manifest of format version, names and SHA-256 checksums.\n"
        "  apply FILE          Checks the bundle (manifest, names, checksums, and the statuses of its configuration here: errors refuse it) and makes it this "
        "machine's kiosk "
        "configuration through the privileged helper: one all-or-nothing update, authorised by polkit and kept as an earlier "
        "configuration like a save from the program, and the switches after reboot that differ. Nothing is sent when "
        "nothing differs. With --dry-run it only prints the changes.\n"
        "  mode on|off         Switches kiosk mode on or off, now and after reboot.\n"
        "  status              Shows kiosk mode and the global rule recording, now and after reboot.\n"
        "\n"
        "Exit status:\n"
        "  check: 0 clean, 1 warnings only, 2 errors (or the tree cannot be read).\n"
        "  apply, mode: 0 changed (with --dry-run: would change), 3 nothing to change, 1 refused or failed.\n"
        "  export, status: 0 done, 1 failed.\n"
        "  64: the command line is wrong.");
}

int usage(const QString &message)
{
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << message << '\n'
                        << OrlaKiosk::tr("Try '%1 --help'.").arg(QCoreApplication::applicationName()) << Qt::endl;
    return ExitStatus::Usage;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orla-kiosk"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORLA_VERSION));
    // A fleet tool or an administrator's shell starts the command in its own
    // language: the command's catalogue for the system locale, as the library
    // loads its own, and Qt's in the same language for the help's headings and
    // the parser's complaints. Without a catalogue the texts stay in English.
    Utils::installCatalogue(QLocale::system(), QStringLiteral("orla-kiosk"), &app);

    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption jsonOption(QStringLiteral("json"), OrlaKiosk::tr("check, status: print JSON instead of text."));
    const QCommandLineOption noAccountsOption(QStringLiteral("no-accounts"),
                                              OrlaKiosk::tr("check: leave out whether users' accounts exist, for a tree meant for other machines."));
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"),
                                          OrlaKiosk::tr("apply: print the changes, in the form of the program's save question, and change nothing."));
    parser.addOptions({jsonOption, dryRunOption, noAccountsOption});
    parser.addPositionalArgument(QStringLiteral("command"), OrlaKiosk::tr("check, export, apply, mode or status."));
    parser.addPositionalArgument(QStringLiteral("arguments"), OrlaKiosk::tr("The command's arguments."), QStringLiteral("[arguments...]"));
    parser.process(app);

    QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty()) {
        return usage(OrlaKiosk::tr("no command given."));
    }
    const QString command = arguments.takeFirst();
    const auto only = [&parser](const QCommandLineOption &option, const QStringList &commands, const QString &command) {
        return !parser.isSet(option) || commands.contains(command);
    };
    if (!only(jsonOption, {QStringLiteral("check"), QStringLiteral("status")}, command) || !only(dryRunOption, {QStringLiteral("apply")}, command)
        || !only(noAccountsOption, {QStringLiteral("check")}, command)) {
        return usage(OrlaKiosk::tr("an option was given that %1 does not take.").arg(command));
    }

    // Names from a bundle or a tree reach the text in sentences of every kind
    // (refusals, failures naming a path); all of it is printed with control
    // characters escaped. JSON escapes its own.
    QString outText;
    QString errText;
    int status = ExitStatus::Usage;
    {
        QTextStream out(&outText);
        QTextStream err(&errText);
        status = [&]() -> int {
            if (command == QLatin1String("check")) {
                if (arguments.size() > 1) {
                    return usage(OrlaKiosk::tr("check takes at most one tree directory."));
                }
                return CheckCommand::run(arguments.value(0),
                                         parser.isSet(jsonOption) ? CheckCommand::Format::Json : CheckCommand::Format::Text,
                                         parser.isSet(noAccountsOption) ? KioskCheck::Accounts::Ignore : KioskCheck::Accounts::Check,
                                         out,
                                         err);
            }
            if (command == QLatin1String("export")) {
                if (arguments.isEmpty() || arguments.size() > 2) {
                    return usage(OrlaKiosk::tr("export takes a bundle file and, optionally, a tree directory."));
                }
                return ExportCommand::run(arguments.at(0), arguments.value(1), out, err);
            }
            if (command == QLatin1String("apply")) {
                if (arguments.size() != 1) {
                    return usage(OrlaKiosk::tr("apply takes one bundle file."));
                }
                return ApplyCommand::run(arguments.at(0), parser.isSet(dryRunOption) ? ApplyCommand::Mode::DryRun : ApplyCommand::Mode::Apply, out, err);
            }
            if (command == QLatin1String("mode")) {
                if (arguments.size() != 1 || (arguments.at(0) != QLatin1String("on") && arguments.at(0) != QLatin1String("off"))) {
                    return usage(OrlaKiosk::tr("mode takes on or off."));
                }
                return ModeCommand::run(arguments.at(0) == QLatin1String("on"), out, err);
            }
            if (command == QLatin1String("status")) {
                if (!arguments.isEmpty()) {
                    return usage(OrlaKiosk::tr("status takes no arguments."));
                }
                return StatusCommand::run(parser.isSet(jsonOption) ? StatusCommand::Format::Json : StatusCommand::Format::Text, out, err);
            }
            return usage(OrlaKiosk::tr("unknown command '%1'.").arg(command));
        }();
    }
    const auto shown = [](const QString &text) {
        return Utils::printable(text, Utils::LineBreaks::Keep);
    };
    QTextStream(stdout) << (parser.isSet(jsonOption) ? outText : shown(outText)) << Qt::flush;
    QTextStream(stderr) << shown(errText) << Qt::flush;
    return status;
}
