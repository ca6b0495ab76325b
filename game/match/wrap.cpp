// SPDX-License-Identifier: MIT
#include "game/frmmain.h"

namespace quorrax {

namespace {

// One test of the chain at most changes one coordinate per call: a head out on both
// axes gets its X put right now and its Y on the next call. Column 0 counts as beyond
// the left edge and goes to W, one past the last column; W goes to 0.
void hantai(Long &x, Long &y, const Surface &field)
{
    if (x <= 0)
        x = roundHalfEven(field.ScaleWidth());
    else if (double(x) >= field.ScaleWidth())
        x = 0;
    else if (y <= 0)
        y = roundHalfEven(field.ScaleHeight());
    else if (double(y) >= field.ScaleHeight())
        y = 0;
}

} // namespace

void frmMain::AkaHantai()
{
    hantai(AkaX, AkaY, picWork);
}

void frmMain::AoHantai()
{
    hantai(AoX, AoY, picWork);
}

void frmMain::JamaHantai()
{
    hantai(JamaX, JamaY, picWork);
}

} // namespace quorrax
