// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace quorrax::profile_detail {

// What a file name stands for once its symbolic links are followed. Links are followed only
// where they are the player's: owned by the player, or by the owner of the folder they are
// in. A link that someone else planted in a folder others may write is never read or
// written through.
struct Resolved {
    std::string path;              // the file the name stands for, not itself a link
    bool throughLink = false;      // at least one link was followed to get there
    const char *refusal = nullptr; // why the name may not be used, in words for the player
};
Resolved resolveLinks(std::string path);

// Opens a file to read it, through the player's own links only; -1 where it cannot be
// opened or is not the player's to follow (errno says why).
int openForReading(const std::string &path);

} // namespace quorrax::profile_detail
