// SPDX-License-Identifier: MIT
#include "highscore/links.h"

#include "highscore/posixfile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorrax::profile_detail {

Resolved resolveLinks(std::string path)
{
    Resolved resolved;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            resolved.path = path;
            return resolved;
        }
        struct stat folder {};
        const std::string holder = directoryOf(path);
        if (st.st_uid != ::geteuid() && (::stat(holder.c_str(), &folder) != 0 || folder.st_uid != st.st_uid)) {
            resolved.refusal = "it is a symbolic link that belongs to another user";
            return resolved;
        }
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) {
            resolved.refusal = "its symbolic link cannot be read";
            return resolved;
        }
        link.resize(static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : holder + "/" + link;
        resolved.throughLink = true;
    }
    resolved.refusal = "its symbolic links lead round in a loop";
    return resolved;
}

int openForReading(const std::string &path)
{
    const Resolved resolved = resolveLinks(path);
    if (resolved.refusal) {
        errno = EACCES;
        return -1;
    }
    // The name was checked link by link; should a link have taken the file's place since,
    // it is not followed.
    return ::open(resolved.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
}

} // namespace quorrax::profile_detail
