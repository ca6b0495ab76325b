#include "shell/frmmain.h"
#include "shell/qt/pictures.h"
#include "shell/qt/qthost.h"
#include "shell/qt/signals.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorrax"));
    QApplication::setWindowIcon(quorrax::programIcon());

    quorrax::QtHost host;
    quorrax::frmMain form(host);
    host.bind(form);
    quorrax::watchTerminationSignals([&host] { host.requestClose(); });
    try {
        form.Form_Load();
    } catch (const quorrax::ProgramEnd &) {
        return 0;
    }
    return 0;
}
