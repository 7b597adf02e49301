// How tarvexctl shows a firmware transfer: a redrawn bar when stdout is a terminal, else one
// line per tenth so logs stay readable; the new version and the outcome text at the end.
#pragma once

#include "switch/FirmwareTransferObserver.h"

#include <QCoreApplication>
#include <QString>

class FirmwareProgressPrinter : public FirmwareTransferObserver
{
    Q_DECLARE_TR_FUNCTIONS(FirmwareProgressPrinter)

public:
    // `terminal`: draw the bar; `quiet`: print nothing (--json prints its own result).
    FirmwareProgressPrinter(bool terminal, bool quiet);

    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void showFirmwareVersion(const QString &version) override;
    void showOutcome(const FirmwareOutcome &outcome) override;

    QString version() const { return mVersion; }
    // The bar text for `value` of `maximum`, 40 cells wide ("[#####.....]  12 %  5/40").
    static QString bar(int value, int maximum);

private:
    void endBar();

    bool mTerminal;
    bool mQuiet;
    int mMaximum = 0;
    int mValue = 0;
    int mLastTenth = 0;
    bool mBarOpen = false;
    QString mVersion;
};
