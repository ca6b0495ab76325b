#pragma once

#include "scratch_folder.h"
#include "scripted_host.h"
#include "shell/frmmain.h"

#include <cstdint>
#include <functional>
#include <string>

namespace quorrax::testing {

inline std::function<bool(const frmMain &)> inState(Integer working)
{
    return [working](const frmMain &f) { return f.Working == working; };
}

// A whole game on the scripted host.
struct Game {
    enum class Ending { Script, Program };

    explicit Game(std::uint32_t startTick = 1'000'000, std::uint64_t seed = 1) : host(startTick, seed), form(host)
    {
        host.bind(form);
        countFrames();
    }

    Ending run()
    {
        try {
            form.Form_Load();
        } catch (const ScriptEnd &) {
            return Ending::Script;
        } catch (const ProgramEnd &) {
            return Ending::Program;
        }
        return Ending::Script;
    }

    // Counts the frames of the mode screen and the ticks of the running match (their
    // refreshes), and lets a script act on them.
    void countFrames()
    {
        host.onRefresh = [this](frmMain &f) {
            if (f.Working == screen::ModeSelect)
                ++modeFrames;
            if (f.Working == screen::Match)
                ++matchTicks;
            if (onFrame)
                onFrame(f);
            if (onTick && f.Working == screen::Match)
                onTick(f);
        };
    }
    void keyAtTick(int tick, Integer key)
    {
        host.keyWhen([this, tick](const frmMain &f) { return f.Working == screen::Match && matchTicks >= tick; }, key);
    }
    // A key for the mode screen once it is up.
    void modeKey(Integer key)
    {
        host.keyWhen([this](const frmMain &f) { return f.Working == screen::ModeSelect && modeFrames > 0; }, key);
    }
    // From the title into a match of the given mode.
    void startMatch(bool single)
    {
        host.keyWhen(inState(screen::Title), vk::Return);
        if (!single)
            modeKey(vk::Down);
        modeKey(vk::Return);
    }

    ScriptedHost host;
    frmMain form;
    int modeFrames = 0;
    int matchTicks = 0;
    std::function<void(frmMain &)> onFrame;
    std::function<void(frmMain &)> onTick;
};

// FNV-1a over a surface's pixels: a short fingerprint of an arena.
inline std::uint64_t fingerprint(const Surface &surface)
{
    std::uint64_t hash = 1469598103934665603ull;
    const std::size_t count = std::size_t(surface.width()) * std::size_t(surface.height());
    for (std::size_t i = 0; i < count; ++i) {
        hash ^= surface.bits()[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace quorrax::testing
