#include "state/accountdirectory.h"

#include "system/user.h"

#include <QByteArray>

#include <cerrno>
#include <pwd.h>
#include <unistd.h>

bool AccountDirectory::exists(const QString &name)
{
    const auto known = m_known.constFind(name);
    if (known != m_known.constEnd()) {
        return known.value();
    }
    const bool found = lookUp(name);
    m_known.insert(name, found);
    return found;
}

bool AccountDirectory::lookUp(const QString &name)
{
    // The account tools refuse such names, so no account can be asked for by them.
    if (!User::isValidName(name)) {
        return false;
    }
    const QByteArray encoded = name.toUtf8();
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    QByteArray buffer(suggested > 0 ? int(suggested) : 16384, Qt::Uninitialized);
    for (;;) {
        passwd entry{};
        passwd *result = nullptr;
        const int error = getpwnam_r(encoded.constData(), &entry, buffer.data(), size_t(buffer.size()), &result);
        if (error == ERANGE && buffer.size() < (1 << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return error == 0 && result != nullptr;
    }
}
