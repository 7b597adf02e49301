// A hot key target that records which actions arrived with which sender.
#pragma once

#include <QObject>

class RecordingTarget : public QObject
{
    Q_OBJECT
public:
    QList<QPair<QString, QObject *>> calls;

    Q_INVOKABLE void switchToPort1(QObject *sender) { calls.append({QStringLiteral("switchToPort1"), sender}); }
    Q_INVOKABLE void rotate(QObject *sender) { calls.append({QStringLiteral("rotate"), sender}); }
};
