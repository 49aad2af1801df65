// The frames the benchmark times.
#include "BenchFrames.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "../game/FrameDrawing.h"
#include "../tests/game/ReferenceRenderer.h"

namespace {

// What a frame's drawing changes in the game besides the window: the sparks
// and the frame counter.
struct DrawnState {
    SparkPair sparks[3][sparksPerSystem];
    int frameCount;
};

void SaveDrawnState(DrawnState& state)
{
    std::memcpy(state.sparks[0], game.ballSparks, sizeof game.ballSparks);
    std::memcpy(state.sparks[1], game.rightWallSparks, sizeof game.rightWallSparks);
    std::memcpy(state.sparks[2], game.leftWallSparks, sizeof game.leftWallSparks);
    state.frameCount = game.frameCount;
}

void RestoreDrawnState(const DrawnState& state)
{
    std::memcpy(game.ballSparks, state.sparks[0], sizeof game.ballSparks);
    std::memcpy(game.rightWallSparks, state.sparks[1], sizeof game.rightWallSparks);
    std::memcpy(game.leftWallSparks, state.sparks[2], sizeof game.leftWallSparks);
    game.frameCount = state.frameCount;
}

DrawnState before;
DrawnState after;

// Draws the frame of the state saved in `before` again, from `seed`, with
// `draw`, then puts back the state the first drawing left.
template <typename Draw>
void DrawAgain(unsigned seed, Draw draw)
{
    SaveDrawnState(after);
    RestoreDrawnState(before);
    srand(seed);
    draw();
    RestoreDrawnState(after);
}

template <typename Canvas>
void DrawOn(Canvas& canvas, HWND window)
{
    HDC windowDc = GetDC(window);
    DrawFrame(game, canvas, windowDc);
    ReleaseDC(window, windowDc);
}

// The ball moves by its velocity, turning short of the edges, as in play.
void MoveBall()
{
    PaddleGame& g = game;
    OffsetRect(&g.ball, g.ballVelX, g.ballVelY);
    if (g.ball.top < 40 || g.ball.bottom > g.clientRect.bottom - 40) g.ballVelY = -g.ballVelY;
    if (g.ball.left < 40 || g.ball.right > g.clientRect.right - 40) g.ballVelX = -g.ballVelX;
}

LONGLONG Frequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

// The share of the client area that the two lava copies of the frame just
// drawn cover, worked out from the rows' copies as a frame places them: row y shows the
// wall's row y, so rows below the wall show none.
double LavaShare()
{
    int width = game.clientRect.right;
    int height = game.clientRect.bottom;
    int wallWidth = game.lavaWallInfo.bmWidth;
    int copyWidth = wallWidth - 1;
    long long covered = 0;
    for (int y = 0; y < height && y < game.lavaWallInfo.bmHeight; ++y) {
        double shift = WaveSine(WavePhase(y, game.waveLength, game.frameCount, game.waveFrequency)) *
                       game.waveAmplitude;
        long long first = TruncCoordinate(shift - 64);
        long long second = TruncCoordinate(shift + (wallWidth - 65));
        // The copies are side by side or overlap: together they span from the
        // first's start to the second's end unless a gap lies between them.
        long long begin = std::max(0LL, first);
        long long end = std::min<long long>(width, second + copyWidth);
        long long gap = std::max(0LL, std::min<long long>(width, second) - std::max(0LL, first + copyWidth));
        if (end > begin) covered += end - begin - gap;
    }
    return 100.0 * static_cast<double>(covered) / (static_cast<double>(width) * height);
}

}  // namespace

void ServeBall(HWND window)
{
    GetClientRect(window, &game.clientRect);
    game.PlaceBallAndPaddles();
    CentreBall(game.ball, game.clientRect);
    game.ballVelX = 15;
    game.ballVelY = 4;
}

void DrawGameFrames(HWND window, int frames, unsigned firstSeed, FrameTimes* times)
{
    const LONGLONG frequency = Frequency();
    TransferTiming& timing = transferTiming;
    for (int frame = 0; frame < frames; ++frame) {
        // The game's loop handles the waiting messages before every frame.
        PumpMessages();
        MoveBall();
        srand(firstSeed + static_cast<unsigned>(frame));
        timing = TransferTiming();
        timing.inGameFrame = true;
        countingAllocations = times != nullptr;
        LONGLONG start = Now();
        DrawOn(game.frameCanvas, window);
        LONGLONG ticks = Now() - start;
        countingAllocations = false;
        timing.inGameFrame = false;
        if (times == nullptr) continue;
        times->frames.push_back(Milliseconds(ticks, frequency));
        times->transfer.push_back(Milliseconds(timing.ticks, frequency));
        times->lavaShare = std::min(times->lavaShare, LavaShare());
    }
}

std::vector<double> TimeReferenceFrames(HWND window, int frames)
{
    const LONGLONG frequency = Frequency();
    std::vector<double> reference;
    for (int frame = 0; frame < frames; ++frame) {
        PumpMessages();
        MoveBall();
        unsigned seed = 5000u + static_cast<unsigned>(frame);
        SaveDrawnState(before);
        srand(seed);
        DrawOn(game.frameCanvas, window);
        DrawAgain(seed, [&]() {
            LONGLONG start = Now();
            DeleteObject(DrawReferenceBuffer(game, window, true));
            reference.push_back(Milliseconds(Now() - start, frequency));
        });
    }
    return reference;
}

StepMedians TimeFrameSteps(HWND window, int frames, StepTimedCanvas<FrameCanvas>& canvas)
{
    const LONGLONG frequency = Frequency();
    std::vector<double> steps[frameSteps];
    std::vector<double> totals;
    for (int frame = 0; frame < frames; ++frame) {
        PumpMessages();
        MoveBall();
        srand(9000u + static_cast<unsigned>(frame));
        DrawOn(canvas, window);
        double total = 0;
        for (int k = 0; k < frameSteps; ++k) {
            double ms = Milliseconds(canvas.ticks[k], frequency);
            steps[k].push_back(ms);
            total += ms;
        }
        totals.push_back(total);
        canvas.Clear();
    }
    StepMedians medians;
    for (int k = 0; k < frameSteps; ++k) medians.steps[k] = Median(steps[k]);
    medians.total = Median(totals);
    return medians;
}
