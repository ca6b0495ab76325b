// SPDX-License-Identifier: MIT
#include "bench/pacing_host.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <string_view>

namespace quorrax::bench {

PacingHost::PacingHost(std::string folder, Plan ours, Plan busy, std::int64_t timeLimitNs)
    : m_folder(std::move(folder)), m_ours(ours), m_busyPlan(busy), m_startNs(monotonicNs()), m_timeLimitNs(timeLimitNs)
{}

PacingHost::~PacingHost()
{
    gameWindow().view()->onPresented = nullptr;
}

void PacingHost::attach(frmMain &form)
{
    bind(form);
    m_form = &form;
    gameWindow().view()->onPresented = [this] { viewPresented(); };
}

std::uint32_t PacingHost::timeGetTime()
{
    // The same counter as the real host's, with the instant of each reading kept.
    const std::int64_t ns = monotonicNs();
    const auto value = std::uint32_t(ns / 1'000'000);
    m_recorder.counterRead(value, ns);
    return value;
}

void PacingHost::DoEvents()
{
    look();
    m_frameOut = false;
    QtHost::DoEvents();
    noteFirstFrame();
    look();
    checkShownFrame();
}

void PacingHost::Refresh()
{
    m_frameOut = false;
    QtHost::Refresh();
    noteFirstFrame();
    look();
    checkShownFrame();
}

// Right after the host has shown the back buffer, the window system must show exactly
// its pixels: the changed-region bookkeeping may save work, never change the picture.
void PacingHost::checkShownFrame()
{
    if (!m_checkPending || m_closing || !m_form)
        return;
    m_checkPending = false;
    // The screen grab costs the X server and the game a round trip or two: left out.
    const Usage usedBefore = usageNow();
    const std::int64_t wallStart = monotonicNs();
    GameView *view = gameWindow().view();
    const Surface &buffer = m_form->window;
    const QPoint origin = view->mapTo(&gameWindow(), QPoint(0, 0));
    QScreen *screen = gameWindow().screen();
    QImage shot;
    QPoint at(0, 0); // where the field lies on the shot
    if (screen && buffer.width() > 0 && QGuiApplication::platformName() == QLatin1String("xcb"))
        shot =
            screen->grabWindow(gameWindow().winId(), origin.x(), origin.y(), buffer.width(), buffer.height()).toImage();
    // On Wayland, as the game presents there (the run with Qt's painting as it comes, which
    // the screenshots' pauses throw off its script, is left alone).
    else if (buffer.width() > 0 && QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
             std::string_view(presentPath()) != "Qt's widget painting")
        shot = compositorShot(buffer, at);
    if (!shot.isNull()) {
        ++m_framesChecked;
        m_pixelsDiffering += differing(shot.convertToFormat(QImage::Format_RGB32), at, buffer);
    }
    m_recorder.leaveOut(usageNow() - usedBefore, monotonicNs() - wallStart);
}

QRgb PacingHost::rgbOf(Color c)
{
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)) & 0xFFFFFF;
}

// The pixels of `buffer` that `shot` does not show with the buffer's top-left corner at `at`.
std::int64_t PacingHost::differing(const QImage &shot, QPoint at, const Surface &buffer)
{
    std::int64_t count = 0;
    for (int y = 0; y < buffer.height(); ++y) {
        for (int x = 0; x < buffer.width(); ++x) {
            const QPoint p = at + QPoint(x, y);
            count += !shot.rect().contains(p) || (shot.pixel(p) & 0xFFFFFF) != rgbOf(buffer.pixel(x, y)) ? 1 : 0;
        }
    }
    return count;
}

