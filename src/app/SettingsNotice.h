// Tells the user that a setting could not be written, once: a full disk fails every later
// write too, and a box for each would bury the user. The first failure is an alert (which
// only reaches the log once a quit is pending, see LogAlertPresenter); later ones go to the
// log alone. The setting itself stays in memory, so a later write can still save it.
#pragma once

#include <QString>

class SettingsNotice
{
public:
    // `message` says which setting could not be saved and why.
    static void tell(const QString &message);
    // Lets the next failure be told again (tests).
    static void reset();
};
