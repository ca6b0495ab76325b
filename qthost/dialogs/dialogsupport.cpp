// SPDX-License-Identifier: MIT
#include "qthost/dialogs/dialogsupport.h"

#include "qthost/dialogs/twips.h"

#include <QDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

namespace quorrax {

namespace {

QString findJapaneseGothicFamily()
{
    // The proportional faces first, as the dialogs' texts were measured in one; the
    // fixed-pitch IPA face still draws every character.
    const QStringList preferred = {
        QStringLiteral("IPAPGothic"),   QStringLiteral("IPA Pゴシック"), QStringLiteral("VL PGothic"),
        QStringLiteral("VL Pゴシック"), QStringLiteral("IPAGothic"),     QStringLiteral("IPAゴシック"),
    };
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    for (const QString &family : preferred) {
        if (japanese.contains(family))
            return family;
    }
    return japanese.isEmpty() ? QString() : japanese.first();
}

} // namespace

QString japaneseGothicFamily()
{
    static const QString family = findJapaneseGothicFamily();
    return family;
}

QFont japaneseGothicFont(int pixelSize)
{
    QFont font;
    const QString family = japaneseGothicFamily();
    if (!family.isEmpty())
        font.setFamilies({family});
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

void makeFixedDialog(QDialog &dialog, const QString &title, int clientWidth, int clientHeight)
{
    dialog.setWindowTitle(title);
    dialog.setFont(japaneseGothicFont(dialogFontPixels));
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint);
    dialog.setFixedSize(clientWidth, clientHeight);
}

void centreOnScreen(QDialog &window)
{
    const int outerWidth = window.width() + dialogNonClientWidth;
    const int outerHeight = window.height() + dialogNonClientHeight;
    const QWidget *parent = window.parentWidget();
    QScreen *screen = parent != nullptr ? parent->screen() : window.screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    // The position of a window is that of its frame.
    window.move(area.x() + (area.width() - outerWidth) / 2, area.y() + (area.height() - outerHeight) / 2);
}

void placeInTwips(QWidget &widget, int left, int top, int width, int height)
{
    widget.setGeometry(twipsToPixels(static_cast<float>(left)), twipsToPixels(static_cast<float>(top)),
                       twipsToPixels(static_cast<float>(width)), twipsToPixels(static_cast<float>(height)));
}

} // namespace quorrax
