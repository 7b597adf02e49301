// Stress helper: saves settings through DefaultsStore over and over until it is killed, as
// the tray application saves hot keys and selection; prints "ready" once its first write is
// on disk. Usage: tarvex_defaults_writer FILE
#include "switch/DefaultsStore.h"

#include <QJsonObject>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    DefaultsStore store(QString::fromLocal8Bit(argv[1]));
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
