// SPDX-License-Identifier: MIT
#include "game/frmmain.h"
#include "qthost/keys.h"

#include <gtest/gtest.h>

#include <QString>
#include <Qt>

// The steering keys under the keyboard layouts players use: the layout's symbol for a key
// (as Qt reports it) and the key's X keycode, against the key code the game receives.

namespace {

struct Row {
    const char *layout;
    int symbol;
    unsigned keycode;
    int gameKey;
};

// clang-format off
const Row rows[] = {
    // Russian: ц я ф ы on W Z A S, ш ь о л on I M J K.
    {"ru", 0x0426, 25, 'W'}, {"ru", 0x042F, 52, 'Z'}, {"ru", 0x0424, 38, 'A'}, {"ru", 0x042B, 39, 'S'},
    {"ru", 0x0428, 31, 'I'}, {"ru", 0x042C, 58, 'M'}, {"ru", 0x041E, 44, 'J'}, {"ru", 0x041B, 45, 'K'},
    {"ru", 0x0425, 34, 0}, // х sits where the US layout has no letter
    // Greek: ς ζ α σ on W Z A S, ι μ ξ κ on I M J K.
    {"gr", 0x03A3, 25, 'W'}, {"gr", 0x0396, 52, 'Z'}, {"gr", 0x0391, 38, 'A'}, {"gr", 0x03A3, 39, 'S'},
    {"gr", 0x0399, 31, 'I'}, {"gr", 0x039C, 58, 'M'}, {"gr", 0x039E, 44, 'J'}, {"gr", 0x039A, 45, 'K'},
    {"gr", Qt::Key_Semicolon, 24, 0},
    // Latin layouts follow the letters printed on the keys.
    {"us", Qt::Key_W, 25, 'W'}, {"us", Qt::Key_Return, 36, quorrax::vk::Return},
    {"fr", Qt::Key_Z, 25, 'Z'}, {"fr", Qt::Key_W, 52, 'W'}, {"fr", Qt::Key_Q, 38, 0},
    {"fr", Qt::Key_Comma, 58, 0}, {"fr", Qt::Key_M, 47, 'M'}, {"fr", Qt::Key_Dead_Circumflex, 34, 0},
    {"de", Qt::Key_Y, 52, 0}, {"de", Qt::Key_Z, 29, 'Z'}, {"de", 0x00D6, 47, 0},
    {"de", Qt::Key_Dead_Circumflex, 49, 0}, {"tr(f)", 0x011E, 25, 0}, // Ğ where US has W
};
// clang-format on

TEST(LayoutKeys, SteeringKeysFollowTheirPlaceOnNonLatinLayouts)
{
    for (const Row &row : rows) {
        EXPECT_EQ(quorrax::toVirtualKey(quorrax::latinLetterKey(row.symbol, row.keycode)), row.gameKey)
            << row.layout << " symbol U+" << std::hex << row.symbol << std::dec << " keycode " << row.keycode;
    }
}

// What the input method hands the window, against whether the game asks the player to
// switch Japanese input off.
TEST(LayoutKeys, OnlyEastAsianInputBringsUpTheInputMethodMessage)
{
    const struct {
        const char *preedit;
        const char *commit;
        bool message;
        // clang-format off
    } rows[] = {
        {"", "ê", false}, {"", "ë", false}, {"", "é", false}, {"", "€", false}, {"", "ά", false}, {"", "", false},
        {"w", "", true}, {"か", "", true}, {"", "あ", true}, {"", "ア", true}, {"", "漢字", true}, {"", "ｗ", true},
        {"", "。", true},
    };
    // clang-format on
    for (const auto &row : rows) {
        EXPECT_EQ(quorrax::inputMethodTookKeys(QString::fromUtf8(row.preedit), QString::fromUtf8(row.commit)),
                  row.message)
            << "preedit \"" << row.preedit << "\" commit \"" << row.commit << "\"";
    }
}

} // namespace
