/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: LGPL-2.1-or-later
*/

#ifndef ORLA_KIOSKTRANSACTION_H
#define ORLA_KIOSKTRANSACTION_H

#include "failures/detailsexception.h"
#include "orlacommon_export.h"
#include "store/systemkiosk.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

/**
 * One save of the kiosk tree, applied whole or not at all.
 *
 * The steps are queued in the order they are to take effect, then commit()
 * writes every new text beside its target, keeps a second name for every
 * file the save touches, checks the whole request and makes all of it
 * durable in one sync, records a journal, and only then renames, replaces
 * and removes. A failing step puts every touched entry back as it was. A
 * helper killed at any moment leaves a journal that recover() reads at the
 * next start: a save that had not finished is undone, one that had is
 * tidied up, so the tree is always the whole old or the whole new one.
 *
 * Names follow SystemKiosk: a refused name is skipped quietly.
 */
class ORLACOMMON_EXPORT KioskTransaction
{
public:
    /** One entry as a save found it: its bytes, or that it did not exist. */
    struct Earlier {
        SystemKiosk::Entry entry;
        bool existed = false;
        QByteArray bytes;
    };

    /**
     * Thrown by commit() when an earlier save that a crash interrupted
     * cannot be put in order: nothing of this save is done then, as the
     * journal is all that knows which files are whose. fullDetails() is why.
     */
    class ORLACOMMON_EXPORT UnfinishedSave : public DetailsException
    {
    public:
        explicit UnfinishedSave(const QString &why);
        ~UnfinishedSave() override;
        QString fullDetails() const override;
    };

    /** A save of the kiosk below @p root (SystemPaths' root when empty), journal and earlier configurations included. */
    explicit KioskTransaction(const QString &root = QString());
    ~KioskTransaction();
    KioskTransaction(const KioskTransaction &) = delete;
    KioskTransaction &operator=(const KioskTransaction &) = delete;

    void updateSystemProfile(const QString &name, const QString &text);
    void updateUserProfile(const QString &name, const QString &text);
    void renameSystemProfile(const QString &from, const QString &to);
    void renameUserProfile(const QString &from, const QString &to);
    void removeSystemProfile(const QString &name);
    void removeUserProfile(const QString &name);

    /** Gives @p earlier.entry the bytes it holds, or removes it when it did not exist. */
    void putBack(const Earlier &earlier);

    bool isEmpty() const;

    /**
     * Applies every queued step or none. @p progress is called now and then
     * during a long save; @p beforeApply, when given, with every entry the
     * save touches as it is now, once the whole save is checked and before
     * anything visible changes (throwing from it calls the save off).
     * @throws UnfinishedSave before anything else, or the first failure as a
     *         DetailsException, after putting back every step already applied
     */
    void commit(const std::function<void()> &progress = {}, const std::function<void(const QList<Earlier> &)> &beforeApply = {});

    /**
     * Finishes or undoes a save that a crash interrupted; nothing to do is
     * the usual case. Quick whatever the size of the save: what is left out
     * of sight goes with removeLeftovers(), which every commit() calls first.
     * @p root here and below: the kiosk's, as for the constructor.
     * @throws DetailsException when the tree could not be put in order
     */
    static void recover(const QString &root = QString());

    /**
     * Removes the hidden files of earlier saves.
     * @throws DeleteFileException
     */
    static void removeLeftovers(const std::function<void()> &progress = {}, const QString &root = QString());

    /** True while a journal of an unfinished save is left over. */
    static bool hasUnfinishedSave(const QString &root = QString());

private:
    struct Step {
        enum Kind { Replace, Move, Remove };
        Kind kind;
        SystemKiosk::Entry target;
        SystemKiosk::Entry source; // Move only
        QByteArray bytes; // Replace only
        QByteArray newName; // Replace only: the new text's hidden name
    };
    struct Work;

    // The steps of commit(): every step checked against the tree as it is,
    // the new texts and the second names written out of sight, the steps
    // carried out, and the way back from a failure before or after the
    // first visible change.
    void plan(Work &work) const;
    void stage(Work &work, const std::function<void(const QList<Earlier> &)> &beforeApply);
    void apply(Work &work) const;
    void dropStaged(Work &work) const;
    void rollBack(Work &work) const;

    void queue(Step::Kind kind, const std::optional<SystemKiosk::Entry> &target, const std::optional<SystemKiosk::Entry> &source, const QString &text);

    QString m_root;
    QList<Step> m_steps;
};

#endif
