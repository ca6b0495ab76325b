// SPDX-License-Identifier: MIT
#include "qthost/keys.h"

#include "qthost/bindings.h"

#include <QChar>
#include <QList>
#include <QString>
#include <Qt>

#include <array>

namespace quorrax {

namespace {

// The X keycodes (the kernel's key codes + 8) of the keys that carry A to Z on a US
// keyboard, in the order of the alphabet.
constexpr std::array<std::uint32_t, 26> usLetterKeycodes = {38, 56, 54, 40, 26, 41, 42, 43, 31, 44, 45, 46, 58,
                                                            57, 32, 33, 24, 27, 39, 28, 30, 55, 25, 53, 29, 52};

bool isNonLatinLetter(int qtKey)
{
    // Qt reports a letter key as its upper-case character; keys with no character of
    // their own have codes beyond Unicode.
    if (qtKey < 0x80 || qtKey > 0x10FFFF)
        return false;
    const auto c = char32_t(qtKey);
    return QChar::isLetter(c) && QChar::script(c) != QChar::Script_Latin;
}

bool isEastAsian(char32_t c)
{
    switch (QChar::script(c)) {
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Han:
    case QChar::Script_Hangul:
    case QChar::Script_Bopomofo:
        return true;
    default:
        // The ideographic space and punctuation, and the full-width forms of Latin letters
        // and digits that Japanese input types.
        return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF);
    }
}

} // namespace

bool inputMethodTookKeys(const QString &preedit, const QString &commit)
{
    if (!preedit.isEmpty())
        return true;
    for (const uint c : commit.toUcs4()) {
        if (isEastAsian(c))
            return true;
    }
    return false;
}

int latinLetterKey(int qtKey, std::uint32_t scanCode)
{
    if (!isNonLatinLetter(qtKey))
        return qtKey;
    for (std::size_t i = 0; i < usLetterKeycodes.size(); ++i) {
        if (usLetterKeycodes[i] == scanCode)
            return Qt::Key_A + int(i);
    }
    return qtKey;
}

std::int16_t toVirtualKey(int qtKey)
{
    for (const Binding &b : bindings()) {
        if (qtKey != 0 && (b.qtKeys[0] == qtKey || b.qtKeys[1] == qtKey))
            return b.gameKey;
    }
    return 0;
}

} // namespace quorrax
