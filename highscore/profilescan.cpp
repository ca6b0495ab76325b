// SPDX-License-Identifier: MIT
#include "highscore/profilescan.h"

#include "highscore/namematch.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace quorrax::profile_detail {

namespace {

// Reads the file's text one unit at a time, line by line. Lines end at CR, LF or CR LF.
// Only the first section of the wanted name counts, and in it the first line naming the
// key; a name or value ends at its first NUL. The scan stops as soon as the answer is
// known.
class Scanner
{
public:
    Scanner(const Target &target, Offset start) : m_target(target), m_name(target.key), m_header(target.section)
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
        return m_name.ruledOut();
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

    void startLine(Offset begin)
    {
        m_lead = Lead::Blank;
        m_name.reset();
        m_header.reset();
        m_sawEquals = false;
        m_nameMatched = false;
        m_nameEnd = begin;
        m_capturing = false;
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
            m_header.feed(c);
        if (m_sawEquals) {
            if (m_capturing)
                feedValue(unit);
        } else if (c == u'=') {
            m_sawEquals = true;
            m_valueBegin = unit.end;
            m_nameMatched = m_name.matches();
            if (m_nameMatched && m_inTarget)
                startValue();
        } else {
            m_name.feed(c);
            if (!isBlank(c))
                m_nameEnd = unit.end;
        }
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
        if (m_lead == Lead::Bracket && m_header.closed()) {
            if (m_inTarget)
                return false; // the wanted section ended without the key
            if (!m_scan.sectionFound && m_header.matches()) {
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
        if (!(m_sawEquals ? m_nameMatched : m_name.matches()))
            return true;
        KeyLine key;
        key.hasValue = m_sawEquals;
        if (key.hasValue) {
            key.valueLength = m_valueNul ? m_valueAll : m_valueTrimmed;
            key.valueLast = m_valueNul ? m_valueLastAny : m_valueLastTrimmed;
            m_value.resize(std::min(m_value.size(), key.valueLength));
            key.valuePrefix = std::move(m_value);
            key.valueEqualsNew =
                m_target.newValue && key.valueLength == m_target.newValue->size() && m_valueEqual >= key.valueLength;
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
    KeyNameMatch m_name;
    SectionNameMatch m_header;
    bool m_sawEquals = false;
    bool m_nameMatched = false;
    Offset m_nameEnd = 0;

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

} // namespace

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

} // namespace quorrax::profile_detail
