// SPDX-License-Identifier: MIT
// The cost of one match tick's composition on the game's real surfaces, against the floor
// of a plain memcpy of the same number of bytes as its three whole-field copies.

#include "game/frmmain.h"
#include "qthost/glyphs.h"
#include "qthost/qthost.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace quorrax::bench {

namespace {

constexpr int fieldWidth = 420;
constexpr int fieldHeight = 300;
constexpr std::size_t fieldBytes = std::size_t(fieldWidth) * fieldHeight * sizeof(Color);

// The game's window with its surfaces, on the real Qt host (offscreen unless told otherwise).
struct Game {
    QtHost host;
    frmMain form{host};

    Game()
    {
        host.bind(form);
        host.setClientSize(fieldWidth, fieldHeight);
        host.Show();
        form.Working = screen::Match;
        form.GMode = vbTrue;
        form.picAo.setPicture(form.picJamaAo);
        form.ForeColor = green;
        // Three heads that keep to their own rows and columns, as far apart as a match starts.
        form.AkaX = 160;
        form.AkaY = 150;
        form.AoX = 260;
        form.AoY = 150;
        form.JamaX = 210;
        form.JamaY = 150;
        form.AkaMuki = muki::Up;
        form.AoMuki = muki::Right;
        form.JamaMuki = muki::Down;
    }
};

Game *game = nullptr;

// One head's move and segment, as the match loop does it.
void moveAndDraw(frmMain &f, Long &x, Long &y, Integer muki, Color color, bool crashTest)
{
    Long fromX = x;
    Long fromY = y;
    switch (muki) {
    case muki::Up:
        fromY = y--;
        break;
    case muki::Right:
        fromX = x++;
        break;
    case muki::Down:
        fromY = y++;
        break;
    default:
        fromX = x--;
        break;
    }
    if (crashTest) {
        // The crash test's single pixel read, three ahead.
        benchmark::DoNotOptimize(f.picWork.Point(x + (muki == muki::Right) * 3 - (muki == muki::Left) * 3,
                                                 y + (muki == muki::Down) * 3 - (muki == muki::Up) * 3));
    }
    f.picWork.Line(x, y, fromX, fromY, color);
}

// Steps 2 to 10 of a Single tick: reset, three moves with their tests and segments, the
// wrap-around, the store, the heads, the show and the score.
void composeTick(frmMain &f)
{
    BitBlt(f.picWork, 0, 0, fieldWidth, fieldHeight, f.picHaikei, Rop::SrcCopy);
    moveAndDraw(f, f.AkaX, f.AkaY, f.AkaMuki, red, true);
    moveAndDraw(f, f.AoX, f.AoY, f.AoMuki, blue, true);
    moveAndDraw(f, f.JamaX, f.JamaY, f.JamaMuki, yellow, false);
    f.AkaHantai();
    f.AoHantai();
    f.JamaHantai();
    BitBlt(f.picHaikei, 0, 0, fieldWidth, fieldHeight, f.picWork, Rop::SrcCopy);
    BitBlt(f.picWork, f.AkaX - 2, f.AkaY - 2, f.picAka.width(), f.picAka.height(), f.picAka, Rop::SrcCopy);
    BitBlt(f.picWork, f.AoX - 3, f.AoY - 3, f.picAo.width(), f.picAo.height(), f.picAo, Rop::SrcCopy);
    BitBlt(f.picWork, f.JamaX - 3, f.JamaY - 3, f.picJama.width(), f.picJama.height(), f.picJama, Rop::SrcCopy);
    BitBlt(f.window, 0, 0, fieldWidth, fieldHeight, f.picWork, Rop::SrcCopy);
    ++f.Score;
    f.CurrentX = 10;
    f.CurrentY = 10;
    f.FontSize = 9;
    f.Print("Score:" + std::to_string(f.Score));
}

void BM_Tick(benchmark::State &state)
{
    for (auto _ : state) {
        composeTick(game->form);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(3 * fieldBytes));
}
BENCHMARK(BM_Tick)->Unit(benchmark::kMicrosecond);

// The floor: the tick's three whole-field copies as bare memcpy calls between buffers of
// the same size, and nothing else.
void BM_MemcpyFloor(benchmark::State &state)
{
    std::vector<Color> haikei(fieldBytes / sizeof(Color), 1);
    std::vector<Color> work(haikei.size(), 2);
    std::vector<Color> window(haikei.size(), 3);
    for (auto _ : state) {
        std::memcpy(work.data(), haikei.data(), fieldBytes);
        std::memcpy(haikei.data(), work.data(), fieldBytes);
        std::memcpy(window.data(), work.data(), fieldBytes);
        benchmark::DoNotOptimize(window.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(3 * fieldBytes));
}
BENCHMARK(BM_MemcpyFloor)->Unit(benchmark::kMicrosecond);

// Between two ticks the game sleeps and other programs run: the tick meets its surfaces
// in main memory rather than in the caches. These variants evict the caches before each
// tick and its floor.
void evictCaches()
{
    static std::vector<std::uint64_t> other(64u << 20 >> 3, 1);
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < other.size(); i += 8)
        sum += ++other[i];
    benchmark::DoNotOptimize(sum);
}

void BM_TickCold(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        evictCaches();
        state.ResumeTiming();
        composeTick(game->form);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TickCold)->Unit(benchmark::kMicrosecond)->Iterations(400);

void BM_MemcpyFloorCold(benchmark::State &state)
{
    std::vector<Color> haikei(fieldBytes / sizeof(Color), 1);
    std::vector<Color> work(haikei.size(), 2);
    std::vector<Color> window(haikei.size(), 3);
    for (auto _ : state) {
        state.PauseTiming();
        evictCaches();
        state.ResumeTiming();
        std::memcpy(work.data(), haikei.data(), fieldBytes);
        std::memcpy(haikei.data(), work.data(), fieldBytes);
        std::memcpy(window.data(), work.data(), fieldBytes);
        benchmark::DoNotOptimize(window.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyFloorCold)->Unit(benchmark::kMicrosecond)->Iterations(400);

// A tick as the player gets it: the composition, then the host's refresh that hands the
// changed pixels to the window system.
void BM_TickShown(benchmark::State &state)
{
    for (auto _ : state) {
        composeTick(game->form);
        game->host.Refresh();
    }
}
BENCHMARK(BM_TickShown)->Unit(benchmark::kMicrosecond);

// The score's text, new every tick, and the title prompt, the same every pass.
void BM_PrintScore(benchmark::State &state)
{
    Long score = 0;
    for (auto _ : state)
        printGlyphs(game->form.window, 10, 10, "Score:" + std::to_string(++score), 9, green);
}
BENCHMARK(BM_PrintScore)->Unit(benchmark::kMicrosecond);

void BM_PrintPrompt(benchmark::State &state)
{
    int level = 0;
    for (auto _ : state)
        printGlyphs(game->form.window, 260, 260, "Press Return to start", 12, RGB(level, level, 0));
}
BENCHMARK(BM_PrintPrompt)->Unit(benchmark::kMicrosecond);

// Whether a run ended early, by an error or a skip: Google Benchmark 1.8 renamed the field
// that tells.
template <class Run>
bool endedEarly(const Run &run)
{
    if constexpr (requires { run.error_occurred; })
        return run.error_occurred;
    else
        return static_cast<bool>(run.skipped);
}

// Keeps the console output and notes each benchmark's processor time per iteration: on a
// machine that is not quite idle that is steadier than the wall-clock time.
class Reporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && !endedEarly(run) && run.iterations > 0)
                cpuSeconds[run.run_name.function_name] = run.cpu_accumulated_time / double(run.iterations);
        }
    }
    std::map<std::string, double> cpuSeconds;
};

} // namespace

} // namespace quorrax::bench

