#include <cstdint>
#include <cstdlib>

#include "PaddleGame.h"
#include "SafeArithmetic.h"

namespace {

const int sparkSpeed = -2;
const int sheetColumns = 16;

// rand() % range, with a range below 1 giving 0. The number is drawn either way,
// so the sequence of draws never depends on the window's size.
int RandomBelow(int range)
{
    int value = rand();
    return range > 0 ? value % range : 0;
}

void InitSystem(SparkPair (&system)[sparksPerSystem], int startY, int width)
{
    for (SparkPair& pair : system) {
        pair.lead.speed = sparkSpeed;
        pair.lead.life = rand() % 32;
        pair.lead.y = startY;
        pair.lead.x = RandomBelow(width);
        pair.trail.y = pair.lead.y;
        pair.trail.x = RandomBelow(width);
        pair.trail.life = rand() % 32;
        pair.trail.speed = sparkSpeed;
    }
}

// Wall sparks live longer, and so reach further, the more points the attacking
// player has. Scores come from saved files too: below -1 the range is negative,
// and rand() % range still gives lives 0 to |range| - 1, but a score of -1 would
// divide by zero (taken as 1: every life 0) and a huge score would overflow.
int WallSparkLifeRange(int paddleInset, int score)
{
    int64_t range = static_cast<int64_t>(paddleInset / 10) * (static_cast<int64_t>(score) + 1);
    if (range == 0) return 1;
    return ClampToInt(range);
}

enum class Source { Ball, RightWall, LeftWall };

// Draws each pair with `drawSpark` and moves it on; the drawing never draws a
// random number, so the sequence of draws is the same however sparks are drawn.
template <typename DrawSpark>
void DrawAndStepSystem(SparkPair (&system)[sparksPerSystem], Source source, DrawSpark drawSpark,
                       const RECT& client, const RECT& ball, int lifeRange)
{
    for (SparkPair& pair : system) {
        Spark& lead = pair.lead;
        Spark& trail = pair.trail;
        drawSpark(lead);
        drawSpark(trail);

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

        // Now and then the trail jumps back next to its lead.
        if (rand() % 100 == 0) {
            trail.x = lead.x + rand() % 4 - 2;
            trail.y = lead.y + rand() % 4 - 2;
        }

        if (lead.life <= 0) {
            if (source == Source::Ball) {
                lead.y = ball.top + rand() % PaddleGame::ballSize;
                lead.x = ball.left + rand() % PaddleGame::ballSize;
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

}  // namespace

void PaddleGame::InitSparks()
{
    InitSystem(ballSparks, clientRect.top, clientRect.right);
    InitSystem(rightWallSparks, clientRect.top - 20, clientRect.right);
    InitSystem(leftWallSparks, clientRect.top - 20, clientRect.right);
}

void ExpireSparks(SparkPair (&system)[sparksPerSystem])
{
    for (SparkPair& pair : system) {
        pair.lead.life = 0;
        pair.trail.life = 0;
    }
}

namespace {

// Draws every spark and moves it on. The spark colours are the sheet's
// pixels at (life mod 16, 0); each spark is copied as one pixel, clipped.
template <typename DrawSpark>
void DrawAndStepAllSystems(PaddleGame& match, DrawSpark drawSpark)
{
    DrawAndStepSystem(match.ballSparks, Source::Ball, drawSpark, match.clientRect, match.ball, 0);
    DrawAndStepSystem(match.rightWallSparks, Source::RightWall, drawSpark, match.clientRect, match.ball,
                      WallSparkLifeRange(match.paddleInset, match.leftScore));
    DrawAndStepSystem(match.leftWallSparks, Source::LeftWall, drawSpark, match.clientRect, match.ball,
                      WallSparkLifeRange(match.paddleInset, match.rightScore));
}

}  // namespace

void PaddleGame::DrawAndStepSparks(HDC target, HDC sheet)
{
    DrawAndStepAllSystems(*this, [target, sheet](const Spark& spark) {
        BitBlt(target, spark.x, spark.y, 1, 1, sheet, spark.life % sheetColumns, 0, SRCCOPY);
    });
}

void PaddleGame::DrawAndStepSparks(FrameCanvas& canvas)
{
    DrawAndStepAllSystems(*this, [&canvas](const Spark& spark) {
        canvas.CopyPixel(spark.x, spark.y, CanvasSource::ParticleSheet, spark.life % sheetColumns, 0);
    });
}
