#ifndef ORLA_ACCOUNTDIRECTORY_H
#define ORLA_ACCOUNTDIRECTORY_H

#include <QHash>
#include <QString>

/**
 * Whether system accounts exist, asked of the account database in process.
 *
 * Gives the answer of User::exists() without starting "id" for every kiosk
 * user on every status computation, and remembers each answer for the life
 * of the object (one status computation).
 */
class AccountDirectory
{
public:
    // Never throws: a name that cannot be an account name has no account.
    bool exists(const QString &name);

private:
    static bool lookUp(const QString &name);

    QHash<QString, bool> m_known;
};

#endif
