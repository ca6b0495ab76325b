// SPDX-License-Identifier: MIT
#include "qthost/padwatch.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/inotify.h>
#include <unistd.h>
#include <utility>

namespace quorrax {

struct PadWatch::Pad {
    int fd;
    int seat;
    std::string path;
    PadReader reader;
    QSocketNotifier *notifier;
};

namespace {

// The first line of a file of the kernel's, or "".
std::string firstLine(const std::string &path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

} // namespace

PadWatch::PadWatch(QObject *parent) : QObject(parent) {}

PadWatch::~PadWatch()
{
    for (const auto &pad : m_pads) {
        delete pad->notifier;
        ::close(pad->fd);
    }
    delete m_noticesNotifier;
    if (m_notices >= 0)
        ::close(m_notices);
}

void PadWatch::add(int fd, const PadInfo &info, const std::string &path)
{
    const auto seen = std::find(m_seen.begin(), m_seen.end(), info.identity);
    const int seat = int(seen - m_seen.begin());
    if (seen == m_seen.end())
        m_seen.push_back(info.identity);
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    m_pads.push_back(std::make_unique<Pad>(Pad{fd, seat, path, PadReader(info), notifier}));
    connect(notifier, &QSocketNotifier::activated, this, [this, pad = m_pads.back().get()] { read(*pad); });
}

void PadWatch::read(Pad &pad)
{
    input_event events[64];
    int taken = 0;
    for (int reads = 0; reads < 16 && taken < eventsPerWake; ++reads) {
        const ssize_t got = ::read(pad.fd, events, sizeof events);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got <= 0) {
            // Unplugged (ENODEV) or gone otherwise: the pad's line runs on as if its keys were
            // released, and the pad gets its seat back when it comes again.
            pad.notifier->setEnabled(false);
            pad.notifier->deleteLater();
            ::close(pad.fd);
            std::erase_if(m_pads, [&pad](const auto &p) { return p.get() == &pad; });
            return;
        }
        // The kernel hands out whole events only; a torn one is no event.
        for (std::size_t i = 0; i < std::size_t(got) / sizeof(input_event); ++i, ++taken) {
            const PadControl control = pad.reader.take(events[i]);
            if (control != PadControl::None && onPress)
                onPress(pad.seat, control);
        }
    }
}

void PadWatch::watchFolder(const std::string &folder)
{
    m_folder = folder;
    m_notices = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_notices < 0)
        return;
    m_noticesNotifier = new QSocketNotifier(m_notices, QSocketNotifier::Read, this);
    connect(m_noticesNotifier, &QSocketNotifier::activated, this, [this] { takeNotices(); });
    watchInside();
}

void PadWatch::watchInside()
{
    // The folder comes with the first input device: until then its parent is watched for it,
    // from before the folder is looked for, so that it cannot come unseen in between.
    if (m_parentWatch < 0)
        m_parentWatch =
            inotify_add_watch(m_notices, m_folder.substr(0, m_folder.rfind('/') + 1).c_str(), IN_CREATE | IN_ONLYDIR);
    // A device node is made first, and given to the seat's user a moment later.
    m_folderWatch = inotify_add_watch(m_notices, m_folder.c_str(), IN_CREATE | IN_ATTRIB | IN_ONLYDIR);
    if (m_folderWatch < 0)
        return;
    inotify_rm_watch(m_notices, std::exchange(m_parentWatch, -1));
    // The pads there now take their seats in the order of the kernel's numbers.
    std::vector<std::pair<int, std::string>> found;
    if (DIR *dir = opendir(m_folder.c_str())) {
        while (const dirent *entry = readdir(dir))
            if (std::strncmp(entry->d_name, "event", 5) == 0)
                found.emplace_back(std::atoi(entry->d_name + 5), entry->d_name);
        closedir(dir);
    }
    std::sort(found.begin(), found.end());
    for (const auto &[number, name] : found)
        open(m_folder + "/" + name, true);
}

void PadWatch::takeNotices()
{
    alignas(inotify_event) char buffer[4096];
    const ssize_t got = ::read(m_notices, buffer, sizeof buffer);
    for (ssize_t at = 0; at < got;) {
        const auto *notice = reinterpret_cast<const inotify_event *>(buffer + at);
        at += ssize_t(sizeof(inotify_event) + notice->len);
        const std::string name = notice->len ? notice->name : "";
        if (notice->wd == m_parentWatch && m_folder.ends_with("/" + name))
            watchInside();
        else if (notice->wd == m_folderWatch && name.starts_with("event"))
            open(m_folder + "/" + name, notice->mask & IN_ATTRIB);
        else if (notice->wd == m_folderWatch && (notice->mask & IN_IGNORED))
            watchInside(); // the folder went: it is watched for again
    }
}

void PadWatch::open(const std::string &path, bool tellRefusal)
{
    if (std::any_of(m_pads.begin(), m_pads.end(), [&path](const auto &pad) { return pad->path == path; }))
        return;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (tellRefusal)
            tellRefused(path, errno);
        return;
    }
    PadInfo info;
    if (describePad(fd, info) && isPad(info.caps))
        add(fd, info, path);
    else
        ::close(fd);
}

void PadWatch::tellRefused(const std::string &path, int error)
{
    // The kernel shows every device's capabilities to everyone, so that only a refused pad
    // is told of, not the keyboards and mice that are no player's to read.
    const std::string sys = "/sys/class/input/" + path.substr(path.rfind('/') + 1) + "/device/";
    const Capabilities caps{sysfsBits<KEY_CNT>(firstLine(sys + "capabilities/key")),
                            sysfsBits<ABS_CNT>(firstLine(sys + "capabilities/abs"))};
    if ((error != EACCES && error != EPERM) || !isPad(caps) || !m_told.insert(path).second || !onRefused)
        return;
    onRefused("cannot read the game pad " + path + " (" + firstLine(sys + "name") + "): " + std::strerror(error) +
              "; the keyboard plays on (man 6 quorrax says how to give the game the pad)");
}

} // namespace quorrax
