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
    return setNames({{serial, port, name}});
}

bool PortNames::setNames(const QList<Change> &changes)
{
    mError.clear();
    for (const Change &change : changes) {
        if (change.port < 1 || change.port > kMaxPorts) {
            mError = tr("there is no port %1").arg(change.port);
            return false;
        }
        if (const auto problem = problemWithName(change.name)) {
            mError = *problem;
            return false;
        }
    }
    // Runs on the value as the file holds it at the moment of the write, so it changes the
    // named ports only and takes nothing else from this program's possibly older copy.
    const QString file = mDefaults.filePath();
    const auto edit = [changes, file](QJsonValue &all, QString *problem) {
        QJsonObject object = all.toObject();
        for (const Change &change : changes) {
            const bool understood = all.isUndefined() || all.isObject();
            std::optional<QJsonArray> list = understood ? storedList(object, change.serial) : std::nullopt;
            if (!list) {
                *problem = tr("the stored \"%1\" of %2 is not a list of names; correct or remove it in %3")
                               .arg(kDefaultsKey, change.serial, file);
                return false;
            }
            while (list->size() < change.port)
                list->append(QString());
            list->replace(change.port - 1, change.name.trimmed());
            // Trailing unnamed ports, and switches without names, leave nothing behind.
            while (!list->isEmpty() && list->last().toString().isEmpty())
                list->removeLast();
            list->isEmpty() ? object.remove(change.serial) : (void)object.insert(change.serial, *list);
        }
        // Names are found without regard to case: "office" beside "Office" would name two
        // ports that no command could tell apart. Judged once all changes are made, so that
        // two ports may swap their names.
        for (const Change &change : changes) {
            const QJsonArray list = object.value(change.serial).toArray();
            const QString mine = change.name.trimmed();
            for (int other = 1; other <= list.size() && !mine.isEmpty(); ++other) {
                const QString theirs = list.at(other - 1).toString();
                if (other != change.port && theirs.compare(mine, Qt::CaseInsensitive) == 0) {
                    *problem = tr("port %1 is already named \"%2\"").arg(other).arg(theirs);
                    return false;
                }
            }
        }
        all = object.isEmpty() ? QJsonValue(QJsonValue::Undefined) : QJsonValue(object);
        return true;
    };
    const bool written = mDefaults.editObjectForKey(kDefaultsKey, edit);
    if (!written)
        mError = mDefaults.lastError();
    return written;
}
