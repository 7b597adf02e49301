// The yardstick for tarvexcc's start-up cost: the least a Qt 6 tray program can be (an
// application object, a tray icon and a seven-item menu). scripts/bench runs it beside
// tarvexcc and prints tarvexcc's figures against it; it is never installed.
#include <QApplication>
#include <QColor>
#include <QDateTime>
#include <QElapsedTimer>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    QMenu menu;
    for (const char *title :
         {"Port 1", "Port 2", "Port 3", "Port 4", "Rotate", "Preferences…", "Quit"})
        menu.addAction(QString::fromUtf8(title));
    QObject::connect(menu.actions().constLast(), &QAction::triggered, &app, &QApplication::quit);

    QPixmap pixmap(22, 22);
    pixmap.fill(QColor(0x30, 0x60, 0xa0));
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.setContextMenu(&menu);
    tray.show();

    // The same ready line as tarvexcc's, queued behind the icon's set-up in the same way.
    QTimer::singleShot(0, &app, [&sinceMain] {
        std::fprintf(stderr, "menu ready %lld ms after main, at %lld\n",
                     static_cast<long long>(sinceMain.elapsed()),
                     static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        std::fflush(stderr);
    });
    return app.exec();
}
