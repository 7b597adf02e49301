// The application object; see TarvexCCApp.h.
#include "TarvexCCApp.h"

#include "TarvexVersion.h"

TarvexCCApp::TarvexCCApp(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("tarvexcc"));
    setApplicationDisplayName(QStringLiteral("Tarvex CC"));
    setApplicationVersion(QStringLiteral(TARVEX_VERSION));
    setOrganizationName(QStringLiteral("TarvexCC"));
    setDesktopFileName(QStringLiteral("tarvexcc"));
    setQuitOnLastWindowClosed(false);
}
