/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#include "system/user.h"

#include "failures/processexception.h"
#include "failures/userexception.h"
#include "system/process.h"
#include "systempaths.h"

#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <pwd.h>

namespace
{
constexpr int maxNameLength = 32;

// A command about the account; its failure is reported as the account's.
void runFor(const QString &account, Process &process, const QString &program, const QStringList &arguments, bool check = true)
{
    try {
        process.run(program, arguments, check);
    } catch (const ProcessException &e) {
        throw UserException(account, e.fullDetails());
    }
}
}

User::User(QObject *parent, const QString &name)
    : QObject(parent)
    , m_name(name)
{
}

User::User(const QString &name)
    : User(nullptr, name)
{
}

QString User::name() const
{
    return m_name;
}

bool User::isValidName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("\\A[A-Za-z_][-A-Za-z0-9_.]*\\$?\\z"));
    return name.size() <= maxNameLength && pattern.match(name).hasMatch();
}

void User::checkName() const
{
    if (!isValidName(m_name)) {
        throw UserException(m_name, tr("Invalid user name"));
    }
}

bool User::exists()
{
    checkName();
    Process process;
    runFor(m_name, process, QStringLiteral("id"), {QStringLiteral("-u"), m_name}, false);
    return process.process()->exitCode() == 0;
}

void User::create()
{
    checkName();
    Process process;
    // The comment is given as two quote characters so that adduser asks nothing.
    runFor(m_name,
           process,
           QString::fromUtf8(SystemPaths::adduserProgram),
           {QStringLiteral("--gecos"), QStringLiteral("\"\""), QStringLiteral("--disabled-password"), m_name});
}

void User::remove()
{
    checkName();
    Process process;
    runFor(m_name, process, QString::fromUtf8(SystemPaths::userdelProgram), {QStringLiteral("-f"), QStringLiteral("-r"), m_name});
}

bool User::logged()
{
    Process process;
    runFor(m_name, process, QStringLiteral("users"), QStringList());
    // A user logged in several times is listed several times.
    return process.output().trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts).contains(m_name);
}

int User::getUid()
{
    checkName();
    Process process;
    runFor(m_name, process, QStringLiteral("id"), {QStringLiteral("-u"), m_name});
    return process.output().trimmed().toInt();
}

QString User::homeDir()
{
    const uid_t uid = static_cast<uid_t>(getUid());
    errno = 0;
    const passwd *entry = getpwuid(uid);
    if (!entry) {
        // getpwuid leaves errno at 0 when the database simply has no such id,
        // and "Success" would be a strange reason to give.
        const int error = errno;
        throw UserException(m_name, error ? QString::fromLocal8Bit(std::strerror(error)) : tr("No such user in the user database"));
    }
    return QString::fromUtf8(entry->pw_dir);
}
