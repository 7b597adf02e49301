// Qt's xcb connection. The offscreen platform also answers as X11 with a null connection, so
// the platform name is checked before anything else.
#include "PTHotKeys/x11/QtXcbConnection.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

xcb_connection_t *qtXcbConnection()
{
    // Asked from a QtCore-only program too: qGuiApp would cast its QCoreApplication blindly.
    auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!gui || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = gui->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t qtXcbRootWindow(xcb_connection_t *connection)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    return it.rem ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
}
