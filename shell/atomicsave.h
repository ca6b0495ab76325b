#pragma once

#include "shell/posixfile.h"

#include <optional>
#include <string>

#include <sys/stat.h>

// Saving the high-score file so that a crash, a full disk or a failing device at any moment
// leaves either the old file or the new one in its place, never a mix of the two.

namespace quorrax::profile_detail {

// The new file is the old one up to `keepUntil`, then `insert`, then the old one again
// from `resumeAt` on.
struct Edit {
    Offset keepUntil = 0;
    std::string insert;
    Offset resumeAt = 0;
};

// Writes the new file beside the target and renames it over the target, so that the
// target is at every moment either wholly old or wholly new. `old` is the target's
// status and `oldFd` the target open for reading; a new file has neither.
bool saveAtomically(const std::string &target, int oldFd, const struct stat *old, const Edit &edit);

// A symbolic link stays a link: the file it leads to is the one replaced. No answer for a
// link that cannot be read or a chain of links too long to be anything but a loop.
std::optional<std::string> resolveLinks(std::string path);

} // namespace quorrax::profile_detail
