/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "desktop/orlamenudialog.h"

#include "systempaths.h"

#include <KConfigGroup>
#include <KDesktopFile>

#include <QCollator>
#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QIcon>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVector>

#include <algorithm>

namespace
{
constexpr int execRole = Qt::UserRole;

struct Entry {
    QString text;
    QString exec;
    QIcon icon;
};

QIcon entryIcon(const QString &icon)
{
    return QDir::isAbsolutePath(icon) ? QIcon(icon) : QIcon::fromTheme(icon);
}
}

OrlaMenuDialog::OrlaMenuDialog(const QString &menuPath, int currentRow, bool showNoDisplay, bool showGenericNames, QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
    , m_list(new QListWidget(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(tr("Select application"));
    resize(420, 480);
    m_list->setObjectName(QStringLiteral("applicationsListWidget"));
    m_list->setIconSize(QSize(32, 32));
    m_list->setUniformItemSizes(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *current) {
        m_buttons->button(QDialogButtonBox::Ok)->setEnabled(current);
    });

    fill(menuPath, showNoDisplay, showGenericNames);
    m_list->setCurrentRow(currentRow);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(m_list->currentItem());
}

OrlaMenuDialog::~OrlaMenuDialog() = default;

void OrlaMenuDialog::fill(const QString &menuPath, bool showNoDisplay, bool showGenericNames)
{
    const QString folder = !menuPath.isEmpty() && QFileInfo(menuPath).isDir() ? menuPath : QString::fromUtf8(SystemPaths::applicationsDir);

    QVector<Entry> entries;
    QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable, QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    while (it.hasNext()) {
        const KDesktopFile file(it.next());
        const KConfigGroup group = file.desktopGroup();
        const QString exec = group.readEntry("Exec", QString()).trimmed();
        if (file.readType() != QLatin1String("Application") || exec.isEmpty() || group.readEntry("Hidden", false) || (file.noDisplay() && !showNoDisplay)) {
            continue;
        }
        QString text = file.readName();
        const QString genericName = file.readGenericName();
        if (showGenericNames && !genericName.isEmpty() && genericName != text) {
            text = QStringLiteral("%1 (%2)").arg(text, genericName);
        }
        entries.append(Entry{text, exec, entryIcon(file.readIcon())});
    }

    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(entries.begin(), entries.end(), [&collator](const Entry &a, const Entry &b) {
        return collator.compare(a.text, b.text) < 0;
    });
    for (const Entry &entry : qAsConst(entries)) {
        auto *item = new QListWidgetItem(entry.icon, entry.text, m_list);
        item->setData(execRole, entry.exec);
        item->setToolTip(withoutFieldCodes(entry.exec));
    }
}

QString OrlaMenuDialog::selectedItemExec(const QString &file, const QString &url, QStringList *files, QStringList *urls) const
{
    Q_UNUSED(file)
    Q_UNUSED(url)
    Q_UNUSED(files)
    Q_UNUSED(urls)
    const QListWidgetItem *item = m_list->currentItem();
    return item ? withoutFieldCodes(item->data(execRole).toString()) : QString();
}

QString OrlaMenuDialog::withoutFieldCodes(const QString &exec)
{
    static const QString codes = QStringLiteral("fFuUdDnNickvm");
    const QChar percent(QLatin1Char('%'));
    QStringList words;
    const QStringList parts = exec.split(QLatin1Char(' '));
    for (const QString &part : parts) {
        QString word;
        bool hadCode = false;
        for (int i = 0; i < part.size(); ++i) {
            if (part.at(i) == percent && i + 1 < part.size()) {
                const QChar next = part.at(i + 1);
                if (next == percent) {
                    word += percent;
                    ++i;
                    continue;
                }
                if (codes.contains(next)) {
                    hadCode = true;
                    ++i;
                    continue;
                }
            }
            word += part.at(i);
        }
        // A word that held nothing but a code, quoted or not, would become an empty argument.
        if (hadCode && (word.isEmpty() || word == QLatin1String("\"\"") || word == QLatin1String("''"))) {
            continue;
        }
        words << word;
    }
    return words.join(QLatin1Char(' ')).trimmed();
}
