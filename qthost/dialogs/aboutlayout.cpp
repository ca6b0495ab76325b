// SPDX-License-Identifier: MIT
#include "qthost/dialogs/aboutlayout.h"

namespace quorrax {

AboutLayout layOutAbout(const AboutLayoutInput &in)
{
    AboutLayout out;
    // The title and the copyright line are centred on the outer width, so they sit half a
    // border right of the client area's centre, and a text wider than the window reaches
    // past both of its edges.
    out.Label1Left = (in.W - in.Label1Width) / 2;
    out.Label3Left = (in.W - in.Label3Width) / 2;
    out.Label2Top = in.Label1Top + in.Label1Height;
    // The version ends where the title ends.
    out.Label2Left = out.Label1Left + in.Label1Width - in.Label2Width;
    out.Label3Top = out.Label2Top + in.Label2Height;
    // One copyright-line height of space above the addresses, one text-box height of
    // space above the button.
    out.Text1Top = out.Label3Top + 2 * in.Label3Height;
    out.Text2Top = out.Text1Top + in.Text1Height;
    out.Command1Top = out.Text2Top + 2 * in.Text2Height;
    // The caption bar and the border keep their height; the client area ends 200 twips
    // below the button.
    const float nonClientHeight = in.Height - in.ScaleHeight;
    out.Height = nonClientHeight + out.Command1Top + in.Command1Height + 200;
    out.ScaleHeight = out.Height - nonClientHeight;
    return out;
}

} // namespace quorrax
