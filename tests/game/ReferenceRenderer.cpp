#include "ReferenceRenderer.h"

#include <cmath>

#include "../../game/FrameRendering.h"
#include "../../game/PaddleGame.h"
#include "../../game/SafeArithmetic.h"

namespace {

const double degreesToRadians = 3.14 / 180;
const int backgroundOverhang = 64;
const int paddlePieceHeight = 10;
const int paddlePieces = 10;

}  // namespace

void DrawReferenceFrame(PaddleGame& match, HDC windowDc, HDC target)
{
    int width = match.clientRect.right;
    int height = match.clientRect.bottom;

    HDC lavaWallDC = CreateCompatibleDC(windowDc);
    HDC barrierDC = CreateCompatibleDC(windowDc);
    HDC particleSheetDC = CreateCompatibleDC(windowDc);
    HGDIOBJ savedLavaWallObject = SelectObject(lavaWallDC, match.lavaWallBitmap);
    HGDIOBJ savedBarrierObject = SelectObject(barrierDC, match.barrierBitmap);
    HGDIOBJ savedParticleSheetObject = SelectObject(particleSheetDC, match.particleSheetBitmap);

    match.frameCount = NextFrameCount(match.frameCount);

    int rowWidth = match.lavaWallInfo.bmWidth - 1;
    for (int y = 0; y < height; ++y) {
        double angle = WavePhase(y, match.waveLength, match.frameCount, match.waveFrequency) * degreesToRadians;
        double shift = std::sin(angle) * match.waveAmplitude;
        BitBlt(target, TruncCoordinate(shift - backgroundOverhang), y, rowWidth, 1, lavaWallDC, 0, y, SRCCOPY);
        BitBlt(target, TruncCoordinate(shift + (match.lavaWallInfo.bmWidth - backgroundOverhang - 1)), y,
               rowWidth, 1, lavaWallDC, 0, y, SRCCOPY);
    }

    int tileWidth = match.barrierInfo.bmWidth;
    int tileHeight = match.barrierInfo.bmHeight;
    for (int x = 0; tileWidth > 0 && x < width; x += tileWidth) {
        BitBlt(target, x, 0, tileWidth, tileHeight, barrierDC, 0, 0, SRCCOPY);
        BitBlt(target, x, height - tileHeight, tileWidth, tileHeight, barrierDC, 0, 0, SRCCOPY);
    }

    for (int k = 0; k < paddlePieces; ++k) {
        BitBlt(target, match.leftPaddle.left, match.leftPaddle.top + paddlePieceHeight * k, 20,
               paddlePieceHeight, barrierDC, 0, 0, SRCCOPY);
        BitBlt(target, match.rightPaddle.left, match.rightPaddle.top + paddlePieceHeight * k, 20,
               paddlePieceHeight, barrierDC, 0, 0, SRCCOPY);
    }

    SelectObject(lavaWallDC, savedLavaWallObject);
    SelectObject(barrierDC, savedBarrierObject);
    DeleteDC(lavaWallDC);
    DeleteDC(barrierDC);

    Ellipse(target, match.ball.left, match.ball.top, match.ball.right, match.ball.bottom);

    POINT pathEnd = PathLineEnd(match.ball, match.ballVelX, match.ballVelY, match.clientRect);
    MoveToEx(target, match.ball.left + 10, match.ball.top + 10, nullptr);
    LineTo(target, pathEnd.x, pathEnd.y);

    match.DrawAndStepSparks(target, particleSheetDC);

    SelectObject(particleSheetDC, savedParticleSheetObject);
    DeleteDC(particleSheetDC);

    char szBuffer[30];
    SetBkMode(target, TRANSPARENT);
    SetTextColor(target, RGB(255, 255, 255));
    wsprintfA(szBuffer, "%d to %d", match.leftScore, match.rightScore);
    TextOutA(target, width / 2, 16, szBuffer, lstrlenA(szBuffer));
}

HBITMAP DrawReferenceBuffer(PaddleGame& match, HWND window, bool show)
{
    int width = match.clientRect.right;
    int height = match.clientRect.bottom;
    HDC windowDc = GetDC(window);
    HDC backBufferDc = CreateCompatibleDC(windowDc);
    HBITMAP backBuffer = CreateCompatibleBitmap(windowDc, width, height);
    HGDIOBJ saved = SelectObject(backBufferDc, backBuffer);
    DrawReferenceFrame(match, windowDc, backBufferDc);
    if (show) BitBlt(windowDc, 0, 0, width, height, backBufferDc, 0, 0, SRCCOPY);
    SelectObject(backBufferDc, saved);
    DeleteDC(backBufferDc);
    ReleaseDC(window, windowDc);
    return backBuffer;
}
