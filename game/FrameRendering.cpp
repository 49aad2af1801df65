#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "FrameDrawing.h"
#include "PaddleGame.h"
#include "SafeArithmetic.h"

namespace {

const DWORD frameMilliseconds = 16;
const double degreesToRadians = 3.14 / 180;  // the wave's own constant, with pi taken as 3.14

// Frames are paced from the tick taken when the frame began; the unsigned
// difference stays right across the counter's wrap-around.
DWORD MillisecondsSince(DWORD startTick)
{
    return timeGetTime() - startTick;
}

// Without anything to draw there is nothing to pace, but the loop must not spin:
// wait out the frame's time unless a message arrives first.
void WaitOutEmptyFrame(DWORD startTick)
{
    DWORD elapsed = MillisecondsSince(startTick);
    if (elapsed < frameMilliseconds)
        MsgWaitForMultipleObjects(0, nullptr, FALSE, frameMilliseconds - elapsed, QS_ALLINPUT);
}

}  // namespace

double WaveSine(int phase)
{
    return std::sin(phase * degreesToRadians);
}

int WavePhase(int row, int waveLength, int frameCount, int waveFrequency)
{
    int64_t phase = static_cast<int64_t>(row) * waveLength + static_cast<int64_t>(frameCount) * waveFrequency;
    // Past the 32-bit range the phase is taken modulo 360. The wave's angle repeats
    // every 360.18 degrees (pi taken as 3.14), so the picture jumps once there.
    if (phase > INT_MAX || phase < INT_MIN) return static_cast<int>(phase % 360);
    return static_cast<int>(phase);
}

int NextFrameCount(int frameCount)
{
    // Keeps counting forever: steps back a whole number of 360-frame turns before
    // the counter would overflow. Each phase keeps its value modulo 360, but the
    // wave repeats every 360.18 degrees (pi taken as 3.14), so it jumps once there.
    const int turns = 360 * (INT_MAX / 360);
    if (frameCount == INT_MAX) return frameCount - turns + 1;
    return frameCount + 1;
}

POINT PathLineEnd(const RECT& ball, int velX, int velY, const RECT& client)
{
    int64_t startX = ball.left + PaddleGame::ballHalfSize;
    int64_t startY = ball.top + PaddleGame::ballHalfSize;
    int64_t x = startX;
    int64_t y = startY;
    while (velY != 0 && client.top < y && y < client.bottom) {
        y += velY;
        x += velX;
    }
    // A very fast ball's line is shortened along its own direction until it
    // reaches no further than the coordinate limit across or down from the
    // ball's centre; what shows in the window is the same.
    int64_t dx = x - startX;
    int64_t dy = y - startY;
    int64_t reach = dx < 0 ? -dx : dx;
    if ((dy < 0 ? -dy : dy) > reach) reach = dy < 0 ? -dy : dy;
    if (reach > coordinateLimit) {
        double scale = static_cast<double>(coordinateLimit) / static_cast<double>(reach);
        dx = static_cast<int64_t>(static_cast<double>(dx) * scale);
        dy = static_cast<int64_t>(static_cast<double>(dy) * scale);
    }
    POINT end = {static_cast<LONG>(startX + dx), static_cast<LONG>(startY + dy)};
    return end;
}

void PaddleGame::ReleaseFrameCanvas()
{
    frameCanvas.Release();
}

void PaddleGame::RenderFrame(HWND window)
{
    if (clientRect.right == clientRect.left || clientRect.bottom == clientRect.top) {
        WaitOutEmptyFrame(frameStartTick);
        return;
    }
    HDC windowDc = GetDC(window);
    DrawFrame(*this, frameCanvas, windowDc);

    int winner = GetWinner();
    if (winner != -1) {
        char szBuffer[30];
        wsprintfA(szBuffer, "Player %d wins!\n   Continue?", winner);
        if (MessageBoxA(window, szBuffer, "Winner!", MB_YESNO) == IDYES)
            static_cast<Document*>(this)->Reset();
        else
            Quit(window);
    }

    ReleaseDC(window, windowDc);

    if (MillisecondsSince(frameStartTick) < frameMilliseconds) {
        DWORD elapsed = MillisecondsSince(frameStartTick);
        if (elapsed < frameMilliseconds) Sleep(frameMilliseconds - elapsed);
    }
}
