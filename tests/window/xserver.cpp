#include "xserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QStandardPaths>

namespace quorrax::window {

namespace {

constexpr int serverStartMs = 20'000;
constexpr int windowManagerStartMs = 20'000;

} // namespace

VirtualScreen::VirtualScreen() : m_scratch(QDir::tempPath() + QStringLiteral("/quorrax-window-XXXXXX")) {}

QString VirtualScreen::scratch(const QString &name) const
{
    const QString path = m_scratch.filePath(name);
    QDir().mkpath(path);
    return path;
}

::testing::AssertionResult VirtualScreen::start()
{
    if (!m_scratch.isValid())
        return ::testing::AssertionFailure()
               << "cannot make a scratch folder: " << m_scratch.errorString().toStdString();
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        return ::testing::AssertionFailure() << "Xvfb is not installed (package xvfb)";

    // -displayfd makes the server pick a free display number itself and tell it on its
    // standard output once it accepts clients: no guessing, no race with other servers.
    const QStringList arguments = {QStringLiteral("-displayfd"),  QStringLiteral("1"),
                                   QStringLiteral("-screen"),     QStringLiteral("0"),
                                   QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                                   QStringLiteral("tcp"),         QStringLiteral("-noreset")};
    if (!m_server.start(xvfb, arguments, QProcessEnvironment::systemEnvironment(),
                        scratch(QStringLiteral("logs")) + QStringLiteral("/Xvfb.log"), true))
        return ::testing::AssertionFailure() << "cannot start Xvfb";

    QByteArray number;
    const QDeadlineTimer deadline(serverStartMs);
    while (!number.contains('\n')) {
        if (deadline.hasExpired() || !m_server.running())
            return ::testing::AssertionFailure() << "Xvfb did not report a display: " << m_server.log().toStdString();
        m_server.process().waitForReadyRead(int(deadline.remainingTime()));
        number += m_server.process().readAllStandardOutput();
    }
    m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());

    m_environment = QProcessEnvironment::systemEnvironment();
    m_environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    m_environment.remove(QStringLiteral("XAUTHORITY"));
    m_environment.insert(QStringLiteral("DISPLAY"), m_display);
    m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    const QString runtime = scratch(QStringLiteral("runtime"));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult VirtualScreen::startWindowManager()
{
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (openbox.isEmpty())
        return ::testing::AssertionFailure() << "openbox is not installed (package openbox)";
    QProcessEnvironment environment = m_environment;
    environment.insert(QStringLiteral("HOME"), scratch(QStringLiteral("home")));
    if (!m_windowManager.start(openbox, {QStringLiteral("--sm-disable")}, environment,
                               scratch(QStringLiteral("logs")) + QStringLiteral("/openbox.log")))
        return ::testing::AssertionFailure() << "cannot start openbox";

    // The window manager announces itself on the root window once it manages the screen.
    const QDeadlineTimer deadline(windowManagerStartMs);
    while (!deadline.hasExpired()) {
        if (!m_windowManager.running())
            return ::testing::AssertionFailure() << "openbox ended: " << m_windowManager.log().toStdString();
        const ToolResult check = runTool(m_environment, QStringLiteral("xprop"),
                                         {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        if (check.ok() && check.out.contains("window id"))
            return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "openbox did not take over the screen within " << windowManagerStartMs
                                         << " ms: " << m_windowManager.log().toStdString();
}

} // namespace quorrax::window
