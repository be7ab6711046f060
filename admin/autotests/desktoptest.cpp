/*
    SPDX-FileCopyrightText: 2026 The orla-admin-kiosk developers
    SPDX-License-Identifier: GPL-2.0-or-later
*/

#include "desktop/micdetect.h"
#include "desktop/orlahelpmenu.h"
#include "desktop/orlaicon.h"
#include "desktop/orlainit.h"

#include <KAboutData>

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <future>

namespace
{
const QColor baseColor(0, 0, 255);
const QColor emblemColor(255, 0, 0);

QIcon filledIcon(const QColor &color, int side = 256)
{
    QPixmap pixmap(side, side);
    pixmap.fill(color);
    return QIcon(pixmap);
}
}

class DesktopTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void initRegistersAboutData();
    void helpMenuAboutShowsDialog();
    void helpMenuDiesWithWindow();
    void emblemInCorner_data();
    void emblemInCorner();
    void emblemOnSmallIcon();
    void missingEmblemLeavesIcon();
    void integrityCheckWithoutAuthorisationService();

private:
    QTemporaryDir m_icons;
};

void DesktopTest::initTestCase()
{
    // An icon theme of one emblem, so the drawing can be checked pixel by pixel.
    QVERIFY(m_icons.isValid());
    const QString theme = m_icons.path() + QStringLiteral("/orlatest");
    QVERIFY(QDir().mkpath(theme + QStringLiteral("/48x48/emblems")));
    QImage emblem(48, 48, QImage::Format_ARGB32);
    emblem.fill(emblemColor);
    QVERIFY(emblem.save(theme + QStringLiteral("/48x48/emblems/test-emblem.png")));
    QFile index(theme + QStringLiteral("/index.theme"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write(
        "[Icon Theme]\nName=orlatest\nDirectories=48x48/emblems\n\n"
        "[48x48/emblems]\nSize=48\nMinSize=8\nMaxSize=512\nType=Scalable\n");
    index.close();
    QIcon::setThemeSearchPaths({m_icons.path()});
    QIcon::setThemeName(QStringLiteral("orlatest"));
    QVERIFY(QIcon::hasThemeIcon(QStringLiteral("test-emblem")));
}

void DesktopTest::initRegistersAboutData()
{
    orlaInit("1.6.0+ci51", "System Kiosk\nApplication to organize restricted environment");
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("orla-admin-kiosk"));
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("1.6.0+ci51"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("System Kiosk"));
    const KAboutData about = KAboutData::applicationData();
    QCOMPARE(about.displayName(), QStringLiteral("System Kiosk"));
    QCOMPARE(about.shortDescription(), QStringLiteral("Application to organize restricted environment"));
    QCOMPARE(about.version(), QStringLiteral("1.6.0+ci51"));
}

void DesktopTest::helpMenuAboutShowsDialog()
{
    QMainWindow window;
    auto *menu = new OrlaHelpMenu(&window);
    QAction *menuAction = window.menuBar()->addMenu(menu);
    QCOMPARE(window.menuBar()->actions().constLast(), menuAction);
    QVERIFY(menu->aboutAction());
    QVERIFY(menu->actions().contains(menu->aboutAction()));
    QVERIFY(menu->aboutAction()->text().contains(QStringLiteral("System Kiosk")));

    menu->aboutAction()->trigger();
    QDialog *about = nullptr;
    QTRY_VERIFY([&]() {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *widget : windows) {
            if (auto *dialog = qobject_cast<QDialog *>(widget); dialog && dialog->isVisible()) {
                about = dialog;
            }
        }
        return about != nullptr;
    }());
    about->close();
}

void DesktopTest::helpMenuDiesWithWindow()
{
    auto *window = new QMainWindow;
    QPointer<OrlaHelpMenu> menu = new OrlaHelpMenu(window);
    window->menuBar()->addMenu(menu);
    menu->aboutAction()->trigger();
    delete window;
    QVERIFY(menu.isNull());
    // The About dialog went with its window.
    QCoreApplication::processEvents();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *widget : windows) {
        QVERIFY(!qobject_cast<QDialog *>(widget) || !widget->isVisible());
    }
}

void DesktopTest::emblemInCorner_data()
{
    QTest::addColumn<int>("corner");
    QTest::addColumn<int>("size");
    for (int size : {16, 22, 32, 48, 64, 128}) {
        QTest::addRow("top left %d", size) << int(Qt::TopLeftCorner) << size;
        QTest::addRow("top right %d", size) << int(Qt::TopRightCorner) << size;
        QTest::addRow("bottom left %d", size) << int(Qt::BottomLeftCorner) << size;
        QTest::addRow("bottom right %d", size) << int(Qt::BottomRightCorner) << size;
    }
}

void DesktopTest::emblemInCorner()
{
    QFETCH(int, corner);
    QFETCH(int, size);

    const QIcon icon = OrlaIcon::withEmblems(filledIcon(baseColor), {Qt::Corner(corner), QStringLiteral("test-emblem")});
    const QImage image = icon.pixmap(size, size).toImage();
    QCOMPARE(image.size(), QSize(size, size));

    const int near = 1;
    const int far = size - 2;
    const QPoint corners[] = {{near, near}, {far, near}, {near, far}, {far, far}};
    const Qt::Corner names[] = {Qt::TopLeftCorner, Qt::TopRightCorner, Qt::BottomLeftCorner, Qt::BottomRightCorner};
    for (int i = 0; i < 4; ++i) {
        const QColor expected = names[i] == Qt::Corner(corner) ? emblemColor : baseColor;
        QCOMPARE(image.pixelColor(corners[i]), expected);
    }
    // The emblem covers its quarter of the icon, no more.
    int emblemPixels = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            emblemPixels += image.pixelColor(x, y) == emblemColor ? 1 : 0;
        }
    }
    QCOMPARE(emblemPixels, (size / 2) * (size / 2));
}

// Asked bigger than it is, the icon stays at its size, and so does the place of the emblem.
void DesktopTest::emblemOnSmallIcon()
{
    const QIcon icon = OrlaIcon::withEmblems(filledIcon(baseColor, 32), {Qt::BottomRightCorner, QStringLiteral("test-emblem")});
    const QImage image = icon.pixmap(64, 64).toImage();
    QCOMPARE(image.pixelColor(17, 17), baseColor);
    QCOMPARE(image.pixelColor(46, 46), emblemColor);
    QCOMPARE(image.pixelColor(33, 33), emblemColor);
    QCOMPARE(image.pixelColor(31, 31), baseColor);
    QCOMPARE(image.pixelColor(60, 60).alpha(), 0);
}

void DesktopTest::missingEmblemLeavesIcon()
{
    const QIcon base = filledIcon(baseColor);
    const QIcon icon = OrlaIcon::withEmblems(base, {Qt::BottomRightCorner, QStringLiteral("no-such-emblem")});
    QCOMPARE(icon.pixmap(32, 32).toImage(), base.pixmap(32, 32).toImage());
    QVERIFY(OrlaIcon::withEmblems(QIcon(), {Qt::BottomRightCorner, QStringLiteral("test-emblem")}).isNull());
}

void DesktopTest::integrityCheckWithoutAuthorisationService()
{
    // Set before anything in this process touches the system bus. Asked on a
    // thread of its own: waiting on the bus fails the bound, however slow the machine.
    auto answer = std::async(std::launch::async, &MICDetect::isCurrentProcessHasMaxMIC);
    QCOMPARE(answer.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    QVERIFY(!answer.get());
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/orla-test-no-bus");
    QApplication application(argc, argv);
    DesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "desktoptest.moc"
