/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// How profile rules become grants on the objects of a scratch directory:
// what the trace reporter and a confined session both go by, and what the
// session tests can only see a few samples of.

#include "userwhitelist.h"
#include "protocol/helperconstants.h"
#include "store/systemkiosk.h"

#include "scratchroot.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace
{
constexpr uid_t user = 4242;
constexpr uid_t someoneElse = 4343;

void make(const QString &path, uid_t owner = 0, bool directory = false)
{
    if (directory) {
        QDir().mkpath(path);
    } else {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(chown(QFile::encodeName(path).constData(), owner, owner) == 0);
}
}

class UserWhitelistTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void rulesBecomeGrants();
    void othersMatchesGrantCreationOnly();
    void includesAreFollowedOnce();
    void onlyEnabledKioskUsers();

private:
    bool allows(const QString &path, ObjectRule::Mode mode) const
    {
        return m_whitelist.allows(QFile::encodeName(m_dir.path() + path), mode);
    }

    QTemporaryDir m_dir;
    UserWhitelist m_whitelist;
};

void UserWhitelistTest::initTestCase()
{
    if (!ScratchRoot::isScratchBuild()) {
        QSKIP("the kiosk tree is the real system's: build with -DORLA_SYSTEM_ROOT=<scratch dir>");
    }
    if (getuid() != 0) {
        QSKIP("owners decide the targets: needs root to give objects away");
    }
    QVERIFY(m_dir.isValid());
    // Grants are kept by real paths, which the questions below spell out.
    QCOMPARE(QFileInfo(m_dir.path()).canonicalFilePath(), m_dir.path());
}

void UserWhitelistTest::init()
{
    ScratchRoot::reset();
}

void UserWhitelistTest::cleanupTestCase()
{
    ScratchRoot::reset();
}

void UserWhitelistTest::rulesBecomeGrants()
{
    const QString d = m_dir.path();
    make(d + QStringLiteral("/docs/deep/file"));
    make(d + QStringLiteral("/own/file"), user);
    make(d + QStringLiteral("/homes/mine"), user, true);
    make(d + QStringLiteral("/homes/theirs"), someoneElse, true);
    make(d + QStringLiteral("/new"), user, true);
    make(d + QStringLiteral("/tools/tool"));
    QVERIFY(QFile::link(d + QStringLiteral("/tools/tool"), d + QStringLiteral("/tool-link")));

    SystemKiosk().updateUserProfile(QStringLiteral("alice"),
                                    QStringLiteral("+file r uo: %1/docs\n"
                                                   "+file rc u: %1/own/file\n"
                                                   "+file rwc u: %1/homes/*\n"
                                                   "+file wc u: %1/new/later\n"
                                                   "+file r uo: %1/gone\n"
                                                   "+file r o: %1/tool-link\n"
                                                   "+link c u: %1/new/link\n")
                                        .arg(d));
    m_whitelist = UserWhitelist::read(QStringLiteral("alice"), user);
    QVERIFY(m_whitelist.isKioskUser());

    // A directory: everything below it, for its modes only.
    QVERIFY(allows(QStringLiteral("/docs/deep/file"), ObjectRule::Read));
    QVERIFY(!allows(QStringLiteral("/docs/deep/file"), ObjectRule::Write));
    QVERIFY(!allows(QStringLiteral("/docs/new"), ObjectRule::Create));
    // A file: itself for r and w, its directory for c.
    QVERIFY(allows(QStringLiteral("/own/file"), ObjectRule::Read));
    QVERIFY(!allows(QStringLiteral("/own/file"), ObjectRule::Write));
    QVERIFY(allows(QStringLiteral("/own/another"), ObjectRule::Create));
    QVERIFY(!allows(QStringLiteral("/own/another"), ObjectRule::Read));
    // "*" and "u": the user's own directory, not another's.
    QVERIFY(allows(QStringLiteral("/homes/mine/x"), ObjectRule::Write));
    QVERIFY(allows(QStringLiteral("/homes/mine/x"), ObjectRule::Create));
    QVERIFY(!allows(QStringLiteral("/homes/theirs/x"), ObjectRule::Read));
    QVERIFY(!allows(QStringLiteral("/homes/new"), ObjectRule::Create));
    // Not there yet, with c: its modes below the directory it will be made in.
    QVERIFY(allows(QStringLiteral("/new/later"), ObjectRule::Create));
    QVERIFY(allows(QStringLiteral("/new/later"), ObjectRule::Write));
    // Through a link: the object it names, by its real path.
    QVERIFY(allows(QStringLiteral("/tools/tool"), ObjectRule::Read));
    QVERIFY(!allows(QStringLiteral("/tool-link"), ObjectRule::Read));

    const QString warnings = m_whitelist.warnings().join(QLatin1Char('\n'));
    QVERIFY2(warnings.contains(d + QStringLiteral("/gone does not exist")), qPrintable(warnings));
    QVERIFY2(warnings.contains(d + QStringLiteral("/new/later does not exist: its modes are granted below ") + d + QStringLiteral("/new")),
             qPrintable(warnings));
}

