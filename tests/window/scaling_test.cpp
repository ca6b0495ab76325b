#include "pixels.h"
#include "process.h"
#include "xserver.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

namespace quorrax::window {
namespace {

// The desktop's scale, as its Xft.dpi setting gives it, against the whole number the field
// is scaled by.
struct ScaleRow {
    int dpi;
    int scale;
};
constexpr ScaleRow scaleRows[] = {{120, 1}, {144, 2}, {192, 2}};

int field(const QByteArray &text, const char *name)
{
    const auto match = QRegularExpression(QString::fromLatin1(name) + QStringLiteral(":\\s+(-?\\d+)"))
                           .match(QString::fromLatin1(text));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// The game's client area on the screen, scaled: the window's width and its lowest rows.
QImage scaledField(const VirtualScreen &screen, int scale)
{
    const ToolResult ids = runTool(screen.environment(), QStringLiteral("xdotool"),
                                   {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                    QStringLiteral("--class"), QStringLiteral("quorrax")});
    QRect window;
    for (const QByteArray &id : ids.out.split('\n')) {
        if (id.trimmed().isEmpty())
            continue;
        const ToolResult info = runTool(screen.environment(), QStringLiteral("xwininfo"),
                                        {QStringLiteral("-id"), QString::fromLatin1(id.trimmed())});
        const QRect r(field(info.out, "Absolute upper-left X"), field(info.out, "Absolute upper-left Y"),
                      field(info.out, "Width"), field(info.out, "Height"));
        if (info.ok() && r.height() > window.height())
            window = r;
    }
    const ToolResult shot = runTool(screen.environment(), QStringLiteral("import"),
                                    {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")});
    if (window.width() != fieldWidth * scale || window.height() < fieldHeight * scale)
        return {};
    const QRect client(window.left(), window.bottom() + 1 - fieldHeight * scale, fieldWidth * scale,
                       fieldHeight * scale);
    return QImage::fromData(shot.out, "PNG").convertToFormat(QImage::Format_RGB32).copy(client);
}

// Every field pixel is a whole square block of one colour; one pixel of each block, the
// title screen as drawn.
Verdict crispTitle(const QImage &scaled, int scale)
{
    if (scaled.isNull())
        return {false, "no window of the field's size"};
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
                            {QStringLiteral("-root"), QStringLiteral("-f"), QStringLiteral("RESOURCE_MANAGER"),
                             QStringLiteral("8s"), QStringLiteral("-set"), QStringLiteral("RESOURCE_MANAGER"),
                             QStringLiteral("Xft.dpi:\t%1\n").arg(row.dpi)})
                        .ok());
        // A copy of the program of its own, so that its high-score file stays in the scratch.
        const QString program = screen.scratch(QStringLiteral("game")) + QStringLiteral("/quorrax");
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUORRAX_GAME_BINARY), program));
        ChildProcess game;
        ASSERT_TRUE(game.start(program, {}, screen.environment(), screen.scratch(QStringLiteral("logs")) + "/game.log"));
        Verdict seen{false, "nothing looked at"};
        for (const QDeadlineTimer deadline(20'000); !seen.ok && !deadline.hasExpired();)
            seen = crispTitle(scaledField(screen, row.scale), row.scale);
        EXPECT_TRUE(seen.ok) << "at scale " << row.scale << ": " << seen.seen << "\n" << game.log().toStdString();
    }
}

} // namespace
} // namespace quorrax::window
