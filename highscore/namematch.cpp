// SPDX-License-Identifier: MIT
#include "highscore/namematch.h"

#include "highscore/textfile.h"

namespace quorrax::profile_detail {

void KeyNameMatch::reset()
{
    m_length = 0;
    m_prefix = true;
    m_tail = Tail::Blanks;
}

void KeyNameMatch::feed(char16_t c)
{
    if (m_length < m_key.size()) {
        m_prefix = m_prefix && foldCase(c) == foldCase(m_key[m_length]);
    } else if (m_length == m_key.size()) {
        m_tail = c == 0 ? Tail::Nul : isBlank(c) ? Tail::Blanks : Tail::Broken;
    } else if (m_tail == Tail::Blanks && !isBlank(c)) {
        m_tail = Tail::Broken;
    }
    ++m_length;
}

bool KeyNameMatch::matches() const
{
    return m_prefix && m_length >= m_key.size() && m_tail != Tail::Broken;
}

void SectionNameMatch::reset()
{
    m_skippingBlanks = true;
    m_length = 0;
    m_prefix = true;
    m_tail = Tail::Blanks;
    m_closed = false;
}

void SectionNameMatch::feed(char16_t c)
{
    if (m_skippingBlanks && isBlank(c))
        return;
    m_skippingBlanks = false;
    m_closed = m_closed || c == u']';
    if (m_length < m_section.size()) {
        m_prefix = m_prefix && foldCase(c) == foldCase(m_section[m_length]);
    } else if (m_length == m_section.size()) {
        m_tail = c == 0 ? Tail::Nul : c == u']' ? Tail::Closed : isBlank(c) ? Tail::Blanks : Tail::Broken;
    } else if (m_tail == Tail::Blanks) {
        m_tail = c == u']' ? Tail::Closed : isBlank(c) ? Tail::Blanks : Tail::Broken;
    } else if (m_tail == Tail::Closed && c == u']') {
        m_tail = Tail::Broken;
    } else if (m_tail == Tail::Nul && c == u']') {
        m_tail = Tail::NulClosed;
    }
    ++m_length;
}

bool SectionNameMatch::matches() const
{
    return m_prefix && m_length > m_section.size() && (m_tail == Tail::Closed || m_tail == Tail::NulClosed);
}

} // namespace quorrax::profile_detail