int main(int argc, char **argv)
{
    using namespace quorrax::bench;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    Game theGame;
    game = &theGame;
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    game = nullptr;

    const auto &t = reporter.cpuSeconds;
    if (t.count("BM_Tick") && t.count("BM_MemcpyFloor") && t.at("BM_MemcpyFloor") > 0) {
        const double floor = t.at("BM_MemcpyFloor");
        const double ratio = t.at("BM_Tick") / floor;
        std::printf("\nOne tick's composition: %.1f us of processor time; memcpy floor of the same %zu bytes: "
                    "%.1f us; ratio %.2f (goal <= 3): %s\n",
                    t.at("BM_Tick") * 1e6, 3 * fieldBytes, floor * 1e6, ratio, ratio <= 3 ? "met" : "MISSED");
        if (t.count("BM_TickCold") && t.count("BM_MemcpyFloorCold") && t.at("BM_MemcpyFloorCold") > 0)
            std::printf("From main memory (caches evicted before each): %.1f us against %.1f us, ratio %.2f\n",
                        t.at("BM_TickCold") * 1e6, t.at("BM_MemcpyFloorCold") * 1e6,
                        t.at("BM_TickCold") / t.at("BM_MemcpyFloorCold"));
        if (t.count("BM_TickShown"))
            std::printf("With the refresh that hands the changes to the window system: %.1f us (%.2f x floor)\n",
                        t.at("BM_TickShown") * 1e6, t.at("BM_TickShown") / floor);
    }
    return 0;
}
