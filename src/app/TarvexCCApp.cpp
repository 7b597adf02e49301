// The application object; see TarvexCCApp.h.
#include "TarvexCCApp.h"

#include "TarvexVersion.h"

TarvexCCApp::TarvexCCApp(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("tarvexcc"));
    setApplicationDisplayName(QStringLiteral("Tarvex CC"));
    setApplicationVersion(QStringLiteral(TARVEX_VERSION));
    setOrganizationName(QStringLiteral("TarvexCC"));
    // The application id: the desktop, its portal and the autostart entry know us by the
    // installed desktop entry's name.
    setDesktopFileName(QStringLiteral("cc.tarvex.TarvexCC"));
    setQuitOnLastWindowClosed(false);
}
