// tarvexctl's firmware progress; see FirmwareProgressPrinter.h.
#include "cli/FirmwareProgressPrinter.h"

#include <cstdio>

FirmwareProgressPrinter::FirmwareProgressPrinter(bool terminal, bool quiet)
    : mTerminal(terminal)
    , mQuiet(quiet)
{
}

QString FirmwareProgressPrinter::bar(int value, int maximum)
{
    constexpr int kCells = 40;
    const int percent = maximum > 0 ? int(qint64(value) * 100 / maximum) : 100;
    const int filled = maximum > 0 ? int(qint64(value) * kCells / maximum) : kCells;
    return QStringLiteral("[") + QString(filled, QLatin1Char('#')) + QString(kCells - filled, QLatin1Char('.'))
        + QStringLiteral("] %1 %  %2/%3").arg(percent, 3).arg(value).arg(maximum);
}

void FirmwareProgressPrinter::setProgressMaximum(int maximum)
{
    mMaximum = maximum;
    mLastTenth = 0;
}

void FirmwareProgressPrinter::setProgressValue(int value)
{
    const bool reset = value == 0 && mValue > 0;
    mValue = value;
    if (mQuiet || reset || value == 0)
        return;
    if (mTerminal) {
        std::fprintf(stdout, "\r%s", qPrintable(bar(value, mMaximum)));
        std::fflush(stdout);
        mBarOpen = true;
        return;
    }
    const int tenth = mMaximum > 0 ? int(qint64(value) * 10 / mMaximum) : 10;
    if (tenth > mLastTenth) {
        mLastTenth = tenth;
        std::fputs(qPrintable(tr("firmware: %1 % written (%2 of %3 lines)")
                                  .arg(QString::number(tenth * 10), QString::number(value),
                                       QString::number(mMaximum)) +
                              QLatin1Char('\n')),
                   stdout);
        std::fflush(stdout);
    }
}

void FirmwareProgressPrinter::endBar()
{
    if (mBarOpen) {
        std::fputc('\n', stdout);
        std::fflush(stdout);
        mBarOpen = false;
    }
}

void FirmwareProgressPrinter::showFirmwareVersion(const QString &version)
{
    mVersion = version;
    endBar();
}

void FirmwareProgressPrinter::showOutcome(const FirmwareOutcome &outcome)
{
    Q_UNUSED(outcome); // the command prints the outcome itself, also for silent refusals
    endBar();
}
