#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorrax {

// The private-profile read of one value: what GetPrivateProfileStringA would copy into a
// buffer of `size` characters (so at most size - 1 of them), up to its first NUL.
// A missing file, section or key gives `fallback`.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view fallback, std::size_t size,
                                    const std::string &path);

// The private-profile write of one value. Replaces the key's line, or adds the key (and
// the section) where it is missing; every other byte of the file stays as it was.
// Returns false when the file could not be written; the old file is then untouched.
// Lines it adds end the way the file's first line does, CR LF in a new file. The save
// goes through a temporary file and a rename, so the file is always wholly old or wholly
// new; a symbolic link stays a link and the file it leads to is replaced.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string &path);

// The high-score file of a program whose folder a player may not be allowed to write: the
// shared file beside the program, and the player's own copy, which takes its place once the
// program's folder has refused a save. `own` is empty where the player has no folder of
// their own; the shared file is then the only one.
struct ProfileFile {
    std::string shared;
    std::string own;
};

// The file a read looks at: the player's own copy where there is one, else the shared file.
const std::string &profileToRead(const ProfileFile &file);

// The write of one value into the file the player sees. Without an own copy the shared file
// is written, exactly as WritePrivateProfileString does. Where that is refused, the own copy
// is made, with its folders: the shared file's bytes with the one key replaced, saved in one
// rename like every save. Once the own copy exists, only it is written, so that the next
// read finds what was written. Returns false when nothing could be written; every file is
// then as it was.
bool writeProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const ProfileFile &file);

namespace testing {

// The steps of a save at which a test can make it fail the way a full disk or a failing
// device would. DuringWrite fails once `bytes` bytes of the new file have been written.
enum class SaveStep { None, AfterTempCreated, DuringWrite, BeforeFsync, BeforeRename, BeforeDirSync };

// Makes every following save fail at `step` until it is called again with SaveStep::None.
void setSaveFault(SaveStep step, std::size_t bytes = 0);

} // namespace testing

} // namespace quorrax
