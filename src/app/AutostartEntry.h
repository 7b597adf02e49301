// The login item on a freedesktop desktop: $XDG_CONFIG_HOME/autostart/tarvexcc.desktop.
// The program's path in its Exec line is the entry's identity, so an entry that starts
// another copy of the program (or anything else) is never removed by this one.
#pragma once

#include <QString>

class AutostartEntry
{
public:
    // programPath: the file the entry starts (normally the running executable).
    explicit AutostartEntry(const QString &programPath);

    static QString defaultPath(); // $XDG_CONFIG_HOME (or ~/.config) + /autostart/tarvexcc.desktop
    QString path() const { return mPath; }
    void setPath(const QString &path) { mPath = path; }

    // True when the entry exists and starts this program.
    bool isInstalled() const;
    // Writes the entry atomically. False with errorString() set on failure (a full disk);
    // the file is then as it was before.
    bool install();
    // Removes the entry if it starts this program; an entry of another program stays.
    // Returns false with errorString() set only when our entry could not be removed.
    bool uninstall();

    QString errorString() const { return mError; }

    // Exec-line quoting and parsing of the desktop entry format.
    static QString quoteExecArgument(const QString &argument);
    static QString programOfExecLine(const QString &execLine);

private:
    QString mProgramPath;
    QString mPath;
    QString mError;
};
