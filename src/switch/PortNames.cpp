// Port names in the user defaults. Reading is forgiving (anything odd reads as "no name"),
// writing is not: a stored value of another shape was put there by hand and is never
// overwritten by a guess.
#include "switch/PortNames.h"

#include "switch/DefaultsStore.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

namespace {

// The names as stored, when the stored entry is one this class wrote.
std::optional<QJsonArray> storedList(const QJsonValue &all, const QString &serial)
{
    if (all.isUndefined())
        return QJsonArray();
    if (!all.isObject())
        return std::nullopt;
    const QJsonValue entry = all.toObject().value(serial);
    if (entry.isUndefined())
        return QJsonArray();
    if (!entry.isArray())
        return std::nullopt;
    const QJsonArray list = entry.toArray();
    for (const QJsonValue &v : list) {
        if (!v.isString())
            return std::nullopt;
    }
    return list;
}

} // namespace

PortNames::PortNames(DefaultsStore &defaults) : mDefaults(defaults) {}

QString PortNames::name(const QString &serial, int port) const
{
    if (port < 1 || port > kMaxPorts)
        return QString();
    const QJsonValue entry = mDefaults.objectForKey(kDefaultsKey).toObject().value(serial);
    return entry.toArray().at(port - 1).toString();
}

QStringList PortNames::names(const QString &serial) const
{
    QStringList result;
    for (int port = 1; port <= kMaxPorts; ++port)
        result << name(serial, port);
    return result;
}

QString PortNames::titled(const QString &title, const QString &serial, int port) const
{
    const QString n = name(serial, port);
    return n.isEmpty() ? title : title + QStringLiteral(" — ") + n;
}

QList<int> PortNames::portsNamed(const QString &serial, const QString &name) const
{
    QList<int> ports;
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return ports;
    for (int port = 1; port <= kMaxPorts; ++port) {
        if (this->name(serial, port).compare(wanted, Qt::CaseInsensitive) == 0)
            ports << port;
    }
    return ports;
}

std::optional<QString> PortNames::problemWithName(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.size() > kMaxNameLength)
        return tr("a port name has at most %1 characters").arg(kMaxNameLength);
    for (QChar c : trimmed) {
        // A name is shown in menus and terminals: nothing in it may break a line or steer
        // a terminal.
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return tr("a port name cannot hold control characters");
    }
    // "port 2" must keep meaning port 2, so a name may not read as a number.
    bool isNumber = false;
    trimmed.toInt(&isNumber);
    if (isNumber)
        return tr("a port name cannot be a number");
    return std::nullopt;
}

bool PortNames::setName(const QString &serial, int port, const QString &name)
{
    mError.clear();
    if (port < 1 || port > kMaxPorts) {
        mError = tr("there is no port %1").arg(port);
        return false;
    }
    if (const auto problem = problemWithName(name)) {
        mError = *problem;
        return false;
    }
    const QJsonValue all = mDefaults.objectForKey(kDefaultsKey);
    std::optional<QJsonArray> list = storedList(all, serial);
    if (!list) {
        mError = tr("the stored \"%1\" of %2 is not a list of names; correct or remove it in %3")
                     .arg(kDefaultsKey, serial, mDefaults.filePath());
        return false;
    }
    while (list->size() < port)
        list->append(QString());
    list->replace(port - 1, name.trimmed());
    // Trailing unnamed ports, and switches without names, leave nothing behind.
    while (!list->isEmpty() && list->last().toString().isEmpty())
        list->removeLast();

    QJsonObject object = all.toObject();
    if (list->isEmpty())
        object.remove(serial);
    else
        object.insert(serial, *list);
    const bool written = object.isEmpty() ? mDefaults.removeObjectForKey(kDefaultsKey)
                                          : mDefaults.setObjectForKey(kDefaultsKey, object);
    if (!written)
        mError = mDefaults.lastError();
    return written;
}
