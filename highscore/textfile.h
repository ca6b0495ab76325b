// SPDX-License-Identifier: MIT
#pragma once

#include "highscore/posixfile.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// The text under the high-score file. Whatever the file's encoding, its text is read as
// UTF-16 code units, so that one scanner serves all four encodings; every unit keeps the
// byte offsets it came from, so that a save can copy the file's own bytes around the one
// line it changes.

namespace quorrax::profile_detail {

// Blanks as the profile reader sees them: the C0 spaces, the space, and ^Z, which old DOS
// editors left at the end of text files.
constexpr bool isBlank(char16_t c)
{
    return (c >= 0x09 && c <= 0x0d) || c == 0x1a || c == 0x20;
}

// Names compare without regard to the case of the ASCII letters.
constexpr char16_t foldCase(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c;
}

// Code page 1252 from 0x80 to 0x9F; its five holes stand for the C1 controls of the same
// number, so that every byte of an 8-bit file comes back unchanged.
inline constexpr std::array<char16_t, 32> cp1252Upper = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

inline char16_t fromCp1252(unsigned char b)
{
    return (b >= 0x80 && b < 0xA0) ? cp1252Upper[b - 0x80] : b;
}
char toCp1252(char16_t c);

// The text of an 8-bit argument ends at its first NUL, as a C string would.
std::u16string widen(std::string_view text);
std::string narrow(std::u16string_view wide);

std::u16string trimStart(std::u16string text);
std::u16string trimmed(std::u16string text);

enum class Encoding { Ansi, Utf8, Utf16Le, Utf16Be };

struct Detected {
    Encoding encoding = Encoding::Ansi;
    Offset bom = 0;
};

// Only a byte-order mark makes a file Unicode; without one it is 8-bit text, even when it
// is UTF-16 in fact.
Detected detectEncoding(int fd);

std::string encode(std::u16string_view text, Encoding encoding);

// The file's bytes from a given offset on, read in large blocks so that even a huge file
// is read in few calls and held in memory one block at a time.
class ByteSource
{
public:
    ByteSource(int fd, Offset start) : m_fd(fd), m_base(start) {}
    int get() { return (m_pos < m_len || fill()) ? m_buffer[m_pos++] : -1; }
    int peek() { return (m_pos < m_len || fill()) ? m_buffer[m_pos] : -1; }
    Offset offset() const { return m_base + m_pos; }
    bool failed() const { return m_failed; }

    // Moves on to the next CR or LF byte, or to the end of the file.
    Offset skipToLineEnd();

private:
    bool fill();

    int m_fd;
    Offset m_base;
    std::size_t m_pos = 0;
    std::size_t m_len = 0;
    bool m_failed = false;
    std::array<unsigned char, 1 << 16> m_buffer{};
};

// One UTF-16 code unit of the file's text with the bytes it came from.
struct Unit {
    char16_t c = 0;
    Offset begin = 0;
    Offset end = 0;
};

class UnitReader
{
public:
    UnitReader(ByteSource &source, Encoding encoding) : m_source(source), m_encoding(encoding) {}

    bool next(Unit &unit);

    // Skips the rest of a line where a line end is one byte that no other character
    // contains; returns where the skip ended.
    Offset skipToLineEnd();

private:
    bool nextUtf8(Unit &unit);

    ByteSource &m_source;
    Encoding m_encoding;
    bool m_hasLow = false;
    Unit m_low;
};

// The scan asks for every unit of the file, so the reader stays inline with it.
inline bool UnitReader::next(Unit &unit)
{
    if (m_hasLow) {
        m_hasLow = false;
        unit = m_low;
        return true;
    }
    const Offset begin = m_source.offset();
    if (m_encoding == Encoding::Utf8)
        return nextUtf8(unit);
    const int first = m_source.get();
    if (first < 0)
        return false;
    if (m_encoding == Encoding::Ansi) {
        unit = {fromCp1252(static_cast<unsigned char>(first)), begin, begin + 1};
        return true;
    }
    // A last odd byte of a UTF-16 file is not part of its text.
    const int second = m_source.get();
    if (second < 0)
        return false;
    const int value = m_encoding == Encoding::Utf16Le ? (first | second << 8) : (first << 8 | second);
    unit = {static_cast<char16_t>(value), begin, begin + 2};
    return true;
}

inline Offset UnitReader::skipToLineEnd()
{
    if (m_hasLow || m_encoding == Encoding::Utf16Le || m_encoding == Encoding::Utf16Be)
        return m_source.offset();
    return m_source.skipToLineEnd();
}

// A broken sequence becomes one U+FFFD for its longest valid beginning.
inline bool UnitReader::nextUtf8(Unit &unit)
{
    const Offset begin = m_source.offset();
    const int lead = m_source.get();
    if (lead < 0)
        return false;
    char32_t code = 0xFFFD;
    int need = 0;
    int low = 0x80;
    int high = 0xBF;
    if (lead < 0x80) {
        code = static_cast<char32_t>(lead);
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        code = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        code = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    for (int i = 0; i < need; ++i) {
        const int next = m_source.peek();
        if (next < low || next > high) {
            code = 0xFFFD;
            break;
        }
        m_source.get();
        code = code << 6 | (next & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    const Offset end = m_source.offset();
    if (code < 0x10000) {
        unit = {static_cast<char16_t>(code), begin, end};
        return true;
    }
    code -= 0x10000;
    unit = {static_cast<char16_t>(0xD800 + (code >> 10)), begin, end};
    m_low = {static_cast<char16_t>(0xDC00 + (code & 0x3FF)), begin, end};
    m_hasLow = true;
    return true;
}

} // namespace quorrax::profile_detail
