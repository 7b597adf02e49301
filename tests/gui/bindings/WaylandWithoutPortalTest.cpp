// tarvexcc in a session that says Wayland where no global shortcuts portal answers (there is
// no session bus at all): the session's real choice of hot-key service, as the user sees it.
#include "PreferencesWindowController.h"
#include "TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

class WaylandWithoutPortalTest : public QObject
{
    Q_OBJECT

private slots:
    void preferencesSayWhyHotKeysAreUnavailable()
    {
        AppHarness h;
        h.install();
        h.setUp();
        storeDefault(QStringLiteral("Port 1"), QJsonObject{{"keyCode", 18}, {"modifiers", 0x300}});
        h.launch();
        h.app->configureHotkeys(nullptr);
        PreferencesWindowController &prefs = h.app->preferences();
        QVERIFY(prefs.hotkeyNotice()->isVisibleTo(prefs.window()));
        QVERIFY2(prefs.hotkeyNotice()->text().contains(QStringLiteral("global hot keys are not available")),
                 qPrintable(prefs.hotkeyNotice()->text()));
        QVERIFY2(prefs.hotkeyField(1)->text().contains(QStringLiteral(" — not active: ")),
                 qPrintable(prefs.hotkeyField(1)->text()));
        h.tearDown();
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_SESSION_TYPE", "wayland");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("DISPLAY"); // nor may the bus library start one for this display
    privateConfigHome();
    QApplication app(argc, argv);
    WaylandWithoutPortalTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WaylandWithoutPortalTest.moc"
