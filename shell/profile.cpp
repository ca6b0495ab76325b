#include "shell/profile.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The high-score file is read and written the way the platform's private-profile calls do
// it, so that a file written by the original game reads the same here. The reader streams
// the file once and keeps only what can still matter (the key's value up to the caller's
// buffer size), so a huge or broken file costs time in proportion to its size and no more
// memory than a small one. The writer changes the one key's line and nothing else, and
// replaces the file in one rename so that a crash leaves either the old or the new file.

namespace quorrax {
namespace {

using Offset = std::uint64_t;

// Blanks as the profile reader sees them: the C0 spaces, the space, and ^Z, which old DOS
// editors left at the end of text files.
constexpr bool isBlank(char16_t c) { return (c >= 0x09 && c <= 0x0d) || c == 0x1a || c == 0x20; }

// Names compare without regard to the case of the ASCII letters.
constexpr char16_t foldCase(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c; }

// Code page 1252 from 0x80 to 0x9F; its five holes stand for the C1 controls of the same
// number, so that every byte of an 8-bit file comes back unchanged.
constexpr std::array<char16_t, 32> cp1252Upper = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t fromCp1252(unsigned char b) { return (b >= 0x80 && b < 0xA0) ? cp1252Upper[b - 0x80] : b; }

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

// The text of an 8-bit argument ends at its first NUL, as a C string would.
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

// ---------------------------------------------------------------------------------------
// Bytes to text units

enum class Encoding { Ansi, Utf8, Utf16Le, Utf16Be };

struct Detected {
    Encoding encoding = Encoding::Ansi;
    Offset bom = 0;
};

// Only a byte-order mark makes a file Unicode; without one it is 8-bit text, even when it
// is UTF-16 in fact.
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

class ByteSource {
public:
    ByteSource(int fd, Offset start) : m_fd(fd), m_base(start) {}
    int get() { return (m_pos < m_len || fill()) ? m_buffer[m_pos++] : -1; }
    int peek() { return (m_pos < m_len || fill()) ? m_buffer[m_pos] : -1; }
    Offset offset() const { return m_base + m_pos; }
    bool failed() const { return m_failed; }

    // Moves on to the next CR or LF byte, or to the end of the file.
    Offset skipToLineEnd()
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

private:
    bool fill()
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

class UnitReader {
public:
    UnitReader(ByteSource &source, Encoding encoding) : m_source(source), m_encoding(encoding) {}

    bool next(Unit &unit)
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

    // Skips the rest of a line where a line end is one byte that no other character
    // contains; returns where the skip ended.
    Offset skipToLineEnd()
    {
        if (m_hasLow || m_encoding == Encoding::Utf16Le || m_encoding == Encoding::Utf16Be)
            return m_source.offset();
        return m_source.skipToLineEnd();
    }

private:
    // A broken sequence becomes one U+FFFD for its longest valid beginning.
    bool nextUtf8(Unit &unit)
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

    ByteSource &m_source;
    Encoding m_encoding;
    bool m_hasLow = false;
    Unit m_low;
};

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

// ---------------------------------------------------------------------------------------
// Finding the key

struct Target {
    std::u16string section; // blanks trimmed
    std::u16string key;     // blanks trimmed
    std::size_t valueCap = 0;
    const std::u16string *newValue = nullptr;
};

// The key's line, with the byte offsets a write needs to replace its value.
struct KeyLine {
    bool hasValue = false; // a line without '=' names the key but gives it no value
    std::u16string valuePrefix;
    std::size_t valueLength = 0;
    char16_t valueLast = 0;
    bool valueEqualsNew = false;
    Offset nameEnd = 0;
    Offset valueBegin = 0;
    Offset contentEnd = 0;
    bool terminated = false;
};

struct Scan {
    Encoding encoding = Encoding::Ansi;
    Offset start = 0;
    bool ioError = false;
    bool sectionFound = false;
    std::optional<KeyLine> key;
    Offset insertAt = 0;
    bool insertNeedsEol = false;
    Offset end = 0;
    bool endsWithEol = false;
    std::u16string eol; // the file's first line end
};

// Reads the file's text one unit at a time, line by line. Lines end at CR, LF or CR LF.
// Only the first section of the wanted name counts, and in it the first line naming the
// key; a name or value ends at its first NUL. The scan stops as soon as the answer is
// known.
class Scanner {
public:
    Scanner(const Target &target, Offset start) : m_target(target)
    {
        m_scan.start = m_scan.end = m_scan.insertAt = start;
        // Lines before the first section header belong to the section without a name.
        m_inTarget = m_scan.sectionFound = target.section.empty();
        startLine(start);
    }

