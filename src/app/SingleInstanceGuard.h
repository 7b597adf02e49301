// One tarvexcc per user session: two would grab the same hot keys and talk to the same
// switches at once. The first instance listens on a local socket named after the user and
// the display; a later one asks it to show its menu and then leaves.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstanceGuard : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstanceGuard(QObject *parent = nullptr);
    ~SingleInstanceGuard() override;

    enum class Outcome {
        First,           // this process is the instance; it now listens
        OtherNotified,   // another instance runs and was asked to show its menu
        OtherUnreachable // another instance holds the name but did not answer
    };

    Outcome claim();

    // The socket path for this user and session.
    static QString serverName();

signals:
    void showMenuRequested();

private:
    bool notifyRunningInstance();
    void acceptConnection();

    QLocalServer *mServer = nullptr;
};
