// A private X server for one test program: Xvfb on a display number it picks itself, stopped
// again with this object. Tests skip when Xvfb is not installed.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

class XvfbDisplay
{
public:
    XvfbDisplay(); // starts the server and waits until it takes clients
    ~XvfbDisplay();

    // ":N", or empty when the server did not come up.
    QString display() const { return mDisplay; }
    // What a client of this server needs: DISPLAY, and the xcb platform for Qt programs.
    QProcessEnvironment clientEnvironment() const;

private:
    QProcess mServer;
    QString mDisplay;
};
