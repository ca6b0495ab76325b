// SPDX-License-Identifier: MIT
#pragma once

#include "qthost/pads.h"

#include <QObject>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QSocketNotifier;

namespace quorrax {

// The game pads plugged in, each read when it has sent something: every pad's descriptor
// and the notices of devices coming and going are watched by Qt's event loop, so that
// without input the game wakes no more often than without pads.
class PadWatch : public QObject
{
public:
    explicit PadWatch(QObject *parent = nullptr);
    ~PadWatch() override;

    // A control newly pressed on the pad that holds `seat`: 0 for the first pad ever seen, 1
    // for the second, and so on; a pad plugged in again keeps its seat.
    std::function<void(int seat, PadControl control)> onPress;
    // A pad the player may not read, once for each.
    std::function<void(const std::string &message)> onRefused;

    // Takes the pads among the devices in `folder` (the kernel's `/dev/input`), now and as
    // they are plugged in, also where the folder itself comes only later.
    void watchFolder(const std::string &folder);
    // Takes the descriptor of a pad (and closes it when the pad goes), as a device found in
    // the folder: `path` names it.
    void add(int fd, const PadInfo &info, const std::string &path);

    // The most events read from one pad at one wake: a pad flooding the game with events
    // holds it no longer than that, and the rest waits for the next pass.
    static constexpr int eventsPerWake = 256;

private:
    struct Pad;
    void read(Pad &pad);
    void open(const std::string &path, bool tellRefusal);
    void tellRefused(const std::string &path, int error);
    void takeNotices();
    void watchInside();

    std::vector<std::unique_ptr<Pad>> m_pads;
    std::vector<std::string> m_seen; // pads' identities in the order first seen: their seats
    std::set<std::string> m_told;
    std::string m_folder;
    int m_notices = -1; // inotify
    int m_folderWatch = -1, m_parentWatch = -1;
    QSocketNotifier *m_noticesNotifier = nullptr;
};

} // namespace quorrax
