// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorrax {

// The private-profile read of one value: what GetPrivateProfileStringA would copy into a
// buffer of `size` characters (so at most size - 1 of them), up to its first NUL.
// A missing file, section or key gives `fallback`.
std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view fallback,
                                    std::size_t size, const std::string &path);

// The private-profile write of one value. Replaces the key's line, or adds the key (and
// the section) where it is missing; every other byte of the file stays as it was.
// Returns false when the file could not be written; the old file is then untouched.
// Lines it adds end the way the file's first line does, CR LF in a new file. The save
// goes through a temporary file and a rename, so the file is always wholly old or wholly
// new; the player's own symbolic link stays a link and the file it leads to is replaced.
// A link of someone else's is not written through, and a link to a file that does not
// exist does not create that file.
bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string &path);

// How a save went. Where it failed: each file that refused and why, in words for the player
// ("/path/Quorx.ini: Permission denied"). Where the shared file refused but the player's own
// copy holds the value: that copy, and in `problem` why the shared file refused. Names of
// files and folders are as printablePath gives them.
struct SaveResult {
    bool saved = true;
    std::string problem;
    std::string ownCopy;
    std::vector<std::string> unlocked; // folders whose lock others held too long to wait for
};

// The high-score file of a program whose folder a player may not be allowed to write: the
// shared file beside the program, and the player's own copy, which holds the value while the
// shared file refuses it. `own` is empty where the player has no folder of their own; the
// shared file is then the only one. `shared` is empty for a program that never keeps files
// beside itself; the player's own copy is then the only one.
struct ProfileFile {
    std::string shared;
    std::string own;
};

// The write of one value into the shared file, exactly as WritePrivateProfileString does.
// Only where the shared file refuses it does the value go to the player's own copy; the
// copy is made where it is missing, with its folders (readable by the player only), from
// the shared file's bytes with the one key replaced, saved in one rename like every save.
// Where nothing could be written, every file is as it was.
//
// Other copies of the game may save the same files at the same time, or the player may have
// changed them meanwhile: under the locks of the files' folders, `keep` is asked first, with
// the file about to be written, and where it says the value there stays, that file is not
// written (and the save is done).
SaveResult writeProfileString(std::string_view section, std::string_view key, std::string_view value,
                              const ProfileFile &file,
                              const std::function<bool(const std::string &current)> &keep = {});

// A file's name as a line on the player's terminal can show it: the bytes that make
// characters the locale prints stay as they are, and every other byte is written \xNN, so
// that the line names the real file and can be pasted into a shell.
std::string printablePath(std::string_view path);

} // namespace quorrax
