// SPDX-License-Identifier: MIT
#include "qthost/pictures.h"

#include "game/field.h"

#include <QIcon>
#include <QImage>
#include <QString>

#include <cstdio>

namespace quorrax {

namespace {

struct PictureFile {
    const char *path;
    int width;
    int height;
};

PictureFile pictureFile(Picture which)
{
    switch (which) {
    case Picture::Title:
        return {":/assets/title.png", field::width, field::height};
    case Picture::Arrow:
        return {":/assets/arrow.png", 32, 32};
    case Picture::Explosion:
        return {":/assets/explosion.png", 32, 32};
    }
    return {"", 0, 0};
}

Surface surfaceFromImage(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Surface surface(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            surface.setPixel(x, y, RGB(qRed(line[x]), qGreen(line[x]), qBlue(line[x])));
    }
    return surface;
}

} // namespace

Surface loadPicture(Picture which)
{
    const PictureFile file = pictureFile(which);
    const QImage image(QString::fromLatin1(file.path));
    if (image.isNull() || image.width() != file.width || image.height() != file.height) {
        // Only a broken build lacks its pictures; the game still runs on black ones.
        std::fprintf(stderr, "quorrax: picture %s is missing or has the wrong size\n", file.path);
        return Surface(file.width, file.height);
    }
    return surfaceFromImage(image);
}

QIcon programIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/assets/icon16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/assets/icon32.png"), QSize(32, 32));
    return icon;
}

} // namespace quorrax
