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
    // A double-size drawing keeps the icon sharp where the tray asks for more pixels.
    const QString large = QStringLiteral(":/images/%1@2x.png").arg(name);
    if (QFile::exists(large))
        addPng(icon, large);
    return icon;
}
