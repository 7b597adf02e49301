// Stress helper: writes settings through DefaultsStore over and over until it is killed,
// the way the tray application saves its hot keys and selection. Prints "ready" once its
// first write is on disk. Usage: tarvex_defaults_writer FILE
#include "switch/DefaultsStore.h"

#include <QJsonObject>
#include <QString>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    DefaultsStore store(QString::fromLocal8Bit(argv[1]));
    // A long value makes every write span several blocks, so a kill can land mid-write.
    const QString padding(4096, QLatin1Char('x'));
    for (qint64 n = 0;; ++n) {
        bool ok = store.setObjectForKey(QStringLiteral("Counter"), double(n));
        ok = ok && store.setObjectForKey(QStringLiteral("Port 1"),
                                         QJsonObject{{QStringLiteral("keyCode"), double(n % 128)},
                                                     {QStringLiteral("modifiers"), 256}});
        ok = ok && store.setObjectForKey(QStringLiteral("Padding"), padding + QString::number(n));
        if (!ok) {
            std::fprintf(stderr, "writer: %s\n", qPrintable(store.lastError()));
            return 1;
        }
        if (n == 0) {
            std::printf("ready\n");
            std::fflush(stdout);
        }
    }
}
