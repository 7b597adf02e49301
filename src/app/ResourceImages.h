// The program's own images, read from its resources as the PNG files they are. Qt would
// otherwise load every image-format plugin (and the SVG library with them) to probe each
// file's content, which costs the tray program start time and about a megabyte.
#pragma once

#include <QIcon>
#include <QString>

// The icon of ":/images/<name>.png" (with "<name>@1.5x.png" and "<name>@2x.png" where there
// are); a null icon when it is missing.
QIcon resourceIcon(const QString &name);
