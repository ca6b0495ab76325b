// SPDX-License-Identifier: MIT
#pragma once

#include "bench/recorder.h"
#include "game/frmmain.h"
#include "qthost/qthost.h"

#include <QImage>
#include <QPoint>

#include <cstdint>
#include <string>

namespace quorrax::bench {

// How much of each screen one phase of the run plays.
struct Plan {
    int singleTicks = 1000; // match ticks of Single mode, over as many matches as it takes
    int battleTicks = 600;  // match ticks of Battle mode
    int firstTitleMs = 3000;
    int laterTitleMs = 1000;
    int resultMs = 2000;
};

// The real Qt host, watched: it notes every pass and screen change of the game, plays the
// keys of a fixed script as real key events on the game's view, and can swap its waits for
// busy polling, every wait spinning on the event queue.
class PacingHost : public QtHost
{
public:
    PacingHost(std::string folder, Plan ours, Plan busy, std::int64_t timeLimitNs);
    ~PacingHost() override;

    void attach(frmMain &form);
    Recorder &recorder() { return m_recorder; }
    // Monotonic instant the first title frame was on screen, 0 if never.
    std::int64_t firstTitleFrameNs() const { return m_firstFrameNs; }
    bool timedOut() const { return m_timedOut; }
    // Frames compared with what the window system shows, and the pixels that differed.
    int framesChecked() const { return m_framesChecked; }
    std::int64_t pixelsDiffering() const { return m_pixelsDiffering; }
    const char *presentPath() { return gameWindow().view()->presenting(); }

    std::uint32_t timeGetTime() override;
    void DoEvents() override;
    void Refresh() override;
    void idleUntil(std::uint32_t tick) override;
    void idleUntilSecondChanges(int second) override;
    void idleUntilEvent() override;
    std::string appPath() override;

    // Called as the view hands a frame to the window system.
    void viewPresented();

private:
    void look();
    void checkShownFrame();
    QImage compositorShot(const Surface &buffer, QPoint &at);
    static QRgb rgbOf(Color c);
    static std::int64_t differing(const QImage &shot, QPoint at, const Surface &buffer);
    void noteFirstFrame();
    std::string screenName() const;
    void enterScreen(const std::string &screen);
    void matchTick();
    void play();
    void steer(Long x, Long y, Integer muki, const int (&keys)[4]);
    void forceCrash();
    void press(int qtKey);
    void pressAfter(int ms, int qtKey);
    const Plan &plan() const { return m_busy ? m_busyPlan : m_ours; }

    std::string m_folder;
    Plan m_ours;
    Plan m_busyPlan;
    std::int64_t m_startNs;
    std::int64_t m_timeLimitNs;
    frmMain *m_form = nullptr;
    Recorder m_recorder;
    bool m_busy = false;
    bool m_closing = false;
    bool m_timedOut = false;
    bool m_titlePainted = false;
    std::int64_t m_firstFrameNs = 0;
    bool m_checkPending = false;
    int m_framesChecked = 0;
    std::int64_t m_pixelsDiffering = 0;
    bool m_frameOut = false;        // the view handed a frame on since the last Refresh or DoEvents
    QPoint m_fieldOnScreen{-1, -1}; // on the compositor's screen, once found
    int m_titleVisits = 0;
    int m_modeVisits = 0;
    int m_singleDone = 0;
    int m_battleDone = 0;
};

} // namespace quorrax::bench
