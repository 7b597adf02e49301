// Showing a window in front of the user; see WindowPlacement.h.
#include "WindowPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void centerAndShow(QWidget *window)
{
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    // The designed size, but never smaller than the contents need (long translations).
    window->resize(window->size().expandedTo(window->minimumSizeHint()));
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
    window->show();
    window->raise();
    window->activateWindow();
}
