// Alerts into the log; see LogAlertPresenter.h.
#include "LogAlertPresenter.h"

#include "AppLog.h"

int LogAlertPresenter::runAlert(const QString &title, const QString &message, const QString &,
                                const QString &alternateButton)
{
    // One line per alert, so that a journal keeps it whole.
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    qCWarning(tarvexApp).noquote() << title + QStringLiteral(": ") + line.simplified();
    return alternateButton.isEmpty() ? 1 : 0;
}

LogAlertPresenter &LogAlertPresenter::shared()
{
    static LogAlertPresenter presenter;
    return presenter;
}
