#include "shell/qt/glyphs.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cmath>

namespace quorrax {

namespace {

constexpr int margin = 8; // room for glyphs that reach left of their pen position

QFont windowFont(int pixelSize)
{
    // A proportional Gothic, as narrow as the layout of the screens expects: the title
    // prompt at (260, 260) has 160 pixels to the window's edge.
    QFont font;
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("VL PGothic"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    // Hard-edged glyphs: an anti-aliased fringe would stay visible as a dim halo where
    // the title prompt is overprinted in black.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

struct GlyphMask {
    QImage image; // white glyph pixels on black
    int lineHeight = 0;
};

// The same few texts are printed again and again (the prompt every pass, the score
// every tick), so their masks are kept.
const GlyphMask &glyphMask(const QString &text, int pixelSize)
{
    static QHash<QString, GlyphMask> cache;
    const QString key = QString::number(pixelSize) + QLatin1Char('\x1f') + text;
    if (const auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    if (cache.size() > 512)
        cache.clear();

    const QFont font = windowFont(pixelSize);
    const QFontMetrics metrics(font);
    GlyphMask mask;
    mask.lineHeight = metrics.height();
    const int width = metrics.horizontalAdvance(text) + 2 * margin;
    mask.image = QImage(std::max(width, 1), mask.lineHeight + margin, QImage::Format_RGB32);
    mask.image.fill(Qt::black);
    QPainter painter(&mask.image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(margin, metrics.ascent(), text);
    painter.end();
    return *cache.insert(key, mask);
}

} // namespace

int pointsToPixels(double points)
{
    return int(std::nearbyint(points * 96.0 / 72.0));
}

int printGlyphs(Surface &target, int x, int y, std::string_view text, double points, Color color)
{
    const GlyphMask &mask =
        glyphMask(QString::fromUtf8(text.data(), qsizetype(text.size())), pointsToPixels(points));
    const QImage &image = mask.image;
    bool drawn = false;
    for (int row = 0; row < image.height(); ++row) {
        const int ty = y + row;
        if (ty < 0 || ty >= target.height())
            continue;
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(row));
        Color *out = target.bits() + std::size_t(ty) * std::size_t(target.width());
        for (int col = 0; col < image.width(); ++col) {
            const int tx = x + col - margin;
            if (tx < 0 || tx >= target.width() || qGreen(line[col]) < 128)
                continue;
            out[tx] = color;
            drawn = true;
        }
    }
    if (drawn)
        target.touch();
    return mask.lineHeight;
}

} // namespace quorrax
