// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

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
// ("/path/Quorx.ini: Permission denied").
struct SaveResult {
    bool saved = true;
    std::string problem;
};

// The high-score file of a program whose folder a player may not be allowed to write: the
// shared file beside the program, and the player's own copy, which takes its place once the
// program's folder has refused a save. `own` is empty where the player has no folder of
// their own; the shared file is then the only one. `shared` is empty for a program that
// never keeps files beside itself; the player's own copy is then the only one.
struct ProfileFile {
    std::string shared;
    std::string own;
};

// The file a read looks at: the player's own copy where there is one, else the shared file.
const std::string &profileToRead(const ProfileFile &file);

// The write of one value into the file the player sees. Without an own copy the shared file
// is written, exactly as WritePrivateProfileString does. Where that is refused, the own copy
// is made, with its folders (readable by the player only): the shared file's bytes with the
// one key replaced, saved in one rename like every save. Once the own copy exists, only it
// is written, so that the next read finds what was written. Where nothing could be
// written, every file is as it was.
//
// Other copies of the game may save the same file at the same time, or the player may have
// changed it meanwhile: under the lock of the file's folders, `keep` is asked first, with
// the file that holds the value now (as profileToRead gives it), and where it says the
// value there stays, nothing is written.
SaveResult writeProfileString(std::string_view section, std::string_view key, std::string_view value,
                              const ProfileFile &file,
                              const std::function<bool(const std::string &current)> &keep = {});

} // namespace quorrax
