#pragma once

// Properties of the high-score file that hold for a file of any bytes at all. The fuzz
// target and the stress test over its saved inputs share them.

#include "shell/convert.h"
#include "shell/profile.h"

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

// Empty when every property holds for a file of `input`, else the first that failed.
// `scratch` is an empty folder of the caller's, left empty again.
inline std::string checkProfileInvariants(std::string_view input, const std::filesystem::path &scratch)
{
    const std::filesystem::path file = scratch / "Quorx.ini";
    const auto read = [&](std::size_t size) { return GetPrivateProfileString("Quorrax", "HighScore", "0", size, file); };
    const auto write = [&](std::string_view value) { return WritePrivateProfileString("Quorrax", "HighScore", value, file); };
    spill(file, input);
    std::string failure;
    const std::string whole = read(1024);
    // A smaller buffer only ever cuts the text shorter.
    for (std::size_t size : {0, 1, 2, 3, 17, 1023})
        if (const std::string part = read(size); part.size() >= std::max<std::size_t>(size, 1) || !whole.starts_with(part))
            failure = "a read with a buffer of " + std::to_string(size) + " is not a cut of the whole text";
    if (const auto number = CLng(whole); number && CLng(std::to_string(*number)) != number)
        failure = "the number read does not survive its own decimal text";

    // A value written reads back, the same value again changes nothing, and once the key's
    // line is the game's own, a save changes the value and nothing else, in any encoding.
    std::string first, second;
    for (const std::string_view value : {"12345", "-7", "12345"}) {
        first = slurp(file);
        if (failure.empty() && (!write(value) || read(1024) != value))
            failure = std::string(value) + " does not read back after its save";
        else if (failure.empty() && (second = slurp(file), !write(value) || slurp(file) != second))
            failure = "saving the same value again changed the file";
    }
    const auto [a, b] = std::mismatch(first.begin(), first.end(), second.begin(), second.end());
    const auto [ra, rb] = std::mismatch(first.rbegin(), std::make_reverse_iterator(a), second.rbegin(),
                                        std::make_reverse_iterator(b));
    std::string was(a, ra.base()), now(b, rb.base());
    std::erase(was, '\0'), std::erase(now, '\0');
    if (failure.empty() && (was != "-7" || now != "12345"))
        failure = "a save changed more than the value: '" + was + "' became '" + now + "'";
    for (const auto &entry : std::filesystem::directory_iterator(scratch))
        if (entry.path() != file && failure.empty())
            failure = "a save left " + entry.path().filename().string() + " behind";
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(scratch))
        std::filesystem::remove_all(entry.path(), ignored);
    return failure;
}

} // namespace quorrax::fuzzcheck
