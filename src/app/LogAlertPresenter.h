// The alerts of a program that is on its way out (a quit or a signal is pending): nobody may
// be at the screen to answer a box, so each alert becomes a line in the log and is answered
// with the choice that starts nothing new.
#pragma once

#include "AlertPresenter.h"

class LogAlertPresenter : public AlertPresenter
{
public:
    // An informational alert is answered with its one button (1), a question with its
    // alternate one (0): an offer is declined rather than started unattended.
    int runAlert(const QString &title, const QString &message, const QString &defaultButton,
                 const QString &alternateButton) override;

    // The presenter installed from the moment a quit is pending until the process ends.
    static LogAlertPresenter &shared();
};
