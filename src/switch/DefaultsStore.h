// The user defaults of both programs: one JSON document at
// $XDG_CONFIG_HOME/TarvexCC/defaults.json (fallback ~/.config), read once, written
// atomically. Numbers stay numbers, dictionaries stay objects. Also holds the initial
// values of the "defaults controller": reads through valueForKey() see them until a
// value is stored.
#pragma once

#include <QJsonObject>
#include <QJsonValue>
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

    // Stores and writes through at once (atomically). False, with lastError() set and the
    // in-memory value kept, when the file could not be written.
    bool setObjectForKey(const QString &key, const QJsonValue &value);
    bool removeObjectForKey(const QString &key);
    // Writes the document if anything changed since the last successful write.
    bool synchronize();

    // The defaults controller: initial values seen by valueForKey() until a value is stored.
    void setInitialValues(const QJsonObject &values);
    QJsonValue valueForKey(const QString &key) const;

    QString lastError() const { return mLastError; }

private:
    void load();
    bool write();
    bool moveBadFileAside();

    QString mPath;
    QJsonObject mValues;
    QJsonObject mInitialValues;
    bool mDirty = false;
    bool mFileWasBad = false; // empty or corrupt on load: keep it aside before the first write
    QString mLastError;
};
