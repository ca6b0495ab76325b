// SPDX-License-Identifier: MIT
#pragma once

#include "highscore/savefault.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorrax::test {

// A fresh folder of the test's own under the system's temporary folder, removed with
// everything in it afterwards.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorrax-test-XXXXXX").string();
        m_dir = mkdtemp(pattern.data()) ? pattern : "";
    }
    ~ScratchFolder()
    {
        if (std::error_code ignored; !m_dir.empty())
            std::filesystem::remove_all(m_dir, ignored);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::filesystem::path &dir() const { return m_dir; }
    // The folder as the game names its own: ending in "/".
    std::string path() const { return m_dir.string() + "/"; }

private:
    std::filesystem::path m_dir;
};

// The text with each "{name}" of `places` replaced by its folder, as the game names it.
inline std::string placed(std::string text,
                          std::initializer_list<std::pair<std::string_view, std::filesystem::path>> places)
{
    for (const auto &[name, folder] : places)
        for (auto at = text.find(name); at != std::string::npos; at = text.find(name))
            text.replace(at, name.size(), folder.string());
    return text;
}

// Takes the right to write away from a file or folder for the scope: as root, whom the
// mode does not stop, by making it immutable.
struct ReadOnly {
    explicit ReadOnly(std::filesystem::path target) : path(std::move(target)) {}
    ReadOnly(const ReadOnly &) = delete;
    std::filesystem::path path;
    bool ok = ::chmod(path.c_str(), 0555) == 0 &&
              (::geteuid() != 0 || std::system(("chattr +i '" + path.string() + "'").c_str()) == 0);
    ~ReadOnly()
    {
        if (::geteuid() == 0 && std::system(("chattr -i '" + path.string() + "'").c_str()) != 0)
            ADD_FAILURE() << "cannot make " << path << " writable again";
        ::chmod(path.c_str(), 0755);
    }
};

// Folders locked for the scope as another program locks them, and a clock for the saves' waits
// that costs no time and adds them up; a wait without end gets the locks after 10 s of it.
struct LocksHeldElsewhere : savefault::LockClock {
    explicit LocksHeldElsewhere(const std::vector<std::filesystem::path> &folders)
    {
        for (const auto &folder : folders)
            EXPECT_EQ(::flock(fds.emplace_back(::open(folder.c_str(), O_RDONLY | O_DIRECTORY)), LOCK_EX), 0);
        savefault::setLockClock(this);
    }
    ~LocksHeldElsewhere() override { savefault::setLockClock(nullptr), letGo(); }
    void letGo() { std::for_each(fds.begin(), fds.end(), ::close), fds.clear(); }
    std::chrono::steady_clock::time_point now() override { return std::chrono::steady_clock::time_point(waited); }
    void sleepFor(std::chrono::steady_clock::duration span) override
    {
        if (span <= span.zero() || (waited += span) > std::chrono::seconds(10)) // lost its deadline
            letGo();
    }
    std::vector<int> fds;
    std::chrono::steady_clock::duration waited{};
};

} // namespace quorrax::test