    // Returns false once the rest of the file cannot change the answer.
    bool feed(const Unit &unit)
    {
        m_scan.end = unit.end;
        m_scan.endsWithEol = unit.c == u'\r' || unit.c == u'\n';
        if (m_pendingCr) {
            m_pendingCr = false;
            if (unit.c == u'\n')
                return closeLine(m_cr.begin, unit.end, u"\r\n");
            if (!closeLine(m_cr.begin, m_cr.end, u"\r"))
                return false;
        }
        if (unit.c == u'\r') {
            m_pendingCr = true;
            m_cr = unit;
            return true;
        }
        if (unit.c == u'\n')
            return closeLine(unit.begin, unit.end, u"\n");
        lineUnit(unit);
        return true;
    }

    // True while the rest of the current line cannot change the answer, only where it
    // ends: a key line outside the wanted section, or one whose name is already wrong.
    bool lineSettled() const
    {
        if (m_lead != Lead::Text || m_pendingCr)
            return false;
        if (!m_inTarget)
            return true;
        if (m_sawEquals)
            return !m_capturing;
        return !m_namePrefix || m_nameTail == NameTail::Broken;
    }

    void skippedTo(Offset end)
    {
        m_scan.end = end;
        m_scan.endsWithEol = false;
    }

    void finish()
    {
        if (m_pendingCr)
            closeLine(m_cr.begin, m_cr.end, u"\r");
        else
            endLine(m_scan.end, m_scan.end, false);
    }

    Scan &result() { return m_scan; }

private:
    enum class Lead { Blank, Bracket, Text };
    enum class NameTail { Blanks, Nul, Broken };
    enum class HeaderTail { Blanks, Closed, Nul, NulClosed, Broken };

    void startLine(Offset begin)
    {
        m_lead = Lead::Blank;
        m_nameLength = 0;
        m_namePrefix = true;
        m_nameTail = NameTail::Blanks;
        m_sawEquals = false;
        m_nameMatched = false;
        m_nameEnd = begin;
        m_capturing = false;
        m_headerSkip = true;
        m_headerLength = 0;
        m_headerPrefix = true;
        m_headerTail = HeaderTail::Blanks;
        m_hasBracket = false;
    }

    bool closeLine(Offset termBegin, Offset termEnd, std::u16string_view eol)
    {
        if (m_scan.eol.empty())
            m_scan.eol = eol;
        const bool going = endLine(termBegin, termEnd, true);
        startLine(termEnd);
        return going;
    }

    void lineUnit(const Unit &unit)
    {
        const char16_t c = unit.c;
        bool first = false;
        if (m_lead == Lead::Blank) {
            if (isBlank(c))
                return;
            m_lead = c == u'[' ? Lead::Bracket : Lead::Text;
            first = true;
        }
        if (m_lead == Lead::Bracket && !first)
            feedHeader(c);
        if (m_sawEquals) {
            if (m_capturing)
                feedValue(unit);
        } else if (c == u'=') {
            m_sawEquals = true;
            m_valueBegin = unit.end;
            m_nameMatched = nameMatches();
            if (m_nameMatched && m_inTarget)
                startValue();
        } else {
            feedName(c);
            if (!isBlank(c))
                m_nameEnd = unit.end;
        }
    }

