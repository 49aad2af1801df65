// The drawing of one frame, layer by layer, on a canvas with FrameCanvas's
// operations: RenderFrame draws on the game's own canvas, and the benchmark on
// one derived from it that times each step.
#pragma once

#include <windows.h>

#include "FrameRendering.h"
#include "PaddleGame.h"
#include "SafeArithmetic.h"

namespace frameDrawing {

const int backgroundOverhang = 64;  // the first background copy starts this far left
const int paddlePieceHeight = 10;  // a paddle is drawn as a column of barrier pieces
const int paddlePieces = PaddleGame::paddleHeight / paddlePieceHeight;

}  // namespace frameDrawing

// Draws the frame of `match` on `canvas` and shows it in the window whose
// context is `windowDc`, moving the frame counter and the sparks on. The
// client area is not empty.
template <typename Canvas>
void DrawFrame(PaddleGame& match, Canvas& canvas, HDC windowDc)
{
    using namespace frameDrawing;
    int width = match.clientRect.right;
    int height = match.clientRect.bottom;
    canvas.BeginFrame(windowDc, width, height, match.lavaWallBitmap, match.barrierBitmap, match.particleSheetBitmap,
                      match.barrierInfo.bmWidth, match.barrierInfo.bmHeight);

    match.frameCount = NextFrameCount(match.frameCount);

    int wallWidth = match.lavaWallInfo.bmWidth;
    for (int y = 0; y < height; ++y) {
        double shift = WaveSine(WavePhase(y, match.waveLength, match.frameCount, match.waveFrequency)) *
                       match.waveAmplitude;
        canvas.PutBackgroundRow(y, TruncCoordinate(shift - backgroundOverhang),
                                TruncCoordinate(shift + (wallWidth - backgroundOverhang - 1)), wallWidth - 1);
    }

    canvas.DrawBarrierRows();

    const RECT& left = match.leftPaddle;
    const RECT& right = match.rightPaddle;
    for (int k = 0; k < paddlePieces; ++k) {
        canvas.CopyBlock(left.left, left.top + paddlePieceHeight * k, PaddleGame::paddleWidth, paddlePieceHeight,
                         CanvasSource::Barrier, 0, 0);
        canvas.CopyBlock(right.left, right.top + paddlePieceHeight * k, PaddleGame::paddleWidth, paddlePieceHeight,
                         CanvasSource::Barrier, 0, 0);
    }

    const RECT ball = match.ball;
    canvas.DrawWithGdi([&ball](HDC dc) { Ellipse(dc, ball.left, ball.top, ball.right, ball.bottom); });
    const int half = PaddleGame::ballHalfSize;
    canvas.DrawLine({ball.left + half, ball.top + half},
                    PathLineEnd(ball, match.ballVelX, match.ballVelY, match.clientRect));

    match.DrawAndStepSparks(canvas);

    char szBuffer[30];
    wsprintfA(szBuffer, "%d to %d", match.leftScore, match.rightScore);
    canvas.DrawTextAt(width / 2, 16, szBuffer, RGB(255, 255, 255));

    canvas.ShowFrame(windowDc);
}