// A name another account made first (a bus socket, a lock) must not keep
// the user from making its own: the rule grants as for a missing object.
void UserWhitelistTest::othersMatchesGrantCreationOnly()
{
    const QString d = m_dir.path();
    make(d + QStringLiteral("/shared/sock-a"), someoneElse);
    make(d + QStringLiteral("/mixed/sock-a"), someoneElse);
    make(d + QStringLiteral("/mixed/sock-b"), user);
    make(d + QStringLiteral("/rootonly/sock-a"));
    make(d + QStringLiteral("/theirs"), someoneElse, true);
    make(d + QStringLiteral("/theirs/sock-a"), someoneElse);
    SystemKiosk().updateUserProfile(QStringLiteral("dave"),
                                    QStringLiteral("+file rc u: %1/shared/sock-*\n"
                                                   "+file c u: %1/mixed/sock-*\n"
                                                   "+file c u: %1/rootonly/sock-*\n"
                                                   "+file c u: %1/theirs/sock-*\n"
                                                   "+file r u: %1/shared/sock-a\n")
                                        .arg(d));
    m_whitelist = UserWhitelist::read(QStringLiteral("dave"), user);

    QVERIFY(allows(QStringLiteral("/shared/sock-new"), ObjectRule::Create));
    QVERIFY(allows(QStringLiteral("/shared/sock-new"), ObjectRule::Read));
    // Never the other account's object itself, nor more than the rule's modes.
    QVERIFY(!m_whitelist.grants().isEmpty());
    for (const UserWhitelist::Grant &grant : m_whitelist.grants()) {
        QVERIFY2(!grant.path.endsWith("/sock-a") && !(grant.beneath & UserWhitelist::bit(ObjectRule::Write)), grant.path.constData());
    }
    // With a match of the user's own, only what that grants.
    QVERIFY(allows(QStringLiteral("/mixed/sock-new"), ObjectRule::Create));
    QVERIFY(!allows(QStringLiteral("/mixed/sock-new"), ObjectRule::Read));
    // Root's object, and another account's directory: nothing.
    QVERIFY(!allows(QStringLiteral("/rootonly/sock-new"), ObjectRule::Create));
    QVERIFY(!allows(QStringLiteral("/theirs/sock-new"), ObjectRule::Create));
    QVERIFY2(m_whitelist.warnings().join(QLatin1Char('\n')).contains(QLatin1String("matches only other accounts' objects")),
             qPrintable(m_whitelist.warnings().join(QLatin1Char('\n'))));
}

void UserWhitelistTest::includesAreFollowedOnce()
{
    const QString d = m_dir.path();
    make(d + QStringLiteral("/a"));
    make(d + QStringLiteral("/b"));
    SystemKiosk store;
    store.updateSystemProfile(QStringLiteral("first"), QStringLiteral("@include second\n+file r uo: %1/a\n").arg(d));
    store.updateSystemProfile(QStringLiteral("second"), QStringLiteral("@include first\n@include nowhere\n+file r uo: %1/b\n").arg(d));
    // Nothing reaches it, so a login must not read it.
    store.updateSystemProfile(QStringLiteral("unreached"), QStringLiteral("+file r uo: %1/b\n").arg(d));
    store.updateUserProfile(QStringLiteral("bob"), QStringLiteral("@include first\n@include bad/name\n"));

    QStringList read;
    m_whitelist = UserWhitelist::read(QStringLiteral("bob"), user, [&read](const QString &path) {
        read.append(path);
        return SystemKiosk().readProfile(path).data();
    });
    QVERIFY(allows(QStringLiteral("/a"), ObjectRule::Read));
    QVERIFY(allows(QStringLiteral("/b"), ObjectRule::Read));
    const QString system = SystemKiosk::systemProfilesDir() + QLatin1Char('/');
    QCOMPARE(read, (QStringList{SystemKiosk::userProfilesDir() + QStringLiteral("/bob"), system + QStringLiteral("first"), system + QStringLiteral("second")}));
    QCOMPARE(m_whitelist.profileFiles(), read + QStringList{system + QStringLiteral("nowhere")});
    QCOMPARE(m_whitelist.warnings(),
             (QStringList{QStringLiteral("bad/name is no profile name: the include is left out"),
                          QStringLiteral("The profile %1nowhere does not exist: nothing of it is granted").arg(system)}));
}

void UserWhitelistTest::onlyEnabledKioskUsers()
{
    make(m_dir.path() + QStringLiteral("/a"));
    const QString text = QStringLiteral("+file r uo: %1/a\n").arg(m_dir.path());
    SystemKiosk store;
    store.updateUserProfile(HelperConstants::disabledPrefix + QStringLiteral("/carol"), text);
    QVERIFY(!UserWhitelist::read(QStringLiteral("carol"), user).isKioskUser());
    QVERIFY(!UserWhitelist::read(QStringLiteral("nobody-here"), user).isKioskUser());
    QVERIFY(!UserWhitelist::read(QStringLiteral("../kiosk2/carol"), user).isKioskUser());
    store.updateUserProfile(QStringLiteral("carol"), text);
    QVERIFY(UserWhitelist::read(QStringLiteral("carol"), user).isKioskUser());
}

QTEST_GUILESS_MAIN(UserWhitelistTest)

#include "userwhitelisttest.moc"
