// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

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

} // namespace quorrax::test
