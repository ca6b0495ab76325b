// SPDX-License-Identifier: MIT
#pragma once

// What holds for a high-score file of any bytes at all. The fuzz target and the stress
// test over its saved inputs share it.

#include "highscore/profile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quorrax::fuzzcheck {

inline std::string slurp(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void spill(const std::filesystem::path &path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

// Empty when all holds for a file of `input`, else what failed first: every value saved
// reads back, the same value again changes nothing, a save leaves nothing beside the file,
// and once the key's line is the game's own, a save changes the value and nothing else,
// in any encoding. `scratch` is an empty folder, left empty again.
inline std::string checkProfileInvariants(std::string_view input, const std::filesystem::path &scratch)
{
    const std::filesystem::path file = scratch / "Quorx.ini";
    spill(file, input);
    std::string failure, before, after;
    for (const std::string_view value : {"12345", "-7", "12345"}) {
        before = slurp(file);
        if (failure.empty() && (!WritePrivateProfileString("Quorrax", "HighScore", value, file) ||
                                GetPrivateProfileString("Quorrax", "HighScore", "0", 1024, file) != value))
            failure = std::string(value) + " does not read back after its save";
        after = slurp(file);
        if (failure.empty() &&
            (!WritePrivateProfileString("Quorrax", "HighScore", value, file) || slurp(file) != after))
            failure = "saving the same value again changed the file";
    }
    const auto [a, b] = std::mismatch(before.begin(), before.end(), after.begin(), after.end());
    const auto [ra, rb] =
        std::mismatch(before.rbegin(), std::make_reverse_iterator(a), after.rbegin(), std::make_reverse_iterator(b));
    std::string was(a, ra.base()), now(b, rb.base());
    std::erase(was, '\0'), std::erase(now, '\0'); // UTF-16
    if (failure.empty() && (was != "-7" || now != "12345"))
        failure = "a save changed more than the value: '" + was + "' became '" + now + "'";
    if (failure.empty() && std::distance(std::filesystem::directory_iterator(scratch), {}) != 1)
        failure = "a save left a file behind";
    std::filesystem::remove_all(scratch), std::filesystem::create_directory(scratch);
    return failure;
}

} // namespace quorrax::fuzzcheck
