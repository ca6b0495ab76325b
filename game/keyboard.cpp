// SPDX-License-Identifier: MIT
#include "game/frmmain.h"

namespace quorrax {

namespace {

bool sideways(Integer muki)
{
    return muki == muki::Right || muki == muki::Left;
}

bool upright(Integer muki)
{
    return muki == muki::Up || muki == muki::Down;
}

// A player turns only at a right angle to the way the line moves.
void steer(Integer KeyCode, Integer &muki, Integer upKey, Integer downKey, Integer leftKey, Integer rightKey)
{
    if (KeyCode == upKey && sideways(muki))
        muki = muki::Up;
    if (KeyCode == downKey && sideways(muki))
        muki = muki::Down;
    if (KeyCode == rightKey && upright(muki))
        muki = muki::Right;
    if (KeyCode == leftKey && upright(muki))
        muki = muki::Left;
}

} // namespace

void frmMain::Form_KeyDown(Integer KeyCode, Integer /*Shift*/)
{
    switch (Working) {
    case screen::Title:
        if (KeyCode == vk::Return) {
            Working = screen::ModeSelect;
            AkaMuki = muki::Up;
            AoMuki = muki::Up;
            JamaMuki = muki::Up;
            Score = 0;
            AkaY = roundHalfEven(ScaleHeight() / 2);
            AoY = roundHalfEven(ScaleHeight() / 2);
            AkaX = roundHalfEven(ScaleWidth() / 2 - 50);
            AoX = roundHalfEven(ScaleWidth() / 2 + 50);
            JamaY = roundHalfEven(ScaleHeight() / 2);
            JamaX = roundHalfEven(ScaleWidth() / 2);
        }
        break;
    case screen::Match:
        if (KeyCode == vk::Ime) {
            m_host.MsgBox("日本語入力をOFFにしてください");
            break;
        }
        steer(KeyCode, AkaMuki, vk::W, vk::Z, vk::A, vk::S);
        if (GMode != vbFalse)
            break;
        steer(KeyCode, AoMuki, vk::I, vk::M, vk::J, vk::K);
        break;
    case screen::MatchOver:
        if (KeyCode == vk::Return)
            Working = screen::Title;
        break;
    case screen::ModeSelect:
        if (KeyCode == vk::Up)
            GMode = vbTrue;
        if (KeyCode == vk::Down)
            GMode = vbFalse;
        if (KeyCode == vk::Return)
            Working = screen::Countdown;
        break;
    default:
        // During the countdown no key counts, and none is kept for later.
        break;
    }
}

} // namespace quorrax
