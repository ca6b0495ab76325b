// SPDX-License-Identifier: MIT
// The keys the pacing run plays: through the title and the mode screen, and in a match
// each player's turns away from the trails ahead, so that the matches last as long as the
// plan says.

#include "bench/pacing_host.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

namespace quorrax::bench {

namespace {

// The keys of the two players, by direction code: up, right, down, left.
constexpr int redKeys[4] = {Qt::Key_W, Qt::Key_S, Qt::Key_Z, Qt::Key_A};
constexpr int blueKeys[4] = {Qt::Key_I, Qt::Key_K, Qt::Key_M, Qt::Key_J};

// How many pixels a head can still go straight on in direction `muki` before its crash
// test would meet a trail. The field wraps round, as the heads do.
int freeRun(const Surface &field, Long x, Long y, Integer muki, int farthest)
{
    constexpr int lookAhead = 3;
    const int dx = muki == muki::Right ? 1 : muki == muki::Left ? -1 : 0;
    const int dy = muki == muki::Down ? 1 : muki == muki::Up ? -1 : 0;
    const int w = field.width();
    const int h = field.height();
    for (int k = lookAhead + 1; k < farthest; ++k) {
        const int px = ((int(x) + k * dx) % w + w) % w;
        const int py = ((int(y) + k * dy) % h + h) % h;
        if (field.pixel(px, py) != black)
            return k - lookAhead - 1;
    }
    return farthest - lookAhead - 1;
}

} // namespace

void PacingHost::matchTick()
{
    // The players are people, not part of the program: their thinking is not its load.
    const std::int64_t cpuStart = threadCpuNs();
    const std::int64_t wallStart = monotonicNs();
    play();
    Usage thinking;
    thinking.gameNs = threadCpuNs() - cpuStart;
    m_recorder.leaveOut(thinking, monotonicNs() - wallStart);
}

void PacingHost::play()
{
    const bool single = m_form->GMode != vbFalse;
    int &done = single ? m_singleDone : m_battleDone;
    const int target = single ? plan().singleTicks : plan().battleTicks;
    // Now and then the frame on screen is compared with the back buffer.
    if (done % 250 == 125)
        m_checkPending = true;
    if (++done >= target) {
        // Once: after that red goes straight on, which meets a trail within one crossing
        // of the field even if the turn back did not.
        if (done == target)
            forceCrash();
        return;
    }
    steer(m_form->AkaX, m_form->AkaY, m_form->AkaMuki, redKeys);
    if (!single)
        steer(m_form->AoX, m_form->AoY, m_form->AoMuki, blueKeys);
}

void PacingHost::steer(Long x, Long y, Integer muki, const int (&keys)[4])
{
    if (muki < 0 || muki > 3)
        return;
    // A player looks a little ahead, and to the sides only when the way ahead closes.
    constexpr int near = 14;
    constexpr int far = 60;
    const int ahead = freeRun(m_form->picHaikei, x, y, muki, near);
    if (ahead >= 10)
        return;
    const auto right = Integer((muki + 1) % 4);
    const auto left = Integer((muki + 3) % 4);
    const int toRight = freeRun(m_form->picHaikei, x, y, right, far);
    const int toLeft = freeRun(m_form->picHaikei, x, y, left, far);
    if (std::max(toRight, toLeft) > ahead)
        press(keys[toRight >= toLeft ? right : left]);
}

void PacingHost::forceCrash()
{
    // Two turns within one wait send red back onto its own trail.
    const Integer muki = m_form->AkaMuki;
    if (muki < 0 || muki > 3)
        return;
    press(redKeys[(muki + 1) % 4]);
    press(redKeys[(muki + 2) % 4]);
}

void PacingHost::press(int qtKey)
{
    QCoreApplication::postEvent(gameWindow().view(), new QKeyEvent(QEvent::KeyPress, qtKey, Qt::NoModifier));
}

void PacingHost::pressAfter(int ms, int qtKey)
{
    QTimer::singleShot(ms, gameWindow().view(), [this, qtKey] { press(qtKey); });
}

} // namespace quorrax::bench