    // The name is what precedes the first '=', blanks trimmed, up to its first NUL.
    void feedName(char16_t c)
    {
        const std::u16string &key = m_target.key;
        if (m_nameLength < key.size()) {
            m_namePrefix = m_namePrefix && foldCase(c) == foldCase(key[m_nameLength]);
        } else if (m_nameLength == key.size()) {
            m_nameTail = c == 0 ? NameTail::Nul : isBlank(c) ? NameTail::Blanks : NameTail::Broken;
        } else if (m_nameTail == NameTail::Blanks && !isBlank(c)) {
            m_nameTail = NameTail::Broken;
        }
        ++m_nameLength;
    }

    bool nameMatches() const
    {
        return m_namePrefix && m_nameLength >= m_target.key.size() && m_nameTail != NameTail::Broken;
    }

    // A header's name lies between its '[' and its last ']', blanks trimmed, up to its
    // first NUL; whatever follows the last ']' does not count.
    void feedHeader(char16_t c)
    {
        if (m_headerSkip && isBlank(c))
            return;
        m_headerSkip = false;
        m_hasBracket = m_hasBracket || c == u']';
        const std::u16string &section = m_target.section;
        if (m_headerLength < section.size()) {
            m_headerPrefix = m_headerPrefix && foldCase(c) == foldCase(section[m_headerLength]);
        } else if (m_headerLength == section.size()) {
            m_headerTail = c == 0      ? HeaderTail::Nul
                           : c == u']' ? HeaderTail::Closed
                           : isBlank(c) ? HeaderTail::Blanks
                                        : HeaderTail::Broken;
        } else if (m_headerTail == HeaderTail::Blanks) {
            m_headerTail = c == u']' ? HeaderTail::Closed : isBlank(c) ? HeaderTail::Blanks : HeaderTail::Broken;
        } else if (m_headerTail == HeaderTail::Closed && c == u']') {
            m_headerTail = HeaderTail::Broken;
        } else if (m_headerTail == HeaderTail::Nul && c == u']') {
            m_headerTail = HeaderTail::NulClosed;
        }
        ++m_headerLength;
    }

    bool headerMatches() const
    {
        return m_headerPrefix && m_headerLength > m_target.section.size() &&
               (m_headerTail == HeaderTail::Closed || m_headerTail == HeaderTail::NulClosed);
    }

    void startValue()
    {
        m_capturing = true;
        m_valueStarted = false;
        m_valueNul = false;
        m_value.clear();
        m_valueAll = m_valueTrimmed = m_valueEqual = 0;
        m_valueLastAny = m_valueLastTrimmed = 0;
    }

    // The value runs from the first non-blank after '=' to the line's last non-blank, or
    // to its first NUL.
    void feedValue(const Unit &unit)
    {
        const char16_t c = unit.c;
        if (!m_valueStarted) {
            if (isBlank(c))
                return;
            m_valueStarted = true;
            m_valueBegin = unit.begin;
        }
        if (m_valueNul)
            return;
        if (c == 0) {
            m_valueNul = true;
            return;
        }
        if (m_value.size() < m_target.valueCap)
            m_value.push_back(c);
        const std::u16string *wanted = m_target.newValue;
        if (wanted && m_valueEqual == m_valueAll && m_valueAll < wanted->size() && (*wanted)[m_valueAll] == c)
            ++m_valueEqual;
        ++m_valueAll;
        m_valueLastAny = c;
        if (!isBlank(c)) {
            m_valueTrimmed = m_valueAll;
            m_valueLastTrimmed = c;
        }
    }

    bool endLine(Offset termBegin, Offset termEnd, bool terminated)
    {
        if (m_lead == Lead::Blank)
            return true;
        if (m_lead == Lead::Bracket && m_hasBracket) {
            if (m_inTarget)
                return false; // the wanted section ended without the key
            if (!m_scan.sectionFound && headerMatches()) {
                m_scan.sectionFound = m_inTarget = true;
                m_scan.insertAt = termEnd;
                m_scan.insertNeedsEol = !terminated;
            }
            return true;
        }
        if (!m_inTarget)
            return true;
        m_scan.insertAt = termEnd;
        m_scan.insertNeedsEol = !terminated;
        if (!(m_sawEquals ? m_nameMatched : nameMatches()))
            return true;
        KeyLine key;
        key.hasValue = m_sawEquals;
        if (key.hasValue) {
            key.valueLength = m_valueNul ? m_valueAll : m_valueTrimmed;
            key.valueLast = m_valueNul ? m_valueLastAny : m_valueLastTrimmed;
            m_value.resize(std::min(m_value.size(), key.valueLength));
            key.valuePrefix = std::move(m_value);
            key.valueEqualsNew = m_target.newValue && key.valueLength == m_target.newValue->size() &&
                                 m_valueEqual >= key.valueLength;
        }
        key.nameEnd = m_nameEnd;
        key.valueBegin = m_valueBegin;
        key.contentEnd = termBegin;
        key.terminated = terminated;
        m_scan.key = std::move(key);
        return false;
    }

