// SPDX-License-Identifier: MIT
#include "qthost/glyphs.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

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

// A stretch of glyph pixels along one row, relative to the text's top-left corner.
struct GlyphRun {
    int dy;
    int dx;
    int length;
};

// A printed text: its glyph pixels as runs, and the line height of its font.
struct GlyphMask {
    std::vector<GlyphRun> runs;
    int lineHeight = 0;
};

// The window's font at one pixel size, resolved once.
struct Face {
    explicit Face(int pixelSize)
        : font(windowFont(pixelSize)), metrics(font), ascent(metrics.ascent()), lineHeight(metrics.height())
    {}
    QFont font;
    QFontMetrics metrics;
    int ascent;
    int lineHeight;
};

// The same few texts are printed again and again (the prompt every pass, the texts of the
// mode and result screens each visit), and the score every tick with a new number: both
// the fonts and the masks of the texts are kept, so that a known text costs no more than
// its pixels. A text that ends in a number (a score, a count) is seldom printed again once
// the number has moved on: those go to a pool of their own, the least recently printed
// leaving first, so that a long match's scores never push the screens' own texts out.
class GlyphCache
{
public:
    const GlyphMask &mask(std::string_view text, int pixelSize)
    {
        setKey(text, pixelSize);
        if (numberStart(text) == text.size()) {
            if (const auto it = m_fixed.find(m_key); it != m_fixed.end())
                return it->second;
            return m_fixed.emplace(m_key, render(text, face(pixelSize))).first->second;
        }
        if (const auto it = m_numbered.find(m_key); it != m_numbered.end()) {
            m_recent.splice(m_recent.begin(), m_recent, it->second.recent);
            return it->second.mask;
        }
        const Face &f = face(pixelSize);
        const GlyphMask &mask = addNumbered(render(text, f));
        renderFollowing(text, pixelSize, f);
        return mask;
    }

private:
    static constexpr std::size_t maxNumbered = 512;
    static constexpr int lookAhead = 15;

    struct Numbered {
        GlyphMask mask;
        std::list<std::string>::iterator recent; // its place in m_recent
    };

    static std::size_t numberStart(std::string_view text)
    {
        std::size_t start = text.size();
        while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9')
            --start;
        return start;
    }

    void setKey(std::string_view text, int pixelSize)
    {
        m_key.assign(std::to_string(pixelSize));
        m_key += '\x1f';
        m_key.append(text);
    }

    // Keeps the mask of the text in m_key as the most recent number text.
    const GlyphMask &addNumbered(GlyphMask mask)
    {
        if (m_numbered.size() >= maxNumbered) {
            m_numbered.erase(m_recent.back());
            m_recent.pop_back();
        }
        m_recent.push_front(m_key);
        return m_numbered.emplace(m_key, Numbered{std::move(mask), m_recent.begin()}).first->second.mask;
    }

    // The score goes up by one a tick, so a text that ends in a number is likely to be
    // printed next with the number after it. Laying out the next few while the font
    // machinery is warm costs a fraction of laying out each one cold, tick after tick.
    void renderFollowing(std::string_view text, int pixelSize, const Face &f)
    {
        const std::size_t start = numberStart(text);
        const std::string_view digits = text.substr(start);
        if (digits.empty() || digits.size() > 9 || (digits.size() > 1 && digits.front() == '0'))
            return;
        const std::uint64_t number = std::stoull(std::string(digits));
        const std::string prefix(text.substr(0, start));
        for (int k = 1; k <= lookAhead; ++k) {
            const std::string next = prefix + std::to_string(number + std::uint64_t(k));
            setKey(next, pixelSize);
            if (m_numbered.find(m_key) == m_numbered.end())
                addNumbered(render(next, f));
        }
    }

    const Face &face(int pixelSize)
    {
        auto &slot = m_faces[pixelSize];
        if (!slot)
            slot = std::make_unique<Face>(pixelSize);
        return *slot;
    }

    static GlyphMask render(std::string_view utf8, const Face &face)
    {
        const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
        GlyphMask mask;
        mask.lineHeight = face.lineHeight;
        const int width = std::max(face.metrics.horizontalAdvance(text) + 2 * margin, 1);
        const int height = mask.lineHeight + margin;
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(face.font);
        painter.setPen(Qt::white);
        painter.drawText(margin, face.ascent, text);
        painter.end();

        mask.runs.reserve(std::size_t(height) * 4);
        for (int row = 0; row < height; ++row) {
            const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(row));
            for (int col = 0; col < width;) {
                if (qGreen(line[col]) < 128) {
                    ++col;
                    continue;
                }
                const int start = col;
                while (col < width && qGreen(line[col]) >= 128)
                    ++col;
                mask.runs.push_back({row, start - margin, col - start});
            }
        }
        return mask;
    }

    std::string m_key;
    std::unordered_map<int, std::unique_ptr<Face>> m_faces;
    std::unordered_map<std::string, GlyphMask> m_fixed;
    std::unordered_map<std::string, Numbered> m_numbered;
    std::list<std::string> m_recent; // number texts, the most recently printed first
};

// Fonts belong to the application: the cache goes when the application does.
GlyphCache *glyphCache = nullptr;

GlyphCache &theGlyphCache()
{
    if (!glyphCache) {
        glyphCache = new GlyphCache;
        qAddPostRoutine([] {
            delete glyphCache;
            glyphCache = nullptr;
        });
    }
    return *glyphCache;
}

} // namespace

int pointsToPixels(double points)
{
    return int(std::nearbyint(points * 96.0 / 72.0));
}

int printGlyphs(Surface &target, int x, int y, std::string_view text, double points, Color color)
{
    const GlyphMask &mask = theGlyphCache().mask(text, pointsToPixels(points));
    for (const GlyphRun &run : mask.runs) {
        const std::int64_t ty = std::int64_t(y) + run.dy;
        if (ty < 0 || ty >= target.height())
            continue;
        const std::int64_t from = std::max<std::int64_t>(std::int64_t(x) + run.dx, 0);
        const std::int64_t to = std::min<std::int64_t>(std::int64_t(x) + run.dx + run.length, target.width());
        if (from >= to)
            continue;
        Color *out = target.rowForWriting(int(ty));
        std::fill(out + from, out + to, color);
    }
    return mask.lineHeight;
}

} // namespace quorrax
