// Says why a switch cannot be reached, without burying the user in boxes: a missing udev rule
// (no permission to open the device node) once per node, and another program holding the
// switch (a firmware upgrade in tarvexctl, say) once per refused burst, that is, until an
// exchange gets through again; and, of switches switched together, those that did not take a
// command (a mini asked for port 3), once until every switch takes one again.
#pragma once

#include <QObject>
#include <QSet>
#include <QString>

class SwitchAccessNotice : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void noPermission(const QString &device, const QString &serial);
    // `status` is a busy status of the switch protocol. The alert comes from the event loop:
    // a box opened inside the refused command would run the rest of the program (timers,
    // hot keys) in its own loop before that command has returned.
    void busy(int status);
    // An exchange got through: the next refusal starts a new burst.
    void reached() { mBusyTold = false; }
    // Why each of the switches addressed together did not take a command; empty when all
    // took it. Told from the event loop, as busy().
    void skipped(const QStringList &reasons);

private:
    QSet<QString> mPermissionWarned; // device nodes the user was already told about
    bool mBusyTold = false;
    QStringList mSkippedTold;
};
