// A private X server for one test program: Xvfb on a display number it picks itself, stopped
// again with this object. Tests check available() first and skip without Xvfb.
#pragma once

#include <QProcess>
#include <QString>

class XvfbDisplay
{
public:
    XvfbDisplay(); // starts the server and waits until it takes clients
    ~XvfbDisplay();

    static bool available();
    // ":N", or empty when the server did not come up.
    QString display() const { return mDisplay; }
    // The environment of a client of this server: DISPLAY set, the xcb platform chosen.
    QProcessEnvironment clientEnvironment() const;

private:
    QProcess mServer;
    QString mDisplay;
};
