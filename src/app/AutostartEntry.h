// The login item on a freedesktop desktop: $XDG_CONFIG_HOME/autostart/<application id>.desktop,
// named like the installed desktop entry. Earlier versions wrote tarvexcc.desktop; an entry
// of ours under that name counts as installed and is replaced, never duplicated.
// The program's path in its Exec line is the entry's identity, so an entry that starts
// another copy of the program (or anything else) is never removed by this one.
#pragma once

#include <QString>

class AutostartEntry
{
public:
    // programPath: the file the entry starts (normally the running executable).
    explicit AutostartEntry(const QString &programPath);

    // $XDG_CONFIG_HOME (or ~/.config) + /autostart/ + the application's desktop file name.
    static QString defaultPath();
    // Where earlier versions put the entry.
    static QString legacyPath();
    QString path() const { return mPath; }

    // True when an entry under either name starts this program.
    bool isInstalled() const;
    // True when only the old name starts this program: install() moves it to the new one,
    // which also carries the keys that let the tray host start first.
    bool isLegacy() const;
    // Writes the entry atomically, then removes ours under the old name. False with
    // errorString() set on failure (a full disk); the file is then as it was before.
    bool install();
    // Removes the entries that start this program; an entry of another program stays.
    // Returns false with errorString() set only when an entry of ours could not be removed.
    bool uninstall();

    QString errorString() const { return mError; }

    // Exec-line quoting and parsing of the desktop entry format.
    static QString quoteExecArgument(const QString &argument);
    static QString programOfExecLine(const QString &execLine);

private:
    bool startsThisProgram(const QString &path) const;
    bool removeIfOurs(const QString &path);

    QString mProgramPath;
    QString mPath;
    QString mError;
};
