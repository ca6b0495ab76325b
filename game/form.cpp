// SPDX-License-Identifier: MIT
#include "game/convert.h"
#include "game/frmmain.h"
#include "highscore/profile.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace quorrax {

namespace {

// The high-score file beside the program, and the player's own copy for a program installed
// where players may not write.
ProfileFile highScoreFile(const std::string &appPath, Host &host)
{
    const std::string own = host.userDataPath();
    return {host.keepsFilesBesideProgram() ? appPath + iniFileName : std::string(),
            own.empty() ? std::string() : own + iniFileName};
}

// The value a file holds, where it is one the game can read.
std::optional<Long> scoreIn(const std::string &path)
{
    return path.empty() ? std::nullopt : CLng(GetPrivateProfileString(iniSection, iniKey, "", 1024, path));
}

} // namespace

Long roundHalfEven(double value)
{
    // The default floating-point rounding mode rounds halves to even.
    return Long(std::nearbyint(value));
}

frmMain::frmMain(Host &host)
    : window(field::width, field::height),
      picOpen(host.picture(Picture::Title)),
      picShaikei(field::width, field::height),
      picHaikei(field::width, field::height),
      picWork(field::width, field::height),
      picAka(5, 5, red),
      picAo(5, 5, blue),
      pic2Ao(5, 5, blue),
      picJamaAo(7, 7, blue),
      picJama(7, 7, yellow),
      picYajirusi(host.picture(Picture::Arrow)),
      picYajirusiM(makeMask(picYajirusi)),
      picBaku(host.picture(Picture::Explosion)),
      picBakuM(makeMask(picBaku)),
      m_host(host)
{}

void frmMain::Form_Load()
{
    App_Path = m_host.appPath();
    if (App_Path.empty() || App_Path.back() != '/')
        App_Path += '/';

    m_host.Randomize();

    // The player's own copy may hold a score that the shared file refused: the title shows
    // the higher of the two. A value that is no number, or one too large for the game,
    // leaves the high score at 0; the file is not touched.
    const ProfileFile file = highScoreFile(App_Path, m_host);
    std::optional<Long> best;
    for (const std::string &path : {file.shared, file.own})
        if (const auto value = scoreIn(path))
            best = std::max(best.value_or(*value), *value);
    if (best)
        HighScore = *best;

    // The client area takes the title picture's size, whatever the frame around it.
    window = Surface(picOpen.width(), picOpen.height());
    m_host.setClientSize(picOpen.width(), picOpen.height());

    Working = screen::Title;
    m_host.Show();
    StartupReady();
}

void frmMain::Form_Unload()
{
    m_host.End(saveHighScore() ? exitNormal : exitFailure);
}

bool frmMain::saveHighScore()
{
    // Another copy of the game may have saved a higher score since this one started, or the
    // player may have raised it by hand: a high score never goes down, and a number too
    // large for the game stands above them all. A value there that is no number at all
    // gives way.
    std::string tooLargeIn;
    const auto atLeastAsHighThere = [this, &tooLargeIn](const std::string &current) {
        const std::string text = GetPrivateProfileString(iniSection, iniKey, "", 1024, current);
        const bool tooLarge = exceedsLong(text);
        if (tooLarge)
            tooLargeIn = current;
        const auto there = CLng(text);
        return tooLarge || (there && *there >= HighScore);
    };
    const SaveResult result = writeProfileString(iniSection, iniKey, std::to_string(HighScore),
                                                 highScoreFile(App_Path, m_host), atLeastAsHighThere);
    const std::string score = "the high score " + std::to_string(HighScore);
    const std::string refused = "the shared file refused it: " + result.problem;
    if (!result.saved)
        m_host.reportError(score + " was not saved: " + result.problem);
    else if (!tooLargeIn.empty())
        m_host.reportError(score + " was not written: " + printablePath(tooLargeIn) +
                           " holds a number too large for the game" + (result.ownCopy.empty() ? "" : "; " + refused));
    else if (!result.ownCopy.empty())
        m_host.reportError(score + " is kept in the player's own copy " + result.ownCopy + ", as " + refused);
    for (const std::string &folder : result.unlocked)
        m_host.reportError("another program held the lock of " + folder + " too long: the save went on without it");
    return result.saved;
}

int frmMain::fieldWidth() const
{
    return roundHalfEven(picHaikei.ScaleWidth());
}

int frmMain::fieldHeight() const
{
    return roundHalfEven(picHaikei.ScaleHeight());
}

void frmMain::Print(const std::string &text)
{
    const int lineHeight =
        m_host.Print(window, roundHalfEven(CurrentX), roundHalfEven(CurrentY), text, FontSize, ForeColor);
    CurrentX = 0;
    CurrentY += lineHeight;
}

void frmMain::Print(Long number)
{
    // A number printed by itself keeps a place for its sign. The text is built by appending
    // to the sign's place: GCC 12 warns falsely (-Wrestrict) on a literal put before a
    // temporary string in an optimised build.
    std::string text = number < 0 ? std::string() : std::string(" ");
    text += std::to_string(number);
    Print(text);
}

} // namespace quorrax
