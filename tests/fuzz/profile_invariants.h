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

    // A value written reads back; the next save changes that value and nothing else,
    // whatever the file's encoding; the same value again changes nothing.
    std::string first;
    std::string second;
    if (!failure.empty()) {
    } else if (!write("12345") || read(1024) != "12345") {
        failure = "12345 does not read back after its save";
    } else if (first = slurp(file); !write("-7") || read(1024) != "-7") {
        failure = "-7 does not read back after its save";
    } else if (second = slurp(file); !write("-7") || slurp(file) != second) {
        failure = "saving the same value again changed the file";
    } else {
        const auto [a, b] = std::mismatch(first.begin(), first.end(), second.begin(), second.end());
        const auto [ra, rb] = std::mismatch(first.rbegin(), std::make_reverse_iterator(a), second.rbegin(),
                                            std::make_reverse_iterator(b));
        std::string was(a, ra.base()), now(b, rb.base());
        std::erase(was, '\0');
        std::erase(now, '\0');
        if (was != "12345" || now != "-7")
            failure = "the save changed more than the value: '" + was + "' became '" + now + "'";
    }
    for (const auto &entry : std::filesystem::directory_iterator(scratch))
        if (entry.path() != file && failure.empty())
            failure = "a save left " + entry.path().filename().string() + " behind";
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(scratch))
        std::filesystem::remove_all(entry.path(), ignored);
    return failure;
}

} // namespace quorrax::fuzzcheck
