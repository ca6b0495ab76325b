// SPDX-License-Identifier: MIT
#include "game/convert.h"
#include "game/frmmain.h"
#include "highscore/profile.h"

#include <cmath>
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

    const std::string text =
        GetPrivateProfileString(iniSection, iniKey, "0", 1024, profileToRead(highScoreFile(App_Path, m_host)));
    // A value that is no number leaves the high score at 0; the file is not touched.
    if (const auto value = CLng(text))
        HighScore = *value;

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
    // player may have raised it by hand: a high score never goes down. A value there that is
    // no number at all gives way.
    const auto atLeastAsHighThere = [this](const std::string &current) {
        const auto there = CLng(GetPrivateProfileString(iniSection, iniKey, "", 1024, current));
        return there && *there >= HighScore;
    };
    const SaveResult result = writeProfileString(iniSection, iniKey, std::to_string(HighScore),
                                                 highScoreFile(App_Path, m_host), atLeastAsHighThere);
    if (!result.saved)
        m_host.reportError("the high score " + std::to_string(HighScore) + " was not saved: " + result.problem);
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
