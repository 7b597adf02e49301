// XDG autostart entry of tarvexcc; see AutostartEntry.h.
#include "AutostartEntry.h"

#include "switch/AtomicFile.h"
#include "switch/DefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

AutostartEntry::AutostartEntry(const QString &programPath)
    : mProgramPath(programPath), mPath(defaultPath())
{
}

QString AutostartEntry::defaultPath()
{
    return DefaultsStore::configHome() + QStringLiteral("/autostart/") +
           QGuiApplication::desktopFileName() + QStringLiteral(".desktop");
}

QString AutostartEntry::legacyPath()
{
    return DefaultsStore::configHome() + QStringLiteral("/autostart/tarvexcc.desktop");
}

QString AutostartEntry::quoteExecArgument(const QString &argument)
{
    // Field codes start with '%', so a literal one is doubled; reserved characters need
    // the argument quoted, and inside quotes ", `, $ and \ take a backslash.
    QString text = argument;
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = text.isEmpty();
    for (QChar c : text)
        needsQuotes = needsQuotes || reserved.contains(c);
    if (!needsQuotes)
        return text;
    QString quoted = QStringLiteral("\"");
    for (QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

QString AutostartEntry::programOfExecLine(const QString &execLine)
{
    QString program;
    const QString line = execLine.trimmed();
    int i = 0;
    if (line.startsWith(QLatin1Char('"'))) {
        for (i = 1; i < line.size() && line[i] != QLatin1Char('"'); ++i) {
            if (line[i] == QLatin1Char('\\') && i + 1 < line.size())
                ++i;
            program += line[i];
        }
    } else {
        for (; i < line.size() && !line[i].isSpace(); ++i)
            program += line[i];
    }
    program.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return program;
}

namespace {
// The Exec value of a desktop entry file, unescaped as the key-file format says; empty
// when the file cannot be read or has none.
QString execLineOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inDesktopEntry = false;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inDesktopEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inDesktopEntry || !line.startsWith(QLatin1String("Exec")))
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || line.left(equals).trimmed() != QLatin1String("Exec"))
            continue;
        QString value = line.mid(equals + 1).trimmed();
        value.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        return value;
    }
    return {};
}
} // namespace

bool AutostartEntry::startsThisProgram(const QString &path) const
{
    return QFileInfo::exists(path) && programOfExecLine(execLineOf(path)) == mProgramPath;
}

bool AutostartEntry::isInstalled() const
{
    return startsThisProgram(mPath) || startsThisProgram(legacyPath());
}

bool AutostartEntry::isLegacy() const
{
    return !startsThisProgram(mPath) && startsThisProgram(legacyPath());
}

bool AutostartEntry::install()
{
    mError.clear();
    const QString directory = QFileInfo(mPath).absolutePath();
    if (!QDir().mkpath(directory)) {
        mError = QStringLiteral("cannot create %1").arg(directory);
        return false;
    }
    QString exec = quoteExecArgument(mProgramPath);
    // Backslashes are escaped once more by the key-file format itself.
    exec.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    const QString contents = QStringLiteral("[Desktop Entry]\n"
                                            "Type=Application\n"
                                            "Name=Tarvex CC\n"
                                            "Comment=Control Tarvex video switches from the tray\n"
                                            "Exec=%1\n"
                                            "Icon=tarvexcc\n"
                                            "Terminal=false\n"
                                            "X-GNOME-Autostart-enabled=true\n"
                                            // At login the panel's tray may come up after
                                            // us; these ask the desktops to start it first.
                                            "X-GNOME-Autostart-Delay=2\n"
                                            "X-KDE-autostart-after=panel\n"
                                            "X-LXQt-Need-Tray=true\n")
                                 .arg(exec);
    // All or nothing: on a full disk the entry that is there (or none) stays as it was.
    QString error;
    if (!AtomicFile::write(mPath, contents.toUtf8(), 0644, &error)) {
        mError = QStringLiteral("cannot write %1: %2").arg(mPath, error);
        return false;
    }
    // Two entries would start two copies at login (the second only shows the first's menu).
    return removeIfOurs(legacyPath());
}

bool AutostartEntry::removeIfOurs(const QString &path)
{
    if (!startsThisProgram(path))
        return true;
    QFile file(path);
    if (!file.remove()) {
        mError = QStringLiteral("cannot remove %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool AutostartEntry::uninstall()
{
    mError.clear();
    const bool removed = removeIfOurs(mPath);
    return removeIfOurs(legacyPath()) && removed;
}
