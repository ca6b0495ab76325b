// SPDX-License-Identifier: MIT
#pragma once

#include "qthost/bindings.h"

#include <linux/input.h>

#include <array>
#include <bitset>
#include <string>
#include <string_view>

// Game pads as the kernel's evdev devices give them: which devices are pads, and a pad's
// events as the controls the game knows. No Qt here; qthost/padwatch.cpp watches the
// devices.

namespace quorrax {

// The keys and buttons, and the absolute axes, that a device reports.
struct Capabilities {
    std::bitset<KEY_CNT> keys;
    std::bitset<ABS_CNT> axes;
};

// Game pads and joysticks: a device with the game pad's buttons, or with two axes and a
// joystick's buttons (simple USB pads). Keyboards, mice, touchpads, tablets and the motion
// sensors of pads are none.
bool isPad(const Capabilities &caps);

// A capability bitmap as sysfs writes it (`/sys/class/input/eventN/device/capabilities/key`):
// words of a C long in hexadecimal, the highest first, leading zero words left out.
template <std::size_t N>
std::bitset<N> sysfsBits(std::string_view text);

// What the translation of one pad needs, and who it is.
struct PadInfo {
    struct Range {
        int min = 0, max = 0;
    };
    Capabilities caps;
    std::array<Range, ABS_CNT> ranges{}; // each axis's travel
    // The same pad plugged in again, in the same port or (with a serial number) anywhere.
    std::string identity;
    std::string name;
};

// The pad's capabilities, travel and identity, asked of the device; false where the
// descriptor is no evdev device.
bool describePad(int fd, PadInfo &info);

// One pad's events as controls pressed. A d-pad reports buttons or a hat's axes; a stick
// turns when it crosses half of its travel into a direction, and counts as back only once
// it returns within three eighths of it, so that a stick resting or drifting near the
// middle or near the threshold turns nothing.
class PadReader
{
public:
    explicit PadReader(const PadInfo &info);
    // Takes one event; returns the control it presses, or None.
    PadControl take(const input_event &event);

private:
    PadControl axis(int which, int value);

    PadInfo::Range m_ranges[4];
    int m_zones[4] = {}; // per steering axis: -1, 0 or 1
    bool m_dropping = false;
};

} // namespace quorrax
