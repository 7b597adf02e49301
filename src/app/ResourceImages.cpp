// Reading the program's own images; see ResourceImages.h.
#include "ResourceImages.h"

#include <QFile>
#include <QImageReader>
#include <QPixmap>

namespace {

void addPng(QIcon &icon, const QString &path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (!image.isNull())
        icon.addPixmap(QPixmap::fromImage(image));
}

} // namespace

QIcon resourceIcon(const QString &name)
{
    QIcon icon;
    addPng(icon, QStringLiteral(":/images/%1.png").arg(name));
    // Drawings made for 1.5 and 2 times the size keep the icon sharp on a scaled screen: the
    // icon picks the one with as many pixels as it is shown with, instead of blurring the
    // small one. (The SVGs they are made from would need the SVG plugin at start.)
    for (const char *scale : {"@1.5x", "@2x"}) {
        const QString large = QStringLiteral(":/images/%1%2.png").arg(name, QLatin1String(scale));
        if (QFile::exists(large))
            addPng(icon, large);
    }
    return icon;
}
