// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QString>

class QDialog;
class QWidget;

namespace quorrax {

// The window frame the dialogs are drawn for: a fixed 3-pixel border on every side and a
// 23-pixel caption bar. Qt learns the real frame only after a window is on screen, and the
// window manager may give it none at all, so the dialogs reckon with this one.
constexpr int dialogBorderPixels = 3;
constexpr int dialogCaptionPixels = 23;
constexpr int dialogNonClientWidth = 2 * dialogBorderPixels;
constexpr int dialogNonClientHeight = dialogCaptionPixels + 2 * dialogBorderPixels;

// The dialogs' own text size: 9 points at 96 dots per inch.
constexpr int dialogFontPixels = 12;

// A proportional Japanese Gothic face, or an empty name when the system has no face that
// can draw Japanese at all.
QString japaneseGothicFamily();
// That face at a size in pixels, so a point is 96/72 pixels whatever the screen.
QFont japaneseGothicFont(int pixelSize);

// A dialog of fixed client size with its title and the dialogs' own font, a close box and
// no minimise or maximise button.
void makeFixedDialog(QDialog &dialog, const QString &title, int clientWidth, int clientHeight);
// Puts a dialog, with the frame it is drawn for, in the middle of the screen its parent is
// on.
void centreOnScreen(QDialog &dialog);
// Places a control at a position and size given in twips, each rounded to the nearest pixel.
void placeInTwips(QWidget &widget, int left, int top, int width, int height);

} // namespace quorrax
