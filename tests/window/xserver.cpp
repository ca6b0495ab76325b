// SPDX-License-Identifier: MIT
#include "xserver.h"

#include <QDeadlineTimer>
#include <QStandardPaths>

namespace quorrax::window {

QString VirtualScreen::scratch(const QString &name) const
{
    QDir().mkpath(m_scratch.filePath(name));
    return m_scratch.filePath(name);
}

QString missingHere(bool font)
{
    QStringList missing;
    for (const char *tool : {"Xvfb", "xdotool", "import", "xprop"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            missing << QString::fromLatin1(tool);
    if (font &&
        !runTool(QProcessEnvironment::systemEnvironment(), QStringLiteral("fc-list"), {"-q", "IPAPGothic"}).ok())
        missing << QStringLiteral("the font IPAPGothic");
    return missing.join(QStringLiteral(", "));
}

testing::AssertionResult VirtualScreen::start()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (!m_scratch.isValid() || xvfb.isEmpty())
        return testing::AssertionFailure() << "no scratch folder, or Xvfb is not installed (package xvfb)";
    // -displayfd: the server picks a free display itself and tells its number once it
    // takes clients, so there is no guessing and no race with other servers.
    if (!m_server.start(xvfb, QString("-displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset").split(' '),
                        QProcessEnvironment::systemEnvironment(), scratch(QStringLiteral("logs")) + "/Xvfb.log", true))
        return testing::AssertionFailure() << "cannot start Xvfb";
    QByteArray number;
    for (const QDeadlineTimer deadline(20'000); !number.contains('\n');) {
        if (deadline.hasExpired() || !m_server.running())
            return testing::AssertionFailure() << "Xvfb did not report a display: " << m_server.log().toStdString();
        m_server.process().waitForReadyRead(100);
        number += m_server.process().readAllStandardOutput();
    }
    m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    m_environment = QProcessEnvironment::systemEnvironment();
    m_environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    m_environment.remove(QStringLiteral("XAUTHORITY"));
    m_environment.insert(QStringLiteral("DISPLAY"), m_display);
    m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch(QStringLiteral("runtime")));
    // The game reads and writes the player's own high-score copy under these, never the
    // real home's.
    m_environment.insert(QStringLiteral("HOME"), scratch(QStringLiteral("home")));
    m_environment.insert(QStringLiteral("XDG_DATA_HOME"), scratch(QStringLiteral("home/.local/share")));
    QFile::setPermissions(scratch(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return testing::AssertionSuccess();
}

} // namespace quorrax::window
