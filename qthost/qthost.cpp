// SPDX-License-Identifier: MIT
#include "qthost/qthost.h"

#include "buildinfo.h"
#include "game/frmmain.h"
#include "qthost/bindings.h"
#include "qthost/dialogs/dialogs.h"
#include "qthost/glyphs.h"
#include "qthost/keys.h"
#include "qthost/pictures.h"
#include "qthost/signals.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

namespace quorrax {

namespace {

// The player's own folder for the game's files, by the rules of the XDG base directories:
// under $XDG_DATA_HOME where that is an absolute path, else under $HOME/.local/share. With
// neither, the player has no such folder; a file is never made at the root of the file
// system or relative to wherever the game was started.
std::string playerDataFolder(const char *xdgDataHome, const char *home)
{
    const auto absolute = [](const char *path) { return path != nullptr && path[0] == '/'; };
    if (absolute(xdgDataHome))
        return std::string(xdgDataHome) + "/quorrax/";
    if (absolute(home))
        return std::string(home) + "/.local/share/quorrax/";
    return {};
}

} // namespace

QtHost::QtHost(std::unique_ptr<HostClock> clock) : m_clock(std::move(clock)), m_random(std::random_device{}())
{
    m_window.onClose = [this] { requestClose(); };
    m_window.onDestroyed = [this] { windowDestroyed(); };
    // Should the program be ended before the game could end itself (Qt ends it when the
    // connection to the display breaks, as at a logout or a crash of the session), the score
    // is saved on the way out.
    saveAtAnyExit([this] {
        if (!m_ended && m_form) {
            m_ended = true;
            m_form->saveHighScore();
        }
    });
    m_window.onHelp = [this] {
        ++m_gameEvents;
        if (m_form)
            m_form->mnuGameHelp_Click();
    };
    m_window.onAbout = [this] {
        ++m_gameEvents;
        if (m_form)
            m_form->mnuGameAbout_Click();
    };
    m_window.view()->onKey = [this](int qtKey) {
        ++m_gameEvents;
        if (m_form && !m_closeRequested)
            m_form->Form_KeyDown(toVirtualKey(qtKey), 0);
    };
    // A pad's control is the key of its player's binding, and reaches the game as that key
    // would: not while a dialog or the menu holds the keyboard.
    m_pads.onPress = [this](int seat, PadControl control) {
        if (!m_form || m_closeRequested || QApplication::activeModalWidget() || QApplication::activePopupWidget())
            return;
        const bool inMatch = m_form->Working == screen::Match;
        if (const std::int16_t key = padBinding(control, seat, inMatch, m_form->GMode == vbFalse)) {
            ++m_gameEvents;
            m_form->Form_KeyDown(key, 0);
        }
    };
    m_pads.onRefused = [this](const std::string &message) { reportError(message); };
    m_window.view()->onInputMethodText = [this] {
        ++m_gameEvents;
        if (m_form && !m_closeRequested)
            m_form->Form_KeyDown(vk::Ime, 0);
    };
}

QtHost::~QtHost()
{
    saveAtAnyExit(nullptr);
}

void QtHost::bind(frmMain &form)
{
    m_form = &form;
}

void QtHost::windowDestroyed()
{
    m_windowDestroyed = true;
    requestClose();
}

void QtHost::requestClose()
{
    m_closeRequested = true;
    // A dialog, message box or menu that is open holds the game inside its own loop;
    // close it so that the game gets back to its own loop and can end.
    while (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    if (QWidget *modal = QApplication::activeModalWidget())
        modal->close();
}

std::uint32_t QtHost::timeGetTime()
{
    return std::uint32_t(m_clock->monotonicNs() / nsPerMs);
}

int QtHost::secondOfMinute()
{
    const std::time_t now = std::time_t(m_clock->realtimeNs() / nsPerSecond);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_sec;
}

void QtHost::Randomize()
{
    m_random.seed(std::uint64_t(m_clock->realtimeNs()));
}

double QtHost::Rnd()
{
    return double(m_random() >> 11) * 0x1.0p-53;
}

std::vector<QRect> QtHost::takeChanges()
{
    const Surface &buffer = m_form->window;
    QImage &image = m_window.view()->image();
    if (image.width() != buffer.width() || image.height() != buffer.height())
        m_window.view()->resizeImage(buffer.width(), buffer.height());
    return m_changes.take(buffer, image);
}

void QtHost::DoEvents()
{
    const std::vector<QRect> changed = takeChanges();
    if (!changed.empty())
        m_window.view()->present(changed, false);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // An open menu holds the game, as a dialog does, until the player closes it.
    if (QApplication::activePopupWidget()) {
        while (QApplication::activePopupWidget() && !m_closeRequested)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // A menu closed with Escape leaves the keyboard on the menu bar, where the next
        // key would open the menu again or go nowhere; the game takes it back to steer.
        m_window.view()->setFocus();
    }
    endIfClosing();
}

void QtHost::endIfClosing()
{
    // The close runs in the game's own flow, never inside a Qt event handler, and before
    // the running loop can draw anything more.
    if (m_closeRequested) {
        m_closeRequested = false;
        m_form->Form_Unload();
    }
}

void QtHost::sleepUntil(std::int64_t monotonicNs)
{
    // One sleep that ends at the first event or at the nanosecond the wait is due.
    m_clock->ringAt(monotonicNs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    m_clock->ringAt(0);
    endIfClosing();
}

void QtHost::idleUntil(std::uint32_t tick)
{
    if (const auto due = tickDue(m_clock->monotonicNs(), tick))
        sleepUntil(*due);
}

void QtHost::idleUntilSecondChanges(int second)
{
    if (secondOfMinute() == second)
        sleepUntil(nextSecondDue(m_clock->monotonicNs(), m_clock->realtimeNs()));
}

void QtHost::idleUntilEvent()
{
    // A screen that waits here draws itself again after every wake. Most of what the window
    // system sends (key releases, focus changes, the pointer crossing the window, exposes,
    // which the view answers from its own image) means nothing to the game: Qt handles it
    // here, and the wait ends only once something reached the game, the player asked to
    // close, or a menu opened (the game holds still in DoEvents while it is open).
    const std::uint64_t seen = m_gameEvents;
    do
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    while (m_gameEvents == seen && !m_closeRequested && !QApplication::activePopupWidget());
    endIfClosing();
}

std::string QtHost::appPath()
{
    std::string path = QCoreApplication::applicationDirPath().toLocal8Bit().toStdString();
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string QtHost::userDataPath()
{
    return playerDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

bool QtHost::keepsFilesBesideProgram()
{
    return !build::systemInstall;
}

Surface QtHost::picture(Picture which)
{
    return loadPicture(which);
}

void QtHost::setClientSize(int width, int height)
{
    m_window.setClientSize(width, height);
}

void QtHost::Show()
{
    m_window.showCentred();
}

void QtHost::Refresh()
{
    const std::vector<QRect> changed = takeChanges();
    if (!changed.empty())
        m_window.view()->present(changed, true);
}

int QtHost::Print(Surface &target, int x, int y, std::string_view text, double points, Color color)
{
    return printGlyphs(target, x, y, text, points, color);
}

void QtHost::MsgBox(std::string_view text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quorrax"),
                    QString::fromUtf8(text.data(), qsizetype(text.size())), QMessageBox::Ok, &m_window);
    box.exec();
    afterModal();
}

void QtHost::showHelp()
{
    showHelpDialog(m_window.view());
    afterModal();
}

void QtHost::showAbout()
{
    showAboutDialog(m_window.view(), programIcon());
    afterModal();
}

void QtHost::afterModal()
{
    // The next key steers again: Qt gives the focus back to the view with the window.
    m_window.activateWindow();
}

void QtHost::reportError(std::string_view message)
{
    std::fprintf(stderr, "quorrax: %.*s\n", int(message.size()), message.data());
}

void QtHost::End(int status)
{
    m_ended = true;
    if (m_windowDestroyed) {
        reportError("the window was destroyed by another program");
        status = exitFailure;
    }
    throw ProgramEnd{status};
}

} // namespace quorrax
