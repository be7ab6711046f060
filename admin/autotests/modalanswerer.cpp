/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

ModalAnswerer::ModalAnswerer(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start();
}

ModalAnswerer::~ModalAnswerer() = default;

void ModalAnswerer::answer(QMessageBox::StandardButton button, const std::function<void()> &meanwhile)
{
    m_handlers.enqueue({QString(), [this, button, meanwhile](QWidget *widget) {
                            auto *box = qobject_cast<QMessageBox *>(widget);
                            if (!box) {
                                m_unexpected << QString::fromLatin1(widget->metaObject()->className());
                                static_cast<QDialog *>(widget)->reject();
                                return;
                            }
                            m_boxes << describe(box);
                            QAbstractButton *target = box->button(button);
                            if (!target) {
                                m_unexpected << box->windowTitle() + QStringLiteral(" (no such button)");
                                box->reject();
                                return;
                            }
                            if (meanwhile) {
                                meanwhile();
                            }
                            target->click();
                        }});
}

void ModalAnswerer::handle(const std::function<void(QWidget *)> &handler)
{
    m_handlers.enqueue({QString(), handler});
}

void ModalAnswerer::handle(const char *className, const std::function<void(QWidget *)> &handler)
{
    m_handlers.enqueue({QString::fromLatin1(className), handler});
}

void ModalAnswerer::leaveOpen(const char *className)
{
    m_leftOpen << QString::fromLatin1(className);
}

QList<ModalAnswerer::Box> ModalAnswerer::boxes() const
{
    return m_boxes;
}

QStringList ModalAnswerer::titles() const
{
    QStringList titles;
    for (const Box &box : m_boxes) {
        titles << box.title;
    }
    return titles;
}

int ModalAnswerer::pending() const
{
    return m_handlers.size();
}

QStringList ModalAnswerer::unexpected() const
{
    return m_unexpected;
}

void ModalAnswerer::reset()
{
    m_handlers.clear();
    m_boxes.clear();
    m_unexpected.clear();
    m_leftOpen.clear();
}

ModalAnswerer::Box ModalAnswerer::describe(const QMessageBox *box)
{
    Box seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.detailedText = box->detailedText();
    seen.icon = box->icon();
    seen.buttons = box->standardButtons();
    for (int flag = QMessageBox::FirstButton; flag <= QMessageBox::LastButton; flag <<= 1) {
        if (QAbstractButton *button = box->button(QMessageBox::StandardButton(flag))) {
            seen.buttonTexts << button->text();
        }
    }
    return seen;
}

void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    // A widget just answered may still be on screen until its exec() returns.
    if (!modal || !modal->isVisible() || modal == m_lastHandled || m_leftOpen.contains(QString::fromLatin1(modal->metaObject()->className()))) {
        return;
    }
    if (!m_handlers.isEmpty() && !m_handlers.head().className.isEmpty()
        && m_handlers.head().className != QString::fromLatin1(modal->metaObject()->className())) {
        return;
    }
    m_lastHandled = modal;
    if (m_handlers.isEmpty()) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (box) {
            m_boxes << describe(box);
        }
        m_unexpected << (box ? box->windowTitle() : QString::fromLatin1(modal->metaObject()->className()));
        if (auto *dialog = qobject_cast<QDialog *>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
        return;
    }
    m_handlers.dequeue().handle(modal);
}
