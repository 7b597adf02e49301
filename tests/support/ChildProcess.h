// Runs one of the programs (or a tool) as a child process and collects what it said. The
// child gets a UTF-8 locale and, unless the caller names one, a private settings directory,
// so neither the machine's locale nor the user's stored selection steers it.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class ChildProcess
{
public:
    struct Result {
        int exitCode = -1; // -1 also when it crashed or never finished
        QString out, err;
    };

    // Waits for the child's end however long it takes (a hang is for CTest's time-out to end).
    static Result run(const QString &program, const QStringList &arguments,
                      const QProcessEnvironment &extra = {});
};
