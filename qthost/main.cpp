// SPDX-License-Identifier: MIT
#include "game/frmmain.h"
#include "qthost/commandline.h"
#include "qthost/pictures.h"
#include "qthost/qthost.h"
#include "qthost/signals.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    quorrax::chooseUtf8Text();
    if (const std::optional<int> status = quorrax::handleCommandLine(argc, argv))
        return *status;
    // The field is scaled by whole numbers only (125 % gives 1, 150 % gives 2), so each of
    // its pixels stays a square block of one colour; Qt makes up the rest of the desktop's
    // scale in the size of the dialogs' and the menu's text, which stays crisp.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorrax"));
    QApplication::setWindowIcon(quorrax::programIcon());

    quorrax::QtHost host;
    quorrax::frmMain form(host);
    host.bind(form);
    host.pads().watchFolder("/dev/input");
    quorrax::watchTerminationSignals([&host] { host.requestClose(); });
    try {
        form.Form_Load();
    } catch (const quorrax::ProgramEnd &end) {
        return end.status;
    }
    return quorrax::exitFailure; // the game's flow never returns by itself
}
