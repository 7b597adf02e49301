// Replacing a settings file all or nothing. The new contents go to a new file beside the old
// one; only when every byte has reached it (each write checked, then fsync and close) is it
// renamed over the old one. On a full disk or any other failure the old file stays byte for
// byte and the new one is removed. (A buffered writer can report success for bytes that a
// full disk never took and then rename an empty file into place.) Used for the defaults file
// and the autostart entry.
#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

namespace AtomicFile {

// Writes `data` to `path` (to its final target when `path` is a symbolic link, which stays a
// link), the new file with `mode`. False with *error set ("No space left on device") when the
// old file was kept.
bool write(const QString &path, const QByteArray &data, mode_t mode, QString *error);

// The file a write to `path` replaces: `path` itself, or where its chain of symbolic links
// ends (also when that file does not exist yet).
QString finalPath(const QString &path);

// Removes the new files that writes to `path` left behind when they were killed before their
// rename. Only while a lock keeps every other writer of `path` out: a running write's file
// looks the same.
void removeLeftovers(const QString &path);

} // namespace AtomicFile
