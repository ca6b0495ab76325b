// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

// The few pieces of the file system that both the high-score file's reader and its writer
// lean on.

namespace quorrax::profile_detail {

using Offset = std::uint64_t;

// Closes the descriptor on every way out of a read or a save.
struct FileDescriptor {
    int fd = -1;
    FileDescriptor() = default;
    explicit FileDescriptor(int f) : fd(f) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

inline std::string directoryOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

inline bool isDirectory(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace quorrax::profile_detail
