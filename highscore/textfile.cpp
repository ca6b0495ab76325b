// SPDX-License-Identifier: MIT
#include "highscore/textfile.h"

#include <cerrno>

#include <unistd.h>

namespace quorrax::profile_detail {

// FIXME: characters outside code page 1252 become '?'; the platform would first try a
// "best fit" (fullwidth digits to ASCII digits and the like), which only a Unicode file
// can ask for.
char toCp1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < cp1252Upper.size(); ++i)
        if (cp1252Upper[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

std::u16string widen(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    std::u16string wide;
    wide.reserve(text.size());
    for (char c : text)
        wide.push_back(fromCp1252(static_cast<unsigned char>(c)));
    return wide;
}

std::string narrow(std::u16string_view wide)
{
    std::string text;
    text.reserve(wide.size());
    for (char16_t c : wide)
        text.push_back(toCp1252(c));
    return text;
}

std::u16string trimStart(std::u16string text)
{
    std::size_t first = 0;
    while (first < text.size() && isBlank(text[first]))
        ++first;
    return text.substr(first);
}

std::u16string trimmed(std::u16string text)
{
    text = trimStart(std::move(text));
    while (!text.empty() && isBlank(text.back()))
        text.pop_back();
    return text;
}

Detected detectEncoding(int fd)
{
    std::array<unsigned char, 3> head{};
    const ssize_t n = ::pread(fd, head.data(), head.size(), 0);
    if (n >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF)
        return {Encoding::Utf8, 3};
    if (n >= 2 && head[0] == 0xFF && head[1] == 0xFE)
        return {Encoding::Utf16Le, 2};
    if (n >= 2 && head[0] == 0xFE && head[1] == 0xFF)
        return {Encoding::Utf16Be, 2};
    return {};
}

Offset ByteSource::skipToLineEnd()
{
    do {
        while (m_pos < m_len) {
            const unsigned char b = m_buffer[m_pos];
            if (b == '\r' || b == '\n')
                return offset();
            ++m_pos;
        }
    } while (fill());
    return offset();
}

bool ByteSource::fill()
{
    m_base += m_len;
    m_pos = m_len = 0;
    for (;;) {
        const ssize_t n = ::pread(m_fd, m_buffer.data(), m_buffer.size(), static_cast<off_t>(m_base));
        if (n < 0 && errno == EINTR)
            continue;
        m_failed = m_failed || n < 0;
        m_len = n > 0 ? static_cast<std::size_t>(n) : 0;
        return m_len > 0;
    }
}

std::string encode(std::u16string_view text, Encoding encoding)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        switch (encoding) {
        case Encoding::Ansi:
            bytes.push_back(toCp1252(c));
            break;
        case Encoding::Utf16Le:
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
            break;
        case Encoding::Utf16Be:
            bytes.push_back(static_cast<char>(c >> 8));
            bytes.push_back(static_cast<char>(c & 0xFF));
            break;
        case Encoding::Utf8: {
            char32_t code = c;
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
                code = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
            else if (c >= 0xD800 && c < 0xE000)
                code = 0xFFFD;
            if (code < 0x80) {
                bytes.push_back(static_cast<char>(code));
            } else if (code < 0x800) {
                bytes.push_back(static_cast<char>(0xC0 | code >> 6));
                bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
            } else if (code < 0x10000) {
                bytes.push_back(static_cast<char>(0xE0 | code >> 12));
                bytes.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
                bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
            } else {
                bytes.push_back(static_cast<char>(0xF0 | code >> 18));
                bytes.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
                bytes.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
                bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
            }
            break;
        }
        }
    }
    return bytes;
}

} // namespace quorrax::profile_detail
