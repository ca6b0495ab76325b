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
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string &path);

} // namespace quorrax
