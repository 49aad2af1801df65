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
// player has. Scores come from saved files too, so the range is kept at least 1.
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

        // Now and then the trail jumps back next to its lead.
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

void PaddleGame::DrawAndStepSparks(HDC target, HDC sheet)
{
    DrawAndStepSystem(ballSparks, Source::Ball, target, sheet, clientRect, ball, 0);
    DrawAndStepSystem(rightWallSparks, Source::RightWall, target, sheet, clientRect, ball,
                      WallSparkLifeRange(paddleInset, leftScore));
    DrawAndStepSystem(leftWallSparks, Source::LeftWall, target, sheet, clientRect, ball,
                      WallSparkLifeRange(paddleInset, rightScore));
}
