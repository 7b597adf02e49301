// Stress helper, a second program on the defaults file. With FILE alone it saves settings
// through DefaultsStore over and over until it is killed, as the tray application saves hot
// keys and selection, and prints "ready" once its first write is on disk. With FILE SERIAL
// PORT NAME it reads the file, prints "ready", waits for a line on stdin and then names the
// port, as tarvexctl name does with the copy it read at its start.
#include "switch/DefaultsStore.h"
#include "switch/PortNames.h"

#include <QJsonObject>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 5)
        return 2;
    DefaultsStore store(QString::fromLocal8Bit(argv[1]));
    if (argc == 5) {
        std::printf("ready\n"), std::fflush(stdout);
        char go[8];
        PortNames names(store);
        if (!std::fgets(go, sizeof go, stdin) || !names.setName(argv[2], std::atoi(argv[3]), argv[4]))
            return std::fprintf(stderr, "writer: %s\n", qPrintable(names.error())), 1;
        return 0;
    }
    const QString padding(4096, QLatin1Char('x')); // every write spans several blocks
    for (qint64 n = 0;; ++n) {
        if (!store.setObjectForKey(QStringLiteral("Counter"), double(n))
            || !store.setObjectForKey(QStringLiteral("Port 1"), QJsonObject{{QStringLiteral("keyCode"), double(n % 128)},
                                                                          {QStringLiteral("modifiers"), 256}})
            || !store.setObjectForKey(QStringLiteral("Padding"), padding + QString::number(n)))
            return std::fprintf(stderr, "writer: %s\n", qPrintable(store.lastError())), 1;
        if (n == 0)
            std::printf("ready\n"), std::fflush(stdout);
    }
}
