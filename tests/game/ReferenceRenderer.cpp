#include "ReferenceRenderer.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "../../game/FrameRendering.h"
#include "../../game/PaddleGame.h"
#include "../../game/SafeArithmetic.h"

namespace {

const double degreesToRadians = 3.14 / 180;
const int backgroundOverhang = 64;
const int paddlePieceHeight = 10;
const int paddlePieces = 10;
const int sheetColumns = 16;

// The sparks as they were drawn: one one-pixel copy from the sheet per spark.

int RandomBelow(int range)
{
    int value = rand();
    return range > 0 ? value % range : 0;
}

int WallSparkLifeRange(int paddleInset, int score)
{
    int64_t range = static_cast<int64_t>(paddleInset / 10) * (static_cast<int64_t>(score) + 1);
    if (range < 1) return 1;
    return ClampToInt(range);
}

void DrawSpark(HDC target, HDC sheet, const Spark& spark)
{
    BitBlt(target, spark.x, spark.y, 1, 1, sheet, spark.life % sheetColumns, 0, SRCCOPY);
}

enum class Source { Ball, RightWall, LeftWall };

void DrawAndStepSystem(SparkPair (&system)[sparksPerSystem], Source source, HDC target, HDC sheet,
                       const RECT& client, const RECT& ball, int lifeRange)
{
    for (SparkPair& pair : system) {
        Spark& lead = pair.lead;
        Spark& trail = pair.trail;
        DrawSpark(target, sheet, lead);
        DrawSpark(target, sheet, trail);

        if (source == Source::Ball) {
            lead.y += lead.speed;
            trail.y += trail.speed;
        } else if (source == Source::RightWall) {
            lead.x += lead.speed;
            trail.x += trail.speed;
        } else {
            lead.x -= lead.speed;
            trail.x -= trail.speed;
        }
        lead.life -= 1;
        trail.life -= 1;

        if (rand() % 100 == 0) {
            trail.x = lead.x + rand() % 4 - 2;
            trail.y = lead.y + rand() % 4 - 2;
        }

        if (lead.life <= 0) {
            if (source == Source::Ball) {
                lead.y = ball.top + rand() % 20;
                lead.x = ball.left + rand() % 20;
                lead.life = 30 + rand() % 30;
            } else {
                lead.y = RandomBelow(client.bottom);
                lead.x = source == Source::RightWall ? client.right : client.left;
                lead.life = rand() % lifeRange;
            }
        }
        if (trail.life <= 0) {
            trail.y = lead.y + rand() % 4 - 2;
            trail.x = lead.x + rand() % 4 - 2;
            trail.life = source == Source::Ball ? 30 + rand() % 30 : rand() % lifeRange;
        }
    }
}

void DrawAndStepSparks(PaddleGame& match, HDC target, HDC sheet)
{
    DrawAndStepSystem(match.ballSparks, Source::Ball, target, sheet, match.clientRect, match.ball, 0);
    DrawAndStepSystem(match.rightWallSparks, Source::RightWall, target, sheet, match.clientRect, match.ball,
                      WallSparkLifeRange(match.paddleInset, match.leftScore));
    DrawAndStepSystem(match.leftWallSparks, Source::LeftWall, target, sheet, match.clientRect, match.ball,
                      WallSparkLifeRange(match.paddleInset, match.rightScore));
}

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

    DrawAndStepSparks(match, target, particleSheetDC);

    SelectObject(particleSheetDC, savedParticleSheetObject);
    DeleteDC(particleSheetDC);

    char szBuffer[30];
    SetBkMode(target, TRANSPARENT);
    SetTextColor(target, RGB(255, 255, 255));
    wsprintfA(szBuffer, "%d to %d", match.leftScore, match.rightScore);
    TextOutA(target, width / 2, 16, szBuffer, lstrlenA(szBuffer));
}
