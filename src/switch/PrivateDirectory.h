// Directories that belong to the user alone (mode 0700): where the defaults and the switch
// locks live. QDir::mkpath would leave them readable by everyone under a usual umask.
#pragma once

#include <QString>

namespace PrivateDirectory {

// Creates every missing directory of `path` with mode 0700. False with *error set when a part
// of the path is not a directory or cannot be created.
bool make(const QString &path, QString *error);

// make(), and then `path` itself must be the user's own: a mode that lets others in is set
// back to 0700. False with *error set otherwise; *foreign says whether someone else's doing
// is in the way (another user's directory, a symbolic link, no directory) rather than the
// system failing.
bool makeOwn(const QString &path, QString *error, bool *foreign);

} // namespace PrivateDirectory