    const Target &m_target;
    Scan m_scan;
    bool m_inTarget = false;
    bool m_pendingCr = false;
    Unit m_cr;

    Lead m_lead = Lead::Blank;
    std::size_t m_nameLength = 0;
    bool m_namePrefix = true;
    NameTail m_nameTail = NameTail::Blanks;
    bool m_sawEquals = false;
    bool m_nameMatched = false;
    Offset m_nameEnd = 0;

    bool m_headerSkip = true;
    std::size_t m_headerLength = 0;
    bool m_headerPrefix = true;
    HeaderTail m_headerTail = HeaderTail::Blanks;
    bool m_hasBracket = false;

    bool m_capturing = false;
    bool m_valueStarted = false;
    bool m_valueNul = false;
    Offset m_valueBegin = 0;
    std::u16string m_value;
    std::size_t m_valueAll = 0;
    std::size_t m_valueTrimmed = 0;
    std::size_t m_valueEqual = 0;
    char16_t m_valueLastAny = 0;
    char16_t m_valueLastTrimmed = 0;
};

Scan scanFile(int fd, const Target &target)
{
    const Detected detected = detectEncoding(fd);
    ByteSource source(fd, detected.bom);
    UnitReader units(source, detected.encoding);
    Scanner scanner(target, detected.bom);
    Unit unit;
    bool going = true;
    while (going && units.next(unit)) {
        going = scanner.feed(unit);
        if (going && scanner.lineSettled()) {
            const Offset from = source.offset();
            const Offset to = units.skipToLineEnd();
            if (to > from)
                scanner.skippedTo(to);
        }
    }
    if (going)
        scanner.finish();
    Scan scan = std::move(scanner.result());
    scan.encoding = detected.encoding;
    scan.ioError = source.failed();
    return scan;
}

// The platform's copy of a value into the caller's buffer: a value wholly enclosed in a
// pair of the same quotes loses them, and the buffer keeps at most size - 1 characters.
// The closing quote is dropped by position, so a quoted value that just overflows the
// buffer loses its last character instead.
template <typename Text>
Text copyEntry(const Text &prefix, std::size_t length, typename Text::value_type last, std::size_t size)
{
    std::size_t start = 0;
    const bool quoted = length >= 2 && (prefix[0] == '"' || prefix[0] == '\'') && last == prefix[0];
    if (quoted)
        start = 1;
    const std::size_t rest = length - start;
    Text copy = prefix.substr(start, std::min(size - 1, rest));
    if (quoted && size >= rest && !copy.empty())
        copy.pop_back();
    return copy;
}

struct FileDescriptor {
    int fd = -1;
    FileDescriptor() = default;
    explicit FileDescriptor(int f) : fd(f) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string directoryOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool isDirectory(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view fallback,
                                    std::size_t size, const std::string &path)
{
    if (size == 0)
        return {};
    // The default loses its trailing spaces, all but a first one.
    std::string deflt(fallback.substr(0, fallback.find('\0')));
    while (deflt.size() > 1 && deflt.back() == ' ')
        deflt.pop_back();

    if (path.empty())
        return deflt.substr(0, size - 1);
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    const bool opened = file.fd >= 0 && ::fstat(file.fd, &st) == 0 && S_ISREG(st.st_mode);
    // A file that is merely missing reads as an empty one; one that cannot be opened at
    // all gives the default as it is.
    if (!opened && !(file.fd < 0 && errno == ENOENT && isDirectory(directoryOf(path))))
        return deflt.substr(0, size - 1);

    if (opened) {
        const Target target{trimmed(widen(section)), trimmed(widen(key)), size};
        const Scan scan = scanFile(file.fd, target);
        if (!scan.ioError && scan.key && scan.key->hasValue) {
            const KeyLine &found = *scan.key;
            return narrow(copyEntry(found.valuePrefix, found.valueLength, found.valueLast, size));
        }
    }
    return copyEntry(deflt, deflt.size(), deflt.empty() ? '\0' : deflt.back(), size);
}

// ---------------------------------------------------------------------------------------
// Saving

namespace {

testing::SaveStep g_faultStep = testing::SaveStep::None;
std::size_t g_faultBytes = 0;

bool faultAt(testing::SaveStep step) { return g_faultStep == step; }

// The new file is the old one up to `keepUntil`, then `insert`, then the old one again
// from `resumeAt` on.
struct Edit {
    Offset keepUntil = 0;
    std::string insert;
    Offset resumeAt = 0;
};

Edit planEdit(const Scan &scan, const std::u16string &section, const std::u16string &key,
              const std::u16string &value)
{
    // Lines we add end the way the file's first line does; CR LF in a file that has no
    // line end yet.
    const std::u16string eol = scan.eol.empty() ? u"\r\n" : scan.eol;
    if (scan.key) {
        // The line keeps its indent, the key's spelling and the spacing around '='; the
        // old value and whatever trailed it give way to the new value.
        const KeyLine &line = *scan.key;
        std::u16string text = line.hasValue ? value : u"=" + value;
        if (!line.terminated)
            text += eol;
        return {line.hasValue ? line.valueBegin : line.nameEnd, encode(text, scan.encoding), line.contentEnd};
    }
    if (scan.sectionFound) {
        // A new key goes after the last non-blank line of its section.
        const std::u16string text = (scan.insertNeedsEol ? eol : u"") + key + u"=" + value + eol;
        return {scan.insertAt, encode(text, scan.encoding), scan.insertAt};
    }
    const bool unterminated = scan.end > scan.start && !scan.endsWithEol;
    const std::u16string text = (unterminated ? eol : u"") + u"[" + section + u"]" + eol + key + u"=" + value + eol;
    return {scan.end, encode(text, scan.encoding), scan.end};
}

class TempWriter {
public:
    explicit TempWriter(int fd) : m_fd(fd) {}

