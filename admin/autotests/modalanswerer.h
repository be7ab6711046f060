/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#ifndef ORLA_MODALANSWERER_H
#define ORLA_MODALANSWERER_H

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QStringList>
#include <QTimer>

#include <functional>

/**
 * Answers the modal boxes and dialogs a test provokes, the way an
 * administrator would, while the code under test sits in their exec().
 *
 * Answers are queued before the action that opens the boxes; each modal
 * widget that appears takes the next answer. A modal widget with no answer
 * left is recorded as unexpected and rejected, so that a wrong turn in the
 * code under test fails the test instead of hanging it.
 */
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    struct Box {
        QString title;
        QString text;
        QString detailedText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QStringList buttonTexts; // in the order of the standard buttons' values
    };

    explicit ModalAnswerer(QObject *parent = nullptr);
    ~ModalAnswerer() override;

    // The next message box gets this button clicked, after @p meanwhile has
    // run while the box is up (to change what happens next, say).
    void answer(QMessageBox::StandardButton button, const std::function<void()> &meanwhile = nullptr);
    // The next modal widget (any dialog) is handed to the function, which
    // must close it.
    void handle(const std::function<void(QWidget *)> &handler);
    // The same for the next modal widget of that class; others that come
    // first are left alone, for a dialog that is modal already while the
    // boxes of its own work come and go.
    void handle(const char *className, const std::function<void(QWidget *)> &handler);

    // Modal widgets of this class are left alone: they close by themselves
    // (the dialog that waits for a recording), whether they show at all or not.
    void leaveOpen(const char *className);

    // Every message box answered or rejected so far, in order.
    QList<Box> boxes() const;
    QStringList titles() const;
    // Answers queued but not used yet.
    int pending() const;
    // Titles (or class names) of modal widgets nobody had an answer for.
    QStringList unexpected() const;

    // Forgets everything recorded and queued.
    void reset();

    static Box describe(const QMessageBox *box);

private:
    void poll();

    QTimer m_timer;
    struct Handler {
        QString className; // empty: any modal widget
        std::function<void(QWidget *)> handle;
    };
    QQueue<Handler> m_handlers;
    QList<Box> m_boxes;
    QStringList m_unexpected;
    QStringList m_leftOpen;
    QPointer<QWidget> m_lastHandled;
};

#endif
