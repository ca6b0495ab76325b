// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

// Telling, one unit at a time, whether a line names the wanted key or section, as the
// profile reader compares names: blanks around them trimmed, up to their first NUL, and
// without regard to the case of the ASCII letters.

namespace quorrax::profile_detail {

// The name of a key line: what precedes its first '='.
class KeyNameMatch
{
public:
    explicit KeyNameMatch(const std::u16string &key) : m_key(key) {}
    void reset();
    void feed(char16_t c);
    bool matches() const;
    // True once the units so far rule the wanted name out, whatever follows.
    bool ruledOut() const { return !m_prefix || m_tail == Tail::Broken; }

private:
    enum class Tail { Blanks, Nul, Broken };
    const std::u16string &m_key;
    std::size_t m_length = 0;
    bool m_prefix = true;
    Tail m_tail = Tail::Blanks;
};

// The name of a section header: what lies between its '[' and its last ']'; whatever
// follows the last ']' does not count. Fed the units after the '['.
class SectionNameMatch
{
public:
    explicit SectionNameMatch(const std::u16string &section) : m_section(section) {}
    void reset();
    void feed(char16_t c);
    bool matches() const;
    // A line that starts with '[' is a header only where a ']' follows.
    bool closed() const { return m_closed; }

private:
    enum class Tail { Blanks, Closed, Nul, NulClosed, Broken };
    const std::u16string &m_section;
    bool m_skippingBlanks = true;
    std::size_t m_length = 0;
    bool m_prefix = true;
    Tail m_tail = Tail::Blanks;
    bool m_closed = false;
};

} // namespace quorrax::profile_detail
