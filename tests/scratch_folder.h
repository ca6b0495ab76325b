#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quorrax::testing {

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

} // namespace quorrax::testing
