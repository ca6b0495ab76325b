#pragma once

// Properties of the high-score file layer that must hold for any file at all, whatever
// bytes it holds. The fuzz target and the regression test over its saved corpus share them.

#include "shell/convert.h"
#include "shell/profile.h"

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace quorrax::fuzzcheck {

inline std::string slurp(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void spill(const std::filesystem::path &path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The file's characters after any byte-order mark: bytes, or UTF-16 units where the mark
// says so. A last odd byte of a UTF-16 file is kept as a character of its own.
inline std::u32string charactersOf(std::string_view bytes, std::string &mark)
{
    std::size_t unit = 1;
    bool bigEndian = false;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        mark = bytes.substr(0, 3);
    } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        mark = bytes.substr(0, 2);
        unit = 2;
        bigEndian = bytes[0] == '\xFE';
    }
    std::u32string text;
    for (std::size_t at = mark.size(); at < bytes.size(); at += unit) {
        char32_t value = static_cast<unsigned char>(bytes[at]);
        if (unit == 2 && at + 1 < bytes.size()) {
            const char32_t other = static_cast<unsigned char>(bytes[at + 1]);
            value = bigEndian ? (value << 8 | other) : (value | other << 8);
        } else if (unit == 2) {
            value |= 0x10000;
        }
        text.push_back(value);
    }
    return text;
}

// Counts the line ends (CR, LF or CR LF) in a run of characters.
inline std::size_t lineEndsIn(std::u32string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        count += text[i] == U'\r' || (text[i] == U'\n' && (i == 0 || text[i - 1] != U'\r'));
    return count;
}

inline bool isPrefix(std::string_view prefix, std::string_view whole)
{
    return whole.substr(0, prefix.size()) == prefix;
}

// Writes `value`, then checks the bytes the write changed and that the value reads back.
inline std::string checkWrite(const std::filesystem::path &file, std::string_view value)
{
    const std::string before = slurp(file);
    if (!WritePrivateProfileString("Quorrax", "HighScore", value, file.string()))
        return "the write failed";
    const std::string after = slurp(file);
    const std::string back = GetPrivateProfileString("Quorrax", "HighScore", "0", 1024, file.string());
    if (back != value)
        return "the value written reads back as '" + back + "' instead of '" + std::string(value) + "'";

    // Everything before the first changed character and after the last one is shared;
    // what the write removed must lie within one line, and what it added is at most a line
    // end, a section header and the key's line.
    std::string markBefore;
    std::string markAfter;
    const std::u32string old = charactersOf(before, markBefore);
    const std::u32string now = charactersOf(after, markAfter);
    if (!before.empty() && markBefore != markAfter)
        return "the write changed the byte-order mark";
    std::size_t head = 0;
    while (head < old.size() && head < now.size() && old[head] == now[head])
        ++head;
    std::size_t tail = 0;
    while (tail < old.size() - head && tail < now.size() - head &&
           old[old.size() - 1 - tail] == now[now.size() - 1 - tail])
        ++tail;
    if (lineEndsIn(std::u32string_view(old).substr(head, old.size() - head - tail)) > 0)
        return "the write removed a line end or touched another line";
    if (lineEndsIn(std::u32string_view(now).substr(head, now.size() - head - tail)) > 3)
        return "the write added more than a section and a key";
    for (const auto &entry : std::filesystem::directory_iterator(file.parent_path()))
        if (entry.path() != file)
            return "the save left " + entry.path().filename().string() + " behind";

    // The same value again changes nothing.
    if (!WritePrivateProfileString("Quorrax", "HighScore", value, file.string()) || slurp(file) != after)
        return "writing the same value again changed the file";
    return {};
}

// Checks every invariant for a file holding `input`; empty when all hold, else the first
// that failed. `scratch` is an empty folder of the caller's, left empty again.
inline std::string checkProfileInvariants(std::string_view input, const std::filesystem::path &scratch)
{
    const std::filesystem::path file = scratch / "Quorx.ini";
    spill(file, input);
    std::string failure;

    // A smaller buffer only ever cuts the text shorter.
    const std::string whole = GetPrivateProfileString("Quorrax", "HighScore", "0", 1024, file.string());
    if (whole.size() > 1023 || whole.find('\0') != std::string::npos)
        failure = "the text read is longer than the buffer or holds a NUL";
    for (std::size_t size : {0, 1, 2, 3, 5, 17, 1023}) {
        const std::string part = GetPrivateProfileString("Quorrax", "HighScore", "0", size, file.string());
        if (failure.empty() && (part.size() + 1 > (size == 0 ? 1 : size) || !isPrefix(part, whole)))
            failure = "a read with a buffer of " + std::to_string(size) + " is not a prefix of the whole text";
    }

    // A number read converts back to itself.
    if (const auto number = CLng(whole); failure.empty() && number && CLng(std::to_string(*number)) != number)
        failure = "the number read does not survive its own decimal text";

    if (failure.empty())
        failure = checkWrite(file, "12345");
    if (failure.empty())
        failure = checkWrite(file, "-7");
    if (failure.empty())
        failure = checkWrite(file, "\xE9\x81 x");

    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(scratch))
        std::filesystem::remove_all(entry.path(), ignored);
    return failure;
}

} // namespace quorrax::fuzzcheck