// On Wayland: what the compositor shows (its screenshooter, Weston started with --debug) once
// the frame asked for has gone out. The field is found on the first screenshot, at the place
// where the fewest of the back buffer's pixels differ among those where its first non-black
// pixel shows; `at` gets it.
QImage PacingHost::compositorShot(const Surface &buffer, QPoint &at)
{
    for (QDeadlineTimer deadline(200); !m_frameOut && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    // Qt sends what it committed when its event loop next goes to sleep.
    QTimer::singleShot(20, [] {});
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QTemporaryDir folder;
    QProcess shooter;
    shooter.setWorkingDirectory(folder.path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    QImage screen;
    if (!shooter.waitForFinished(5000) || shooter.exitCode() != 0)
        return {};
    for (const QString &name : QDir(folder.path()).entryList({QStringLiteral("*.png")}))
        screen.load(folder.filePath(name));
    screen = screen.convertToFormat(QImage::Format_RGB32);
    if (m_fieldOnScreen.x() < 0 && !screen.isNull()) {
        QPoint probe(-1, -1);
        for (int i = 0; i < buffer.width() * buffer.height() && probe.x() < 0; ++i)
            if (rgbOf(buffer.pixel(i % buffer.width(), i / buffer.width())) != 0)
                probe = QPoint(i % buffer.width(), i / buffer.width());
        std::int64_t fewest = std::int64_t(buffer.width()) * buffer.height();
        for (int y = 0; fewest > 0 && probe.x() >= 0 && y < screen.height(); ++y) {
            for (int x = 0; fewest > 0 && x < screen.width(); ++x) {
                if ((screen.pixel(x, y) & 0xFFFFFF) != rgbOf(buffer.pixel(probe.x(), probe.y())))
                    continue;
                if (const std::int64_t count = differing(screen, QPoint(x, y) - probe, buffer); count < fewest) {
                    fewest = count;
                    m_fieldOnScreen = QPoint(x, y) - probe;
                }
            }
        }
    }
    at = m_fieldOnScreen;
    return m_fieldOnScreen.x() < 0 ? QImage() : screen;
}

// Busy polling: no wait sleeps, so each loop spins on DoEvents.
void PacingHost::idleUntil(std::uint32_t tick)
{
    if (!m_busy)
        QtHost::idleUntil(tick);
}

void PacingHost::idleUntilSecondChanges(int second)
{
    if (!m_busy)
        QtHost::idleUntilSecondChanges(second);
}

void PacingHost::idleUntilEvent()
{
    if (!m_busy)
        QtHost::idleUntilEvent();
}

std::string PacingHost::appPath()
{
    return m_folder;
}

void PacingHost::viewPresented()
{
    m_frameOut = true;
    // A title frame put into a window that is mapped and exposed is on screen once it has
    // been flushed, which happens before the event loop returns.
    const QWindow *window = gameWindow().windowHandle();
    if (m_form && m_form->Working == screen::Title && window && window->isExposed())
        m_titlePainted = true;
}

void PacingHost::noteFirstFrame()
{
    if (m_titlePainted && m_firstFrameNs == 0)
        m_firstFrameNs = monotonicNs();
}

std::string PacingHost::screenName() const
{
    switch (m_form->Working) {
    case screen::Title:
        return "title";
    case screen::ModeSelect:
        return "mode";
    case screen::Countdown:
        return "countdown";
    case screen::Match:
        return m_form->GMode != vbFalse ? "match Single" : "match Battle";
    case screen::MatchOver:
        return "result";
    default:
        return "other";
    }
}

void PacingHost::look()
{
    if (!m_form || m_closing)
        return;
    if (monotonicNs() - m_startNs > m_timeLimitNs) {
        m_timedOut = true;
        m_closing = true;
        m_recorder.finish();
        requestClose();
        return;
    }
    const std::string name = screenName();
    const bool timed = m_form->Working == screen::Title || m_form->Working == screen::Match;
    switch (m_recorder.observe(name, m_form->module1.TickStart, timed)) {
    case Recorder::Seen::NewScreen:
        m_checkPending = true;
        enterScreen(name);
        if (m_recorder.passesInVisit() == 1 && m_form->Working == screen::Match)
            matchTick();
        break;
    case Recorder::Seen::NewPass:
        if (m_form->Working == screen::Match)
            matchTick();
        break;
    case Recorder::Seen::Nothing:
        break;
    }
}

void PacingHost::enterScreen(const std::string &name)
{
    if (name == "title") {
        const bool phaseDone = m_singleDone >= plan().singleTicks && m_battleDone >= plan().battleTicks;
        if (phaseDone && m_busy) {
            m_closing = true;
            m_recorder.finish();
            requestClose();
            return;
        }
        if (phaseDone) {
            // Same run, same window: now busy polling, side by side.
            m_busy = true;
            m_recorder.setPhase("busy");
            m_titleVisits = m_modeVisits = m_singleDone = m_battleDone = 0;
        }
        pressAfter(m_titleVisits++ == 0 ? plan().firstTitleMs : plan().laterTitleMs, Qt::Key_Return);
    } else if (name == "mode") {
        const bool battle = m_singleDone >= plan().singleTicks;
        int at = 0;
        if (m_modeVisits++ == 0) {
            // Move the arrow to and fro before choosing.
            for (const int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Down, Qt::Key_Up})
                pressAfter(at += 400, key);
        }
        if (battle)
            pressAfter(at += 200, Qt::Key_Down);
        pressAfter(at + 400, Qt::Key_Return);
    } else if (name == "result") {
        pressAfter(plan().resultMs, Qt::Key_Return);
    }
}

} // namespace quorrax::bench