    bool write(const char *data, std::size_t size)
    {
        bool cut = false;
        if (faultAt(testing::SaveStep::DuringWrite) && m_written + size > g_faultBytes) {
            size = g_faultBytes > m_written ? g_faultBytes - m_written : 0;
            cut = true;
        }
        while (size > 0) {
            const ssize_t n = ::write(m_fd, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<std::size_t>(n);
            m_written += static_cast<std::size_t>(n);
        }
        return !cut;
    }

    // Copies the old file's bytes from `begin` up to `end`, or to its end.
    bool copy(int from, Offset begin, std::optional<Offset> end)
    {
        std::array<char, 1 << 16> buffer{};
        while (!end || begin < *end) {
            std::size_t want = buffer.size();
            if (end)
                want = static_cast<std::size_t>(std::min<Offset>(want, *end - begin));
            const ssize_t n = ::pread(from, buffer.data(), want, static_cast<off_t>(begin));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 || (n == 0 && end))
                return false;
            if (n == 0)
                return true;
            if (!write(buffer.data(), static_cast<std::size_t>(n)))
                return false;
            begin += static_cast<Offset>(n);
        }
        return true;
    }

private:
    int m_fd;
    std::size_t m_written = 0;
};

// A name no other save is using: a hidden file beside the target.
int createTemp(const std::string &directory, const std::string &target, mode_t mode, std::string &name)
{
    static std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
    static constexpr char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const std::size_t slash = target.rfind('/');
    const std::string base = target.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = directory + "/." + base + ".";
        for (int i = 0; i < 6; ++i)
            name.push_back(letters[random() % (sizeof letters - 1)]);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool syncDirectory(const std::string &directory)
{
    const FileDescriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Some file systems cannot sync a folder at all; there is nothing more to do there.
    return dir.fd >= 0 && (::fsync(dir.fd) == 0 || errno == EINVAL);
}

// Writes the new file beside the target and renames it over the target, so that the
// target is at every moment either wholly old or wholly new.
bool saveAtomically(const std::string &target, int oldFd, const struct stat *old, const Edit &edit)
{
    const std::string directory = directoryOf(target);
    std::string tempName;
    // A new file gets the permissions any newly created file would get here.
    const int fd = createTemp(directory, target, old ? 0600 : 0666, tempName);
    if (fd < 0)
        return false;
    bool ok = !faultAt(testing::SaveStep::AfterTempCreated);
    if (ok && old) {
        const bool foreign = old->st_uid != ::geteuid() || old->st_gid != ::getegid();
        if (foreign && ::geteuid() == 0 && ::fchown(fd, old->st_uid, old->st_gid) != 0) {
            // Saved as root, the file still belongs to whoever owned it; where that cannot
            // be kept, the score is still worth saving under the new owner.
        }
        ok = ::fchmod(fd, old->st_mode & 07777) == 0;
    }
    TempWriter writer(fd);
    if (ok && old)
        ok = writer.copy(oldFd, 0, edit.keepUntil);
    ok = ok && writer.write(edit.insert.data(), edit.insert.size());
    if (ok && old)
        ok = writer.copy(oldFd, edit.resumeAt, std::nullopt);
    ok = ok && !faultAt(testing::SaveStep::BeforeFsync) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && !faultAt(testing::SaveStep::BeforeRename) && ::rename(tempName.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempName.c_str());
        return false;
    }
    // The rename cannot be taken back: a failure to make it durable leaves the new file
    // in place, but is still reported.
    return !faultAt(testing::SaveStep::BeforeDirSync) && syncDirectory(directory);
}

// A symbolic link stays a link: the file it leads to is the one replaced.
std::optional<std::string> resolveLinks(std::string path)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size())
            return std::nullopt;
        link.resize(static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : directoryOf(path) + "/" + link;
    }
    return std::nullopt;
}

} // namespace

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string &path)
{
    if (path.empty())
        return false;
    const std::optional<std::string> target = resolveLinks(path);
    if (!target)
        return false;
    struct stat st {};
    const bool exists = ::stat(target->c_str(), &st) == 0;
    if (exists && (!S_ISREG(st.st_mode) || ::faccessat(AT_FDCWD, target->c_str(), W_OK, AT_EACCESS) != 0))
        return false;
    if (!exists && (errno != ENOENT || !isDirectory(directoryOf(*target))))
        return false;

    // Names are written as given less their leading blanks; the value loses its leading
    // blanks too, as the reader would never see them.
    const std::u16string sectionName = trimStart(widen(section));
    const std::u16string keyName = trimStart(widen(key));
    const std::u16string newValue = trimStart(widen(value));

    if (!exists) {
        const std::u16string text = u"[" + sectionName + u"]\r\n" + keyName + u"=" + newValue + u"\r\n";
        return saveAtomically(*target, -1, nullptr, {0, encode(text, Encoding::Ansi), 0});
    }
    const FileDescriptor old(::open(target->c_str(), O_RDONLY | O_CLOEXEC));
    if (old.fd < 0)
        return false;
    const Target wanted{trimmed(sectionName), trimmed(keyName), 0, &newValue};
    const Scan scan = scanFile(old.fd, wanted);
    if (scan.ioError)
        return false;
    // A value that is already there is not written again.
    if (scan.key && scan.key->hasValue && scan.key->valueEqualsNew)
        return true;
    return saveAtomically(*target, old.fd, &st, planEdit(scan, sectionName, keyName, newValue));
}

void testing::setSaveFault(SaveStep step, std::size_t bytes)
{
    g_faultStep = step;
    g_faultBytes = bytes;
}

} // namespace quorrax
