// The user defaults of both programs: one JSON document at
// $XDG_CONFIG_HOME/TarvexCC/defaults.json (fallback ~/.config), read at start, written
// atomically. Numbers stay numbers, dictionaries stay objects. Also holds the initial
// values of the "defaults controller": reads through valueForKey() see them until a
// value is stored.
// The tray application and tarvexctl share the file, so a write never puts back a stale
// copy: it re-reads the file, applies only the keys this store set or removed since its
// last successful write, and keeps every other key as the file has it then. The merged
// document also becomes this store's view, so keys another program changed show here from
// the next write on.
// Only a regular file of at most 1 MiB is read. A larger or unreadable one is handled like
// a damaged one (warned about once, kept as .bad at the first write); anything that is not a
// regular file (a FIFO, a link to a device) is warned about once and left where it is: the
// settings then live in memory only. A failed write (a full disk) leaves the file as it was
// and keeps the settings in memory, so a later write can still succeed.
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QSet>
#include <QString>

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
    // Writes the keys set or removed since the last successful write, if any.
    bool synchronize();

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
    QJsonObject withOwnChanges(QJsonObject base) const;
    bool moveBadFileAside(QString *error);

    QString mPath;
    QJsonObject mValues;
    QJsonObject mInitialValues;
    QSet<QString> mChanged; // set or removed here since the last successful write
    bool mFailureIsNew = false;
    QString mLastError;
};
