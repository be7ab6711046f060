/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The walk that resolves rules, on every layout of links and directories a
// user may leave: what the session tests can try only a few of.

#include "store/safepath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr uid_t user = 4242;
constexpr uid_t someoneElse = 4343;
}

class SafePathTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void layouts_data();
    void layouts();

private:
    QString path(const QString &relative) const
    {
        return m_dir.path() + QLatin1Char('/') + relative;
    }
    void makeDir(const QString &relative, uid_t owner, mode_t mode)
    {
        QVERIFY(QDir().mkpath(path(relative)));
        QVERIFY(chown(QFile::encodeName(path(relative)).constData(), owner, 100) == 0);
        QVERIFY(chmod(QFile::encodeName(path(relative)).constData(), mode) == 0);
    }
    void makeFile(const QString &relative, uid_t owner = 0)
    {
        QFile file(path(relative));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(chown(QFile::encodeName(path(relative)).constData(), owner, owner) == 0);
    }
    void makeLink(const QString &relative, const QString &target, uid_t owner = 0)
    {
        QVERIFY(symlink(QFile::encodeName(target).constData(), QFile::encodeName(path(relative)).constData()) == 0);
        QVERIFY(lchown(QFile::encodeName(path(relative)).constData(), owner, owner) == 0);
    }

    QTemporaryDir m_dir;
};

void SafePathTest::initTestCase()
{
    if (getuid() != 0) {
        QSKIP("links and directories of other owners: needs root to give them away");
    }
    QVERIFY(m_dir.isValid());
    QCOMPARE(QFileInfo(m_dir.path()).canonicalFilePath(), m_dir.path());
    // The temporary directory is root's alone: what root places in it counts.
    makeDir(QStringLiteral("dir"), 0, 0755);
    makeFile(QStringLiteral("dir/file"));
    makeLink(QStringLiteral("rootlink"), QStringLiteral("dir"));
    makeLink(QStringLiteral("rootabs"), path(QStringLiteral("dir")));
    makeLink(QStringLiteral("dangling"), QStringLiteral("dir/absent"));
    makeLink(QStringLiteral("userlink"), QStringLiteral("dir"), user);

    makeDir(QStringLiteral("home"), user, 0755);
    makeLink(QStringLiteral("home/link"), QStringLiteral("../dir"), user);
    makeLink(QStringLiteral("home/rootlink"), QStringLiteral("../dir"));
    makeFile(QStringLiteral("home/own"), user);

    makeDir(QStringLiteral("other"), someoneElse, 0755);
    makeFile(QStringLiteral("other/file"), someoneElse);
    makeDir(QStringLiteral("open"), someoneElse, 0777);
    makeDir(QStringLiteral("group"), 0, 0775);
    makeFile(QStringLiteral("group/file"));

    makeDir(QStringLiteral("tmp"), 0, 01777);
    makeFile(QStringLiteral("tmp/mine"), user);
    makeFile(QStringLiteral("tmp/theirs"), someoneElse);
    makeLink(QStringLiteral("tmp/rootlink"), path(QStringLiteral("dir")));
    makeFile(QStringLiteral("tmp/kg-file"));
    makeLink(QStringLiteral("tmp/kg-link"), QStringLiteral("/etc"), user);

    makeDir(QStringLiteral("homes"), 0, 0755);
    makeDir(QStringLiteral("homes/mine"), user, 0755);
    makeDir(QStringLiteral("homes/theirs"), someoneElse, 0777);
    makeFile(QStringLiteral("homes/theirs/x"), someoneElse);
}

void SafePathTest::layouts_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("followLast");
    // What is visited, by path below the directory: "+" existing, "-" missing, "@" a link.
    QTest::addColumn<QStringList>("visited");
    QTest::addColumn<QString>("warning");

    const auto row = [](const char *name, const char *pattern, const QStringList &visited, const char *warning = "", bool followLast = true) {
        QTest::newRow(name) << QString::fromUtf8(pattern) << followLast << visited << QString::fromUtf8(warning);
    };
    row("plain path", "dir/file", {QStringLiteral("+dir/file")});
    row("root's relative link, root's directory", "rootlink/file", {QStringLiteral("+dir/file")});
    row("root's absolute link", "rootabs/file", {QStringLiteral("+dir/file")});
    row("root's link as the last component", "rootlink", {QStringLiteral("+dir")});
    row("root's link to nothing: the place", "dangling", {QStringLiteral("-dir/absent")});
    row("a link rule names the link", "rootlink", {QStringLiteral("@rootlink")}, "", false);
    row("the user's link, even in root's directory", "userlink/file", {}, "which someone other than root could have placed");
    row("the user's link in its home", "home/link/file", {}, "which someone other than root could have placed");
    row("root's link in the user's directory", "home/rootlink/file", {}, "which someone other than root could have placed");
    row("root's link in a sticky directory", "tmp/rootlink/file", {}, "which someone other than root could have placed");
    row("the user's own file", "home/own", {QStringLiteral("+home/own")});
    row("dot and dot-dot", "dir/../dir/./file", {QStringLiteral("+dir/file")});
    row("another account's directory", "other/file", {}, "which another account can change");
    row("another account's world-writable directory", "open/new", {}, "which others than root and the user can change");
    row("a group-writable directory", "group/file", {}, "which others than root and the user can change");
    row("the user's entry in a sticky directory", "tmp/mine", {QStringLiteral("+tmp/mine")});
    row("another's entry in a sticky directory", "tmp/theirs", {}, "which another account can change");
    row("a missing entry in a sticky directory", "tmp/new", {QStringLiteral("-tmp/new")});
    row("\"*\" passes over a link it matches", "tmp/kg-*", {QStringLiteral("+tmp/kg-file")}, "matches the link");
    row("\"*\" never reaches into another account's directory", "homes/*/x", {QStringLiteral("-homes/mine/x")});
    row("\"*\" matching nothing: the place", "dir/nothing-*", {QStringLiteral("-dir/nothing-*")});
    row("below a missing directory: nothing", "dir/absent/file", {});
}

void SafePathTest::layouts()
{
    QFETCH(QString, pattern);
    QFETCH(bool, followLast);
    QFETCH(QStringList, visited);
    QFETCH(QString, warning);

    SafePath walk(user);
    QStringList seen;
    QStringList warnings;
    const int prefix = m_dir.path().size() + 1;
    walk.resolve(
        QFile::encodeName(path(pattern)),
        followLast,
        100,
        [&](const SafePath::Found &found) {
            const QString where = QFile::decodeName(found.path).mid(prefix);
            if (!found.exists()) {
                seen << QLatin1Char('-') + where;
                // The place of a missing object is the directory the walk stands in.
                QCOMPARE(QFile::decodeName(found.parentPath), QFileInfo(QFile::decodeName(found.path)).path());
            } else {
                struct stat st {
                };
                QVERIFY(fstat(found.fd, &st) == 0);
                QCOMPARE(st.st_ino, found.st.st_ino);
                seen << (S_ISLNK(st.st_mode) ? QLatin1Char('@') : QLatin1Char('+')) + where;
            }
        },
        &warnings);
    QCOMPARE(seen, visited);
    const QString said = warnings.join(QLatin1Char('\n'));
    if (warning.isEmpty()) {
        QVERIFY2(warnings.isEmpty(), qPrintable(said));
    } else {
        QVERIFY2(said.contains(warning), qPrintable(said));
    }
}

QTEST_GUILESS_MAIN(SafePathTest)

#include "safepathtest.moc"
