// The application object; see TarvexCCApp.h.
#include "TarvexCCApp.h"

#include "TarvexVersion.h"

TarvexCCApp::TarvexCCApp(int &argc, char **argv) : QApplication(argc, argv)
{
    // Qt answers a tray host with this name, read whenever it asks, as both the tray item's Id
    // and Title, and makes it the X11 window class: "Tarvex CC" here would title the item but
    // also change the class that window rules and task bars match. Titles take the display name.
    setApplicationName(QStringLiteral("tarvexcc"));
    setApplicationDisplayName(QStringLiteral("Tarvex CC"));
    setApplicationVersion(QStringLiteral(TARVEX_VERSION));
    setOrganizationName(QStringLiteral("TarvexCC"));
    // The application id: the desktop, its portal and the autostart entry know us by the
    // installed desktop entry's name.
    setDesktopFileName(QStringLiteral("cc.tarvex.TarvexCC"));
    setQuitOnLastWindowClosed(false);
}
