// SPDX-License-Identifier: MIT
#include "qthost/pads.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace quorrax {

namespace {

// The steering axes: the left stick (or a simple pad's d-pad) and the d-pad as a hat.
constexpr int steeringAxes[4] = {ABS_X, ABS_Y, ABS_HAT0X, ABS_HAT0Y};

// The buttons the game reads: the d-pad's, and those that confirm. A simple USB pad names
// no south button; its four face buttons and its tenth, the start button, confirm.
constexpr struct {
    int code;
    PadControl control;
} buttons[] = {
    {BTN_DPAD_UP, PadControl::Up},       {BTN_DPAD_DOWN, PadControl::Down}, {BTN_DPAD_LEFT, PadControl::Left},
    {BTN_DPAD_RIGHT, PadControl::Right}, {BTN_SOUTH, PadControl::Confirm},  {BTN_START, PadControl::Confirm},
    {BTN_TRIGGER, PadControl::Confirm},  {BTN_THUMB, PadControl::Confirm},  {BTN_THUMB2, PadControl::Confirm},
    {BTN_TOP, PadControl::Confirm},      {BTN_BASE4, PadControl::Confirm},
};

constexpr int longBits = int(sizeof(unsigned long) * CHAR_BIT);

template <std::size_t N>
void bitsOfLongs(const unsigned long *words, std::bitset<N> &bits)
{
    for (std::size_t i = 0; i < N; ++i)
        bits[i] = (words[i / longBits] >> (i % longBits)) & 1;
}

// A name the device gives through `request`, made for 255 bytes and the closing zero.
std::string ioctlText(int fd, unsigned long request)
{
    char text[256] = {};
    return ioctl(fd, request, text) >= 0 ? std::string(text) : std::string();
}

} // namespace

bool isPad(const Capabilities &caps)
{
    if (caps.keys[BTN_GAMEPAD])
        return true;
    bool joystickButton = false;
    for (int code = BTN_JOYSTICK; code < BTN_GAMEPAD; ++code)
        joystickButton = joystickButton || caps.keys[code];
    return joystickButton && caps.axes[ABS_X] && caps.axes[ABS_Y];
}

template <std::size_t N>
std::bitset<N> sysfsBits(std::string_view text)
{
    std::vector<unsigned long> words((N + longBits - 1) / longBits);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        unsigned long word = 0;
        std::from_chars(text.data() + at, text.data() + end, word, 16);
        words.insert(words.begin(), word);
        at = end + 1;
    }
    std::bitset<N> bits;
    bitsOfLongs(words.data(), bits);
    return bits;
}
template std::bitset<KEY_CNT> sysfsBits<KEY_CNT>(std::string_view);
template std::bitset<ABS_CNT> sysfsBits<ABS_CNT>(std::string_view);

bool describePad(int fd, PadInfo &info)
{
    unsigned long keys[(KEY_CNT + longBits - 1) / longBits] = {};
    unsigned long axes[(ABS_CNT + longBits - 1) / longBits] = {};
    input_id id{};
    if (ioctl(fd, EVIOCGID, &id) < 0 || ioctl(fd, EVIOCGBIT(EV_KEY, sizeof keys), keys) < 0 ||
        ioctl(fd, EVIOCGBIT(EV_ABS, sizeof axes), axes) < 0)
        return false;
    bitsOfLongs(keys, info.caps.keys);
    bitsOfLongs(axes, info.caps.axes);
    for (const int axis : steeringAxes) {
        input_absinfo abs{};
        if (info.caps.axes[axis] && ioctl(fd, EVIOCGABS(axis), &abs) >= 0)
            info.ranges[axis] = {abs.minimum, abs.maximum};
    }
    info.name = ioctlText(fd, EVIOCGNAME(255));
    // A serial number names the pad wherever it is plugged in; without one, the port does.
    std::string where = ioctlText(fd, EVIOCGUNIQ(255));
    if (where.empty())
        where = ioctlText(fd, EVIOCGPHYS(255));
    char ids[32];
    std::snprintf(ids, sizeof ids, "%04x:%04x:%04x ", id.bustype, id.vendor, id.product);
    info.identity = ids + where + " " + info.name;
    return true;
}

PadReader::PadReader(const PadInfo &info)
{
    for (int i = 0; i < 4; ++i) {
        m_ranges[i] = info.ranges[steeringAxes[i]];
        // A hat whose travel the device did not say goes from -1 to 1.
        if (i >= 2 && m_ranges[i].min == m_ranges[i].max)
            m_ranges[i] = {-1, 1};
    }
}

PadControl PadReader::take(const input_event &event)
{
    if (event.type == EV_SYN) {
        // Where the kernel had no room for events, the report they were in is incomplete and
        // goes as a whole; the next position of a stick is then judged against the last one
        // known, so that a turn made meanwhile is late, not lost.
        if (event.code == SYN_DROPPED)
            m_dropping = true;
        else if (event.code == SYN_REPORT)
            m_dropping = false;
        return PadControl::None;
    }
    if (m_dropping)
        return PadControl::None;
    if (event.type == EV_KEY && event.value == 1) {
        for (const auto &button : buttons)
            if (button.code == event.code)
                return button.control;
    }
    if (event.type == EV_ABS) {
        for (int i = 0; i < 4; ++i)
            if (steeringAxes[i] == event.code)
                return axis(i, event.value);
    }
    return PadControl::None;
}

PadControl PadReader::axis(int which, int value)
{
    const PadInfo::Range range = m_ranges[which];
    // Twice the distance from the middle, against the whole travel, in 64 bits.
    const long long offset = 2LL * value - range.min - range.max, travel = 1LL * range.max - range.min;
    if (travel <= 0)
        return PadControl::None;
    const int was = m_zones[which], side = offset < 0 ? -1 : 1;
    int zone = 0;
    if (was == side && 8 * std::llabs(offset) >= 3 * travel)
        zone = was;
    else if (2 * std::llabs(offset) >= travel)
        zone = side;
    m_zones[which] = zone;
    if (zone == 0 || zone == was)
        return PadControl::None;
    const bool across = which % 2 == 0;
    return across ? (zone < 0 ? PadControl::Left : PadControl::Right) : (zone < 0 ? PadControl::Up : PadControl::Down);
}

} // namespace quorrax
