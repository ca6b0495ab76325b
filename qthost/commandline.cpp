// SPDX-License-Identifier: MIT
#include "qthost/commandline.h"

#include "buildinfo.h"
#include "game/host.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <langinfo.h>

namespace quorrax {

namespace {

constexpr char usage[] = "Usage: quorrax [--help] [--version]\n"
                         "An arcade game of crawling lines for one or two players, with keys or game pads.\n"
                         "\n"
                         "  -h, --help     print this text and exit\n"
                         "  -v, --version  print the version and exit\n"
                         "\n"
                         "The keys, and where the high score is kept: man 6 quorrax\n";
constexpr char usageHint[] = "Try 'quorrax --help' for more information.\n";

void printLine(const QString &line)
{
    std::fprintf(stderr, "quorrax: %s\n", line.toLocal8Bit().constData());
}

// The option as the player typed it (one dash or two), which the parser names without.
QString typedOption(const QStringList &arguments, const QString &name)
{
    for (const QString &argument : arguments) {
        const QString option = argument.section(QLatin1Char('='), 0, 0);
        if (option == QLatin1Char('-') + name || option == QStringLiteral("--") + name)
            return option;
    }
    return name;
}

// What went wrong on the command line, or nothing.
QString usageError(const QCommandLineParser &parser, bool parsed, const QStringList &arguments)
{
    if (!parser.unknownOptionNames().isEmpty())
        return QStringLiteral("unknown option '%1'").arg(typedOption(arguments, parser.unknownOptionNames().first()));
    if (!parsed)
        return parser.errorText();
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
    return {};
}

// Qt opens the display while the application object is built. When it cannot, Qt warns
// about the display and the plugin, then ends the program with a fatal message that blames
// the installation, and aborts. While the application starts, those warnings are held back
// and the fatal message becomes one line and exit status 1.
QtMessageHandler otherHandler = nullptr;
QString displayTried;
bool displayFailed = false;

void startUpMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!QCoreApplication::startingUp())
        return otherHandler(type, context, message);
    const QLatin1StringView category(context.category ? context.category : "");
    if (category == QLatin1StringView("qt.qpa.xcb") &&
        message.startsWith(QLatin1StringView("could not connect to display"))) {
        displayFailed = true;
        displayTried = message.mid(28).trimmed();
        return;
    }
    if (displayFailed && category == QLatin1StringView("qt.qpa.plugin"))
        return;
    if (type != QtFatalMsg)
        return otherHandler(type, context, message);
    if (!displayFailed)
        printLine(QStringLiteral("the window system could not be started; the game needs a graphical session"));
    else if (displayTried.isEmpty())
        printLine(QStringLiteral("no display to open: DISPLAY is not set; the game needs a graphical session"));
    else
        printLine(QStringLiteral("cannot open the display %1; the game needs a graphical session").arg(displayTried));
    std::_Exit(exitFailure);
}

bool utf8Codeset()
{
    const char *codeset = nl_langinfo(CODESET);
    return std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0;
}

} // namespace

void chooseUtf8Text()
{
    const bool known = std::setlocale(LC_ALL, "") != nullptr;
    if (known && utf8Codeset())
        return;
    if (!known) {
        // A locale the system does not have leaves the C library in "C" throughout.
        setenv("LC_ALL", "C.UTF-8", 1);
    } else {
        // LC_ALL would outrank the character type: its value goes to each other part instead.
        if (const char *all = std::getenv("LC_ALL"); all && *all) {
            const std::string value = all;
            for (const char *part : {"LC_COLLATE", "LC_MESSAGES", "LC_MONETARY", "LC_NUMERIC", "LC_TIME",
                                     "LC_ADDRESS", "LC_IDENTIFICATION", "LC_MEASUREMENT", "LC_NAME",
                                     "LC_PAPER", "LC_TELEPHONE"})
                setenv(part, value.c_str(), 1);
            unsetenv("LC_ALL");
        }
        setenv("LC_CTYPE", "C.UTF-8", 1);
    }
    std::setlocale(LC_ALL, "");
}

std::optional<int> handleCommandLine(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOptions({help, version});
    const bool parsed = parser.parse(arguments);

    if (const QString error = usageError(parser, parsed, arguments); !error.isEmpty()) {
        printLine(error);
        std::fputs(usageHint, stderr);
        return exitUsage;
    }
    if (parser.isSet(help)) {
        std::fputs(usage, stdout);
        return exitNormal;
    }
    if (parser.isSet(version)) {
        std::printf("quorrax %s\n", build::version);
        return exitNormal;
    }
    QCoreApplication::setApplicationVersion(QString::fromUtf8(build::version));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(build::appId));
    otherHandler = qInstallMessageHandler(startUpMessages);
    return std::nullopt;
}

} // namespace quorrax
