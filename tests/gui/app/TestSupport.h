// Shared pieces of the tray application's tests: an alert presenter that records and
// answers the default button, a private settings directory, and the port selects a
// simulated switch received.
#pragma once

#include "AlertPresenter.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>


class ScriptedAlertPresenter : public AlertPresenter
{
public:
    struct Alert {
        QString title, message, defaultButton, alternateButton;
    };
    QList<Alert> alerts;

    int runAlert(const QString &title, const QString &message, const QString &defaultButton,
                 const QString &alternateButton) override
    {
        alerts.append({title, message, defaultButton, alternateButton});
        return 1;
    }
};

// Settings and autostart entries of the tests go to a directory of their own, set before
// anything reads the environment.
inline QTemporaryDir &privateConfigHome()
{
    static QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    return dir;
}

// The port-select reports (09 03 0B m u) in a switch's log, as {machine, usb} pairs.
template <typename Log>
QList<QPair<int, int>> portSelects(const Log &log)
{
    QList<QPair<int, int>> selects;
    for (const auto &report : log) {
        if (report.interfaceIndex == 1 && report.bytes[0] == 0x09 && report.bytes[1] == 0x03 &&
            report.bytes[2] == 0x0B)
            selects.append({report.bytes[3], report.bytes[4]});
    }
    return selects;
}
