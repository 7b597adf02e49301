// The application object of tarvexcc. A tray program has no main window, so closing the
// last window (help, firmware, configuration) must never end it.
#pragma once

#include <QApplication>

class TarvexCCApp : public QApplication
{
    Q_OBJECT
public:
    TarvexCCApp(int &argc, char **argv);
};
