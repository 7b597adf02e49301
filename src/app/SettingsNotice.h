// Tells the user that a setting could not be written, once per failure: a full disk fails
// every later write too, and a box for each would bury the user. A failure the defaults store
// calls new is an alert (which reaches only the log once a quit is pending, see
// LogAlertPresenter); its repetitions are not told again. The setting itself stays in
// memory, so a later write can still save it.
#pragma once

#include <QString>

class DefaultsStore;

class SettingsNotice
{
public:
    // After a write to `defaults` failed; `message` says which setting and why.
    static void tell(const DefaultsStore &defaults, const QString &message);
};
