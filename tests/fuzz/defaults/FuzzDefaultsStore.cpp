// Fuzzes the defaults reader: any bytes as defaults.json. Whatever the file holds, the store
// must not crash, must show exactly the object a valid file holds, and must never lose the
// user's file: a write after a bad file keeps the original bytes as defaults.json.bad, and
// what was written reads back the same.
#include "switch/DefaultsStore.h"
#include "../FuzzScratchDir.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Every key of `object` but `except` reads back from `store` unchanged.
void checkHolds(DefaultsStore &store, const QJsonObject &object, const QString &except = {})
{
    for (auto it = object.begin(); it != object.end(); ++it)
        check(it.key() == except || store.objectForKey(it.key()) == it.value());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzscratch::dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = QString::fromStdString(fuzzscratch::dir()) + QStringLiteral("/defaults.json");
    QFile::remove(path + QStringLiteral(".bad"));
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(input) == input.size());
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(input, &error);
    const bool valid = error.error == QJsonParseError::NoError && doc.isObject();

    DefaultsStore store(path);
    if (valid)
        checkHolds(store, doc.object());
    // Reading the keys of whatever was loaded, the way the programs do.
    store.stringForKey(QStringLiteral("Selected Switch"));
    store.valueForKey(QStringLiteral("Time Interval"));
    store.objectForKey(QStringLiteral("Port 1"));

    check(store.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00001001")));
    if (!valid) { // the unreadable file is kept aside byte for byte
        QFile bad(path + QStringLiteral(".bad"));
        check(bad.open(QIODevice::ReadOnly) && bad.readAll() == input);
    }
    DefaultsStore reread(path);
    check(reread.stringForKey(QStringLiteral("Selected Switch")) == QStringLiteral("00001001"));
    if (valid)
        checkHolds(reread, doc.object(), QStringLiteral("Selected Switch"));
    return 0;
}
