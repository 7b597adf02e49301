// The user defaults of both programs: one JSON document at
// $XDG_CONFIG_HOME/TarvexCC/defaults.json (fallback ~/.config), read at start, written
// atomically. Numbers stay numbers, dictionaries stay objects. Also holds the initial
// values of the "defaults controller": reads through valueForKey() see them until a
// value is stored.
// The tray application and tarvexctl share the file, so a write never puts back a stale
// copy: under a lock on the file's directory it re-reads the file, replays the changes this
// store made since its last successful write (a whole key, or one part of a value such as
// one port's name: editObjectForKey) and keeps everything else as the file has it then. The
// merged document also becomes this store's view, so what another program changed shows
// here from the next write on.
// Only a regular file of at most 1 MiB is read, and none larger is ever written. A larger or
// unreadable one is handled like a damaged one (warned about once, its contents kept as .bad
// at the first write; a symbolic link stays a link); anything that is not a regular file (a
// FIFO, a link to a device) is warned about once and left where it is, and so is a file the
// user made read-only: the settings then live in memory only. A failed write (a full disk)
// leaves the file as it was and keeps the settings in memory, so a later write can still
// succeed.
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

class DefaultsStore
{
public:
    // The store every part of a program shares; its file is found from the environment
    // the first time it is asked for.
    static DefaultsStore &standard();
    // Where standard() keeps its file: $XDG_CONFIG_HOME/TarvexCC/defaults.json, or
    // ~/.config/TarvexCC/defaults.json when XDG_CONFIG_HOME is unset, empty or relative.
    static QString standardFilePath();
    // $XDG_CONFIG_HOME, or ~/.config when it is unset, empty or relative; the autostart
    // entry lives under it too.
    static QString configHome();
    // A store on an explicit file (tests).
    explicit DefaultsStore(const QString &filePath);

    QString filePath() const { return mPath; }

    // The stored value, or an undefined QJsonValue when absent. Initial values are not seen.
    QJsonValue objectForKey(const QString &key) const;
    // Convenience readers; fall back when absent or of another type.
    QString stringForKey(const QString &key) const;

    // Stores and writes through at once (atomically, merged as above). False, with lastError() set and the
    // in-memory value kept, when the file could not be written; the file then holds what it
    // held before, byte for byte.
    bool setObjectForKey(const QString &key, const QJsonValue &value);
    bool removeObjectForKey(const QString &key);
    // Changes a part of the value of `key`: `edit` gets the value (undefined when absent; set
    // it undefined to remove the key) and changes only what it means to. It runs on this
    // store's view first, then again under the lock on the value as the file holds it then,
    // so that another program's change to another part survives. An edit that returns false
    // with *problem set leaves the value alone; this returns false with lastError() the
    // problem. Written through at once like setObjectForKey().
    using Edit = std::function<bool(QJsonValue &value, QString *problem)>;
    bool editObjectForKey(const QString &key, const Edit &edit);
    // Writes the changes made since the last successful write, if any.
    bool synchronize();
    // Takes in what the file holds now (another program changed it), keeping this store's
    // own changes that are not written yet. Returns the keys whose values changed here; none
    // when the file could not be read or holds what this store already has.
    QStringList reload();

    // The defaults controller: initial values seen by valueForKey() until a value is stored.
    void setInitialValues(const QJsonObject &values);
    QJsonValue valueForKey(const QString &key) const;

    // Why the last write failed ("cannot save the defaults to …: No space left on device"),
    // empty after a successful one.
    QString lastError() const { return mLastError; }
    // Whether the last write's failure is news: true for the first failure after a success
    // (or a different failure), false when the same one repeats. Callers tell the user only
    // then, so a full disk is reported once and not at every change.
    bool failureIsNew() const { return mFailureIsNew; }

private:
    void load();
    bool write();
    bool moveBadFileAside(QString *error);
    QJsonObject withOwnChanges(QJsonObject base, QString *problem);

    QString mPath;
    QJsonObject mValues;
    QJsonObject mInitialValues;
    QList<std::pair<QString, Edit>> mPending; // made here since the last successful write, in order
    bool mFailureIsNew = false;
    QString mLastError;
};
