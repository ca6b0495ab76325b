#include "scripted_host.h"

#include "shell/qt/glyphs.h"
#include "shell/qt/pictures.h"

#include <algorithm>

namespace quorrax::testing {

ScriptedHost::ScriptedHost(std::uint32_t startTick, std::uint64_t seed)
    : m_now(startTick), m_wallMs(12ull * 3600 * 1000 + 500), m_random(seed)
{
}

int ScriptedHost::secondOfMinute()
{
    return int((m_wallMs + m_elapsed) / 1000 % 60);
}

double ScriptedHost::Rnd()
{
    return double(m_random() >> 11) * 0x1.0p-53;
}

void ScriptedHost::advance(std::uint64_t ms)
{
    m_now += std::uint32_t(ms);
    m_elapsed += ms;
    if (m_elapsed > timeLimitMs)
        throw ScriptEnd{};
}

bool ScriptedHost::due(const Event &event) const
{
    if (event.when)
        return event.when(*m_form);
    return std::int32_t(m_now - event.at) >= 0;
}

bool ScriptedHost::nextEventTime(std::uint32_t &at) const
{
    if (m_events.empty() || m_events.front().when)
        return false;
    at = m_events.front().at;
    return true;
}

void ScriptedHost::DoEvents()
{
    ++yields;
    // Events are delivered in the order they were scripted; one that is not due yet
    // holds back those behind it. Conditions are judged on the game as the yield finds
    // it, so a key meant for the next screen waits for that screen's first yield.
    std::size_t count = 0;
    while (count < m_events.size() && due(m_events[count]))
        ++count;
    for (; count > 0; --count) {
        const Event event = m_events.front();
        m_events.pop_front();
        switch (event.kind) {
        case Kind::Key:
            m_form->Form_KeyDown(event.key, 0);
            break;
        case Kind::Ime:
            m_form->Form_KeyDown(vk::Ime, 0);
            break;
        case Kind::Help:
            m_form->mnuGameHelp_Click();
            break;
        case Kind::About:
            m_form->mnuGameAbout_Click();
            break;
        case Kind::Close:
            m_form->Form_Unload();
            break;
        }
    }
    if (yieldCostMs)
        advance(yieldCostMs);
}

void ScriptedHost::idleUntil(std::uint32_t tick)
{
    std::uint32_t at = 0;
    if (nextEventTime(at) && std::int32_t(at - tick) < 0) {
        if (std::int32_t(at - m_now) > 0)
            advance(at - m_now);
        return;
    }
    if (std::int32_t(tick - m_now) > 0)
        advance(tick - m_now);
}

void ScriptedHost::idleUntilSecondChanges(int second)
{
    if (secondOfMinute() != second)
        return;
    const std::uint32_t toNextSecond = std::uint32_t(1000 - (m_wallMs + m_elapsed) % 1000);
    idleUntil(m_now + toNextSecond);
}

void ScriptedHost::idleUntilEvent()
{
    if (m_events.empty())
        throw ScriptEnd{};
    if (due(m_events.front()))
        return;
    std::uint32_t at = 0;
    if (!nextEventTime(at))
        throw ScriptEnd{}; // a condition that nothing will make true while the game waits
    advance(at - m_now);
}

Surface ScriptedHost::picture(Picture which)
{
    return loadPicture(which);
}

void ScriptedHost::Refresh()
{
    ++refreshes;
    if (onRefresh)
        onRefresh(*m_form);
}

int ScriptedHost::Print(Surface &target, int x, int y, std::string_view text, double points, Color color)
{
    if (recordPrints)
        prints.push_back({std::string(text), x, y, points, color, m_now});
    if (!drawText)
        return pointsToPixels(points);
    return printGlyphs(target, x, y, text, points, color);
}

void ScriptedHost::MsgBox(std::string_view text)
{
    messageBoxes.emplace_back(text);
    advance(modalHoldMs);
}

void ScriptedHost::showHelp()
{
    dialogsShown.push_back(Kind::Help);
    advance(modalHoldMs);
}

void ScriptedHost::showAbout()
{
    dialogsShown.push_back(Kind::About);
    advance(modalHoldMs);
}

} // namespace quorrax::testing
