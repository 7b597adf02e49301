// Directories that belong to the user alone (mode 0700): where the defaults and the switch
// locks live. QDir::mkpath would leave them readable by everyone under a usual umask.
#pragma once

#include <QString>

namespace PrivateDirectory {

// Creates every missing directory of `path` with mode 0700. False with *error set when a part
// of the path is not a directory or cannot be created.
bool make(const QString &path, QString *error);

} // namespace PrivateDirectory
