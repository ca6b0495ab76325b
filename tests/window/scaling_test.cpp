// SPDX-License-Identifier: MIT
#include "game_session.h"

namespace quorrax::window {
namespace {

// The desktop's scale, as its Xft.dpi setting gives it, against the whole number the field
// is scaled by.
struct ScaleRow {
    int dpi;
    int scale;
};
constexpr ScaleRow scaleRows[] = {{120, 1}, {144, 2}, {192, 2}};

// Every field pixel is a whole square block of one colour; one pixel of each block, the
// title screen as drawn.
Verdict crispTitle(const QImage &scaled, int scale)
{
    QImage field(fieldWidth, fieldHeight, QImage::Format_RGB32);
    for (int y = 0; y < scaled.height(); ++y) {
        for (int x = 0; x < scaled.width(); ++x) {
            const QRgb corner = scaled.pixel(x - x % scale, y - y % scale);
            if (scaled.pixel(x, y) != corner)
                return {false, "screen pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                                   describe(scaled.pixel(x, y)) + ", its block's corner " + describe(corner)};
            field.setPixel(x / scale, y / scale, corner);
        }
    }
    return showsPicture(field, asset("title.png"), {0, 0}, QRect(0, 18, fieldWidth, 228));
}

TEST(Scaling, EveryFieldPixelIsAWholeSquareBlock)
{
    if (const QString missing = missingHere(false); !missing.isEmpty())
        GTEST_SKIP() << "not installed: " << missing.toStdString();
    for (const ScaleRow &row : scaleRows) {
        SCOPED_TRACE("Xft.dpi " + std::to_string(row.dpi));
        VirtualScreen screen;
        ASSERT_TRUE(screen.start());
        ASSERT_TRUE(runTool(screen.environment(), QStringLiteral("xprop"),
                            {"-root", "-f", "RESOURCE_MANAGER", "8s", "-set", "RESOURCE_MANAGER",
                             QStringLiteral("Xft.dpi:\t%1\n").arg(row.dpi)})
                        .ok());
        GameSession game(screen, screen.scratch(QStringLiteral("game")), row.scale);
        ASSERT_TRUE(game.start());
        EXPECT_TRUE(game.waitFor("the title, each pixel a block of " + std::to_string(row.scale),
                                 [&row](const Shot &s) { return crispTitle(s.client, row.scale); }));
    }
}

} // namespace
} // namespace quorrax::window
