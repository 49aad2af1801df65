#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "FrameRendering.h"
#include "PaddleGame.h"
#include "SafeArithmetic.h"

namespace {

const DWORD frameMilliseconds = 16;
const double degreesToRadians = 3.14 / 180;  // the wave's own constant, with pi taken as 3.14
const int backgroundOverhang = 64;           // the first background copy starts this far left
const int paddlePieceHeight = 10;
const int paddlePieces = 10;

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

// sin(phase in degrees), with the wave's own degrees-to-radians constant.
double WaveSine(WaveSines& memo, int phase)
{
    // Fibonacci hashing spreads phases that step by the same amount.
    unsigned slot = (static_cast<unsigned>(phase) * 2654435761u) >> (32 - WaveSines::slotBits);
    if (memo.phases[slot] != phase) {
        memo.phases[slot] = phase;
        memo.sines[slot] = std::sin(phase * degreesToRadians);
    }
    return memo.sines[slot];
}

}  // namespace

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
    int64_t startX = ball.left + 10;
    int64_t startY = ball.top + 10;
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
    ReleaseCanvas(frameCanvas);
}

void PaddleGame::WindowPainted()
{
    frameCanvas.changed.everything = true;
}

void PaddleGame::RenderFrame(HWND window)
{
    if (clientRect.right == clientRect.left || clientRect.bottom == clientRect.top) {
        WaitOutEmptyFrame(frameStartTick);
        return;
    }
    int width = clientRect.right;
    int height = clientRect.bottom;

    HDC windowDc = GetDC(window);
    FrameCanvas& canvas = frameCanvas;
    bool wallRead = ReadBitmapPixels(canvas.lavaWall, lavaWallBitmap, windowDc);
    ReadBitmapPixels(canvas.barrier, barrierBitmap, windowDc);
    ReadBitmapPixels(canvas.particleSheet, particleSheetBitmap, windowDc);
    MakeBackBuffer(canvas, windowDc, width, height);
    HDC backBufferDC = canvas.dc;
    bool drawable = canvas.bitmap != nullptr;

    GdiFlush();  // the last frame's drawing is done before its pixels are written
    // A new lava wall leaves nothing in the buffer worth keeping.
    if (canvas.marks.everything || wallRead) ClearAll(canvas);

    frameCount = NextFrameCount(frameCount);

    // Rows whose copies would land where they already are stay as they are,
    // and rows the barrier tiles will cover need no background at all.
    int tileWidth = barrierInfo.bmWidth;
    int tileHeight = barrierInfo.bmHeight;
    Span tileRows[2];
    RowsUnderTiles(canvas, tileWidth, tileHeight, tileRows);
    int rowWidth = lavaWallInfo.bmWidth - 1;
    int backgroundRows = std::min(canvas.height, canvas.lavaWall.height);
    for (int y = 0; y < backgroundRows; ++y) {
        if ((tileRows[0].begin <= y && y < tileRows[0].end) || (tileRows[1].begin <= y && y < tileRows[1].end)) {
            LeaveRowToTiles(canvas, y);
            continue;
        }
        double shift = WaveSine(canvas.sines, WavePhase(y, waveLength, frameCount, waveFrequency)) * waveAmplitude;
        PlaceBackgroundRow(canvas, y, TruncCoordinate(shift - backgroundOverhang),
                           TruncCoordinate(shift + (lavaWallInfo.bmWidth - backgroundOverhang - 1)), rowWidth);
    }
    RedrawMarks(canvas);

    DrawTiles(canvas, tileWidth, tileHeight, tileRows);

    for (int k = 0; k < paddlePieces; ++k) {
        CopyBlock(canvas, leftPaddle.left, leftPaddle.top + paddlePieceHeight * k, 20, paddlePieceHeight,
                  canvas.barrier, 0, 0);
        CopyBlock(canvas, rightPaddle.left, rightPaddle.top + paddlePieceHeight * k, 20, paddlePieceHeight,
                  canvas.barrier, 0, 0);
    }

    if (drawable) {
        Ellipse(backBufferDC, ball.left, ball.top, ball.right, ball.bottom);
        // The white inside lies within the rectangle.
        MarkBox(canvas, std::min(ball.left, ball.right), std::min(ball.top, ball.bottom),
                std::max(ball.left, ball.right), std::max(ball.top, ball.bottom));

        POINT pathEnd = PathLineEnd(ball, ballVelX, ballVelY, clientRect);
        MoveToEx(backBufferDC, ball.left + 10, ball.top + 10, nullptr);
        LineTo(backBufferDC, pathEnd.x, pathEnd.y);
        MarkLine(canvas, {ball.left + 10, ball.top + 10}, pathEnd);
        GdiFlush();
    }

    DrawAndStepSparks(canvas);

    char szBuffer[30];
    if (drawable) {
        SetBkMode(backBufferDC, TRANSPARENT);
        SetTextColor(backBufferDC, RGB(255, 255, 255));
        wsprintfA(szBuffer, "%d to %d", leftScore, rightScore);
        int length = lstrlenA(szBuffer);
        TextOutA(backBufferDC, width / 2, 16, szBuffer, length);
        SIZE extent = {};
        GetTextExtentPoint32A(backBufferDC, szBuffer, length, &extent);
        // Glyphs may reach a little past the text's cells.
        const int spare = 8;
        MarkBox(canvas, width / 2 - spare, 16 - spare, width / 2 + static_cast<int64_t>(extent.cx) + spare,
                16 + static_cast<int64_t>(extent.cy) + spare);

        ShowChanges(canvas, window, windowDc);
    }

    int winner = GetWinner();
    if (winner != -1) {
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
