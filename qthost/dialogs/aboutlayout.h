// SPDX-License-Identifier: MIT
#pragma once

namespace quorrax {

// What the About dialog's load step reads, in twips: the window's outer width and
// heights, the top of the title, and the sizes the texts gave the labels. The text boxes
// and the button keep the heights they were drawn with.
struct AboutLayoutInput {
    float W = 0;           // outer width, border included
    float Height = 0;      // outer height, caption bar and border included
    float ScaleHeight = 0; // client height
    float Label1Top = 0;
    float Label1Width = 0;
    float Label1Height = 0;
    float Label2Width = 0;
    float Label2Height = 0;
    float Label3Width = 0;
    float Label3Height = 0;
    float Text1Height = 0;
    float Text2Height = 0;
    float Command1Height = 0;
};

// Everything the load step moves, in twips. Whatever is not here keeps the place it was drawn at.
struct AboutLayout {
    float Label1Left = 0;
    float Label3Left = 0;
    float Label2Top = 0;
    float Label2Left = 0;
    float Label3Top = 0;
    float Text1Top = 0;
    float Text2Top = 0;
    float Command1Top = 0;
    float Height = 0;      // the new outer height
    float ScaleHeight = 0; // the client height that comes with it
};

// Stacks the About dialog's controls from the top down, each under the one above it, and
// fits the window's height to them. Single-precision arithmetic throughout.
AboutLayout layOutAbout(const AboutLayoutInput &in);

} // namespace quorrax
