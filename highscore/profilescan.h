// SPDX-License-Identifier: MIT
#pragma once

#include "highscore/posixfile.h"
#include "highscore/textfile.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Finding a key in the high-score file: one pass over its text that stops as soon as the
// answer is known, and reports the byte offsets a save needs to change that one line.

namespace quorrax::profile_detail {

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
    // The file's first line end: one of the scanner's three literals, which live for the
    // whole run. Held as a view, so that finding it copies no text.
    std::u16string_view eol;
};

// Reads the open file from its start. Only the first `valueCap` units of the value are
// kept, so that a huge value costs no more memory than the caller's buffer; with a
// `newValue` the scan also tells whether the key holds it already, so that a save of an
// unchanged value can be skipped.
Scan scanFile(int fd, const Target &target);

} // namespace quorrax::profile_detail
