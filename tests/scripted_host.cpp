// SPDX-License-Identifier: MIT
#include "scripted_host.h"

#include "qthost/glyphs.h"

namespace quorrax::test {

void ScriptedHost::advance(std::uint64_t ms)
{
    m_now += std::uint32_t(ms);
    m_elapsed += ms;
    if (m_elapsed > timeLimitMs)
        throw ScriptEnd{};
}

bool ScriptedHost::due(const Event &event) const
{
    return event.when ? event.when() : std::int32_t(m_now - event.at) >= 0;
}

bool ScriptedHost::nextEventTime(std::uint32_t &at) const
{
    if (m_events.empty() || m_events.front().when)
        return false;
    at = m_events.front().at;
    return true;
}

void ScriptedHost::capture()
{
    const Surface &window = m_form->window;
    if (!frames.empty() && window.generation() == m_generation)
        return;
    m_generation = window.generation();
    // A frame not kept leaves the stamps as they were, so the next kept frame compares
    // with the last kept one.
    if (!keepMatchFrames && m_form->Playing != vbFalse) {
        ++m_framesIn[std::size_t(screen::Match)];
        return;
    }
    if (m_stamps.size() != std::size_t(window.height()))
        m_stamps.assign(std::size_t(window.height()), 0);
    Frame frame{m_now, m_form->Working, std::vector<const Color *>(m_stamps.size())};
    for (std::size_t y = 0; y < m_stamps.size(); ++y) {
        // A row whose stamp did not change since the last frame holds the same pixels.
        if (!frames.empty() && m_stamps[y] == window.rowStamp(int(y)) && m_stamps[y] != 0) {
            frame.rows[y] = frames.back().rows[y];
            continue;
        }
        const Color *row = window.bits() + y * std::size_t(window.width());
        frame.rows[y] = m_rows.emplace_back(row, row + window.width()).data();
        m_stamps[y] = window.rowStamp(int(y));
    }
    ++m_framesIn[std::size_t(frame.working) % m_framesIn.size()];
    frames.push_back(std::move(frame));
}

void ScriptedHost::DoEvents()
{
    // Whatever was drawn since the last refresh reaches the screen at a yield.
    capture();
    std::size_t count = 0;
    while (count < m_events.size() && due(m_events[count]))
        ++count;
    if (count > 0)
        m_idleRounds = 0;
    for (; count > 0; --count) {
        const Event event = m_events.front();
        m_events.pop_front();
        if (event.kind == Kind::Key)
            m_form->Form_KeyDown(event.key, 0);
        else
            m_form->Form_Unload();
    }
}

void ScriptedHost::idleUntil(std::uint32_t tick)
{
    std::uint32_t at = 0;
    if (nextEventTime(at) && std::int32_t(at - tick) < 0)
        tick = at;
    if (std::int32_t(tick - m_now) > 0)
        advance(tick - m_now);
}

void ScriptedHost::idleUntilSecondChanges(int second)
{
    if (secondOfMinute() == second)
        idleUntil(m_now + std::uint32_t(1000 - (m_wallMs + m_elapsed) % 1000));
}

void ScriptedHost::idleUntilEvent()
{
    std::uint32_t at = 0;
    if (m_events.empty())
        throw ScriptEnd{};
    if (nextEventTime(at)) {
        if (std::int32_t(at - m_now) > 0)
            advance(at - m_now);
        return;
    }
    // An event waiting for a condition may come due once the game has drawn again; one
    // that stays undue while the game only waits never will.
    if (++m_idleRounds > 100)
        throw ScriptEnd{};
}

int ScriptedHost::Print(Surface &target, int x, int y, std::string_view text, double points, Color color)
{
    if (keepMatchFrames || m_form->Playing == vbFalse)
        prints.push_back({std::string(text), x, y, color, frames.size()});
    return drawText ? printGlyphs(target, x, y, text, points, color) : pointsToPixels(points);
}

} // namespace quorrax::test
