// SPDX-License-Identifier: MIT
#include "game_session.h"
#include "screens.h"

namespace quorrax::window {
namespace {

// The desktop's scale, as its Xft.dpi setting gives it, against the whole number the field
// is scaled by.
struct ScaleRow {
    int dpi;
    int scale;
};
constexpr ScaleRow scaleRows[] = {{120, 1}, {144, 2}, {192, 2}};

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
        EXPECT_TRUE(
            game.waitFor("the title, each pixel a block of " + std::to_string(row.scale), [&row](const Shot &s) {
                QImage field;
                const Verdict crisp = crispBlocks(s.client, row.scale, &field);
                return crisp.ok ? showsPicture(field, asset("title.png"), {0, 0}, titleLettering) : crisp;
            }));
    }
}

} // namespace
} // namespace quorrax::window
