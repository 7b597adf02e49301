// Fuzzes the defaults reader: any bytes as defaults.json. Whatever the file holds, the store
// must not crash, must show exactly the object a valid file holds, and must never lose the
// user's file: a write after a bad file keeps the original bytes as defaults.json.bad, and
// what was written reads back the same.
#include "switch/DefaultsStore.h"
#include "../FuzzScratchDir.h"

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzscratch::dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString dir = QString::fromStdString(fuzzscratch::dir());
    const QString path = dir + QStringLiteral("/defaults.json");
    std::error_code ec;
    std::filesystem::remove(path.toStdString(), ec);
    std::filesystem::remove(path.toStdString() + ".bad", ec);

    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly));
        check(file.write(input) == input.size());
    }

    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(input, &error);
    const bool valid = error.error == QJsonParseError::NoError && doc.isObject();

    DefaultsStore store(path);
    if (valid) {
        const QJsonObject object = doc.object();
        for (auto it = object.begin(); it != object.end(); ++it)
            check(store.objectForKey(it.key()) == it.value());
    }
    // Reading every key of whatever was loaded, the way the programs do.
    store.stringForKey(QStringLiteral("Selected Switch"));
    store.valueForKey(QStringLiteral("Time Interval"));
    store.objectForKey(QStringLiteral("Port 1"));

    check(store.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00001001")));
    if (!valid) // the unreadable file is kept aside byte for byte
        check(readAll(path + QStringLiteral(".bad")) == input);

    DefaultsStore reread(path);
    check(reread.stringForKey(QStringLiteral("Selected Switch")) == QStringLiteral("00001001"));
    if (valid) {
        const QJsonObject object = doc.object();
        for (auto it = object.begin(); it != object.end(); ++it)
            if (it.key() != QStringLiteral("Selected Switch"))
                check(reread.objectForKey(it.key()) == it.value());
    }
    return 0;
}
