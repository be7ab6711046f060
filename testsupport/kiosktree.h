/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_KIOSKTREE_H
#define ORLA_KIOSKTREE_H

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

/**
 * The kiosk tree of a test build below its scratch root (ScratchRoot), as
 * the tests of every area lay it out and read it back: profile directories,
 * switches and the password file.
 *
 * Every write refuses a path outside the scratch root, and a link that leads
 * out of it, and throws std::runtime_error naming the path when it cannot be
 * done, so a test can never change the machine's own kiosk configuration nor
 * go on without its fixture. Reads go through TestFiles::read.
 */
class SystemKiosk;

namespace KioskTree
{
/**
 * The directory that stands for "/" in the tree the in-process tests work
 * on: the build's scratch root, or in a build against the real system a
 * directory of the test process's own, so that the store's own tests run
 * in every build.
 */
QString root();
/** Whether @p path lies strictly below root(). */
bool contains(const QString &path);
/** A path of the build's system moved below root(). */
QString moved(const char *systemPath);
/** The store over the tree below root(). */
SystemKiosk kiosk();

/** What the switches are after reset(): the helper's tests start without any. */
enum class Switches { Missing, Off };

/**
 * Empties the scratch root (ScratchRoot::reset()) and makes both profile
 * directories; with Switches::Off the four switch files hold "0\n", the way
 * the helper writes them. Does nothing in a build on the real paths.
 */
void reset(Switches switches = Switches::Missing);

/** The kiosk directories as the build's fixed paths name them, not as the code under test works them out. */
QString systemProfilesDir();
QString userProfilesDir();
QString disabledUsersDir();
/** The file of system profile @p name. */
QString systemProfile(const QString &name);
/** The file of user profile @p name; "disabled/NAME" names a disabled user's. */
QString userProfile(const QString &name);

/** Replaces @p path below the scratch root whole, creating missing directories. */
void write(const QString &path, const QByteArray &content);
void writeProfile(const QString &name, const QString &text);
void writeUser(const QString &name, const QString &text, bool enabled = true);
/** A switch file or module parameter: "1\n" or "0\n". */
void setSwitch(const QString &path, bool on);
void setSwitches(bool enforce, bool autoEnforce, bool complain = false, bool autoComplain = false);
void setPasswd(const QStringList &lines);
/** Every file below @p from (a tree of test data) to the same place below @p to. */
void copy(const QString &from, const QString &to);

QString profile(const QString &name);
QString user(const QString &name, bool enabled = true);
bool hasProfile(const QString &name);
bool hasUser(const QString &name, bool enabled = true);
/** Regular files only, sorted: the disabled directory is not a user. */
QStringList profileNames();
QStringList userNames(bool enabled = true);
/** "1" or "0" as stored, without the line feed. */
QString switchValue(const QString &path);

/**
 * Everything below the scratch root by path relative to it: a file's
 * content, "<dir>" for a directory, and for a symbolic link its target and
 * then what reading through it gives, so that both a replaced link and a
 * write through one show up as a difference.
 */
using Snapshot = QMap<QString, QByteArray>;
enum class Scope {
    /** The kiosk data alone: without the build's tools under usr/ and the helper's own state (its journal, the earlier configurations). */
    KioskData,
    /** The kiosk data as a reader sees it: without what a save hides, which the next save takes away. */
    Visible,
    /** Every entry, for code that must not write anywhere at all. */
    WholeRoot,
};
Snapshot snapshot(Scope scope = Scope::KioskData);
}

#endif
