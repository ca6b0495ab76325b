// SPDX-License-Identifier: MIT
#pragma once

#include "highscore/posixfile.h"

#include <chrono>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

// Saving the high-score file so that a crash, a full disk or a failing device at any moment
// leaves either the old file or the new one in its place, never a mix of the two, and so
// that two copies of the game saving at once take turns.

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
// status and `oldFd` the target open for reading; a new file has neither, and is created
// with `newMode` (less the umask). Temporary files that earlier saves of this player left
// in the folder (a save killed half-way) are removed first. Returns 0, or the errno value
// of what failed.
int saveAtomically(const std::string &target, int oldFd, const struct stat *old, const Edit &edit,
                   mode_t newMode = 0666);

// Removes what saves of this player killed half-way left beside `target`: their hidden
// temporary files, as big as the file they were writing. A save does it first; so does an
// end of the game that had nothing to save. Others' files are not ours to touch.
void removeLeftoversBeside(const std::string &target);

// Holds the lock of a folder's saves while it lives. Every save takes the lock of the folder
// it writes in, and a save that must first read the file again takes it before that read,
// so that two copies of the game never interleave. Locks of the same folder nest within
// one process. Where the folder cannot be opened, there is nothing to lock and the save
// goes on alone.
//
// Anyone who may read a folder may lock it, and hold the lock for ever: a save waits for
// its locks lockPatience at most, all of them together, then goes on without the ones it
// could not take, and foldersSavedUnlocked names them.
class FolderLock
{
public:
    explicit FolderLock(const std::string &folder);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

private:
    dev_t m_device = 0;
    ino_t m_inode = 0;
    bool m_held = false;
};

inline constexpr std::chrono::milliseconds lockPatience{1500};

// The folders whose lock saves went on without since the last call, once each.
std::vector<std::string> foldersSavedUnlocked();

} // namespace quorrax::profile_detail
