// Follows the defaults file while a program runs: a change made by another program (tarvexctl
// naming a port or selecting a switch), by hand or by a sync tool is taken into the store
// shortly after it lands, and announced, so that what the program shows follows. Our own
// writes are no news (the store already holds what they wrote), a burst of events (an editor's
// save, an atomic rename) is one change, and a setting this program changed but could not
// write yet stays as it is.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class DefaultsStore;
class QFileSystemWatcher;
class QTimer;

class DefaultsWatcher : public QObject
{
    Q_OBJECT
public:
    // Events closer together than this are one change; well under the second within which a
    // change should show.
    static constexpr int kDefaultSettleMs = 150;

    explicit DefaultsWatcher(DefaultsStore &store, QObject *parent = nullptr);
    ~DefaultsWatcher() override;

    void setSettleMs(int milliseconds);

signals:
    // The store took in a change of the file; `keys` are the settings whose values changed.
    void changed(const QStringList &keys);

private:
    void watch();
    void takeChange();

    DefaultsStore &mStore;
    QFileSystemWatcher *mWatcher;
    QTimer *mSettle;
};
