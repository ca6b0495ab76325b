// SPDX-License-Identifier: MIT
#include "qthost/dialogs/frmabout.h"

#include "qthost/dialogs/aboutaddresses.h"
#include "qthost/dialogs/aboutlayout.h"
#include "qthost/dialogs/dialogsupport.h"
#include "qthost/dialogs/twips.h"

#include "buildinfo.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quorrax {

namespace {

constexpr int drawnClientWidth = 340;  // 5100 twips
constexpr int drawnClientHeight = 188; // 2820 twips

constexpr int titlePixels = 48;   // 36 points
constexpr int versionPixels = 15; // 11.25 points

constexpr int iconSize = 32;

const char *const aboutTitle = "Quorrax";
const char *const aboutCopyright = "Copyright (C) 2026 The Quorrax developers";
const char *const homePageTip = "アクセスしてくださ～い";
const char *const mailTip = "メール送ってね";

// A label takes the size of its text, and its tooltip is the text it shows.
void setAutoSizedText(QLabel &label, const QString &text)
{
    label.setText(text);
    label.adjustSize();
    label.setToolTip(label.text());
}

// A read-only one-line box that shows an address from its beginning.
void setAddress(QLineEdit &box, const QString &text, const char *tip)
{
    box.setText(text);
    box.setCursorPosition(0);
    box.setToolTip(QString::fromUtf8(tip));
}

} // namespace

frmAbout::frmAbout(const QIcon &programIcon, QWidget *parent)
    : QDialog(parent),
      Command1(new QPushButton(this)),
      Label1(new QLabel(this)),
      Label2(new QLabel(this)),
      Label3(new QLabel(this)),
      Text1(new QLineEdit(this)),
      Text2(new QLineEdit(this)),
      Image1(new QLabel(this)),
      m_programIcon(programIcon)
{
    placeControls();
    Form_Load();
    centreOnScreen(*this);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
}

void frmAbout::placeControls()
{
    makeFixedDialog(*this, QStringLiteral("バージョン情報"), drawnClientWidth, drawnClientHeight);

    placeInTwips(*Label1, 1575, 120, 1980, 720);
    Label1->setFont(japaneseGothicFont(titlePixels));
    placeInTwips(*Label2, 4200, 840, 615, 225);
    Label2->setFont(japaneseGothicFont(versionPixels));
    placeInTwips(*Label3, 2205, 1200, 525, 180);
    placeInTwips(*Text1, 1080, 1560, 3015, 270);
    Text1->setReadOnly(true);
    placeInTwips(*Text2, 1080, 1800, 3015, 270);
    Text2->setReadOnly(true);
    placeInTwips(*Command1, 1920, 2160, 1215, 495);
    Command1->setText(QStringLiteral("OK"));
    Command1->setDefault(true);
    Command1->setFocus();
    placeInTwips(*Image1, 240, 720, 615, 495);
}

void frmAbout::Form_Load()
{
    setAutoSizedText(*Label1, QString::fromUtf8(aboutTitle));
    setAutoSizedText(*Label2, QStringLiteral("Version ") + QString::fromUtf8(build::version));
    setAutoSizedText(*Label3, QString::fromUtf8(aboutCopyright));
    const AboutAddresses addresses = aboutAddresses(buildAddressSettings(), QCoreApplication::applicationDirPath());
    setAddress(*Text1, addresses.homePage, homePageTip);
    setAddress(*Text2, addresses.contact, mailTip);
    Image1->setPixmap(m_programIcon.pixmap(iconSize, iconSize));
    Image1->adjustSize();

    AboutLayoutInput in;
    // The outer size is the client area plus the frame the dialog is drawn for.
    in.W = pixelsToTwips(width() + dialogNonClientWidth);
    in.ScaleHeight = pixelsToTwips(height());
    in.Height = in.ScaleHeight + pixelsToTwips(dialogNonClientHeight);
    in.Label1Top = pixelsToTwips(Label1->y());
    in.Label1Width = pixelsToTwips(Label1->width());
    in.Label1Height = pixelsToTwips(Label1->height());
    in.Label2Width = pixelsToTwips(Label2->width());
    in.Label2Height = pixelsToTwips(Label2->height());
    in.Label3Width = pixelsToTwips(Label3->width());
    in.Label3Height = pixelsToTwips(Label3->height());
    in.Text1Height = pixelsToTwips(Text1->height());
    in.Text2Height = pixelsToTwips(Text2->height());
    in.Command1Height = pixelsToTwips(Command1->height());
    const AboutLayout layout = layOutAbout(in);

    Label1->move(twipsToPixels(layout.Label1Left), Label1->y());
    Label3->move(twipsToPixels(layout.Label3Left), twipsToPixels(layout.Label3Top));
    Label2->move(twipsToPixels(layout.Label2Left), twipsToPixels(layout.Label2Top));
    Text1->move(Text1->x(), twipsToPixels(layout.Text1Top));
    Text2->move(Text2->x(), twipsToPixels(layout.Text2Top));
    Command1->move(Command1->x(), twipsToPixels(layout.Command1Top));
    setFixedSize(width(), twipsToPixels(layout.ScaleHeight));
}

void frmAbout::Command1_Click()
{
    accept();
}

} // namespace quorrax
