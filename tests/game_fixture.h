// SPDX-License-Identifier: MIT
#pragma once

#include "fuzz/profile_invariants.h"
#include "game/frmmain.h"
#include "scratch_folder.h"
#include "scripted_host.h"
#include "text_looks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorrax::test {

using Kind = ScriptedHost::Kind;

using fuzzcheck::slurp;

// A whole game on the scripted host, with a folder of its own for the high-score file.
struct Game {
    enum class Ending { Script, Program };

    explicit Game(std::uint32_t startTick = 1'000'000, std::uint64_t seed = 1) : host(startTick, seed), form(host)
    {
        host.bind(form);
        host.folder = folder.path();
    }
    std::string ini() const { return folder.path() + iniFileName; }

    Ending run()
    {
        try {
            form.Form_Load();
        } catch (const ScriptEnd &) {
        } catch (const ProgramEnd &end) {
            status = end.status;
            return Ending::Program;
        }
        return Ending::Script;
    }

    // An event at the first yield after the n-th frame of a screen.
    void on(Integer working, Kind kind, Integer key = 0, int nth = 1)
    {
        host.when([this, working, nth] { return host.framesIn(working) >= nth; }, kind, key);
    }
    void key(Integer working, Integer key, int nth = 1) { on(working, Kind::Key, key, nth); }
    // From the title into a match of the given mode.
    void startMatch(bool single)
    {
        key(screen::Title, vk::Return);
        if (!single)
            key(screen::ModeSelect, vk::Down);
        key(screen::ModeSelect, vk::Return);
    }

    std::vector<const Frame *> framesIn(Integer working) const
    {
        std::vector<const Frame *> out;
        for (const Frame &frame : host.frames)
            if (frame.working == working)
                out.push_back(&frame);
        return out;
    }

    ScratchFolder folder;
    ScriptedHost host;
    frmMain form;
    int status = -1; // the exit status the game ended with
};

// The texts' looks are drawn in the window's font: where it is missing, a text cannot be
// judged, and the test that asks reports itself skipped (its other checks still run).
inline void skipTheTexts()
{
    GTEST_SKIP() << "the window's font IPAPGothic (fonts-ipafont-gothic) is not installed";
}

// Whether the frame shows `text` printed at (x, y) in `points` and `color` as the window's
// font draws it: every glyph pixel in that colour, and nothing of the colour beside it.
inline testing::AssertionResult shows(const Frame &frame, std::string_view text, int x, int y, double points,
                                      Color color)
{
    static const bool fontThere = lookFontThere();
    if (!fontThere)
        return skipTheTexts(), testing::AssertionSuccess();
    const std::string wrong = judgeText(text, x, y, points, field::width, int(frame.rows.size()),
                                        [&](int px, int py) { return frame.pixel(px, py) == color; });
    return wrong.empty() ? testing::AssertionSuccess() : testing::AssertionFailure() << wrong;
}

// How many pixels of the rows from `top` to `bottom` have the colour.
inline int count(const Frame &frame, Color color, int top = 0, int bottom = field::height - 1)
{
    int n = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = 0; x < field::width; ++x)
            n += frame.pixel(x, y) == color;
    return n;
}

// How many pixels of the rows from `top` to `bottom` differ from the picture's.
inline int differences(const Frame &frame, const Surface &picture, int top, int bottom)
{
    int n = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = 0; x < field::width; ++x)
            n += frame.pixel(x, y) != picture.pixel(x, y);
    return n;
}

// The texts that first reached the window with this frame, in the order printed.
inline std::vector<std::string> textsIn(const ScriptedHost &host, const Frame &frame)
{
    std::vector<std::string> out;
    for (const Printed &p : host.prints)
        if (p.frame == std::size_t(&frame - host.frames.data()))
            out.push_back(p.text);
    return out;
}

} // namespace quorrax::test
