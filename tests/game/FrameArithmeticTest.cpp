#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "../../game/FrameRendering.h"
#include "FrameRenderingFixture.h"

// The frame's arithmetic: where the ball's path line ends, the background
// wave's phase, and the frame counter that drives it.

namespace {

struct PathRow {
    const char* name;
    RECT ball;
    int velX;
    int velY;
    POINT expected;
};

class FrameRenderingPath : public ::testing::TestWithParam<PathRow> {};

}  // namespace

TEST_P(FrameRenderingPath, LineEndsAtFirstStepReachingTopOrBottom)
{
    const PathRow& row = GetParam();
    RECT client = {0, 0, 800, 600};
    POINT end = PathLineEnd(row.ball, row.velX, row.velY, client);
    EXPECT_EQ(row.expected.x, end.x);
    EXPECT_EQ(row.expected.y, end.y);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FrameRenderingPath,
    ::testing::Values(PathRow{"DownLeft75Steps", {390, 290, 410, 310}, -15, 4, {-725, 600}},
                      PathRow{"UpRightPastTop", {390, 290, 410, 310}, 10, -7, {830, -1}},
                      PathRow{"Level", {390, 290, 410, 310}, 15, 0, {400, 300}},
                      PathRow{"CentreOnTopEdge", {390, -10, 410, 10}, 5, 3, {400, 0}},
                      PathRow{"CentreBelowBottom", {390, 600, 410, 620}, 5, -3, {400, 610}},
                      PathRow{"OneStepPastBottom", {390, 290, 410, 310}, 1, 300, {401, 600}}),
    [](const ::testing::TestParamInfo<PathRow>& row) { return std::string(row.param.name); });

TEST(FrameRenderingPathLimit, FastestBallsLineIsShortenedAlongItsDirection)
{
    RECT client = {0, 0, 800, 600};
    RECT ball = {390, 290, 410, 310};
    // One step: (INT_MIN, INT_MAX) from (400, 300), about one to one.
    POINT end = PathLineEnd(ball, INT_MIN, INT_MAX, client);
    EXPECT_EQ(400 - 100000000, end.x);
    EXPECT_GE(end.y, 300 + 99999998);
    EXPECT_LE(end.y, 300 + 100000000);
    // 300 steps of (INT_MAX, 1): flat and to the right.
    end = PathLineEnd(ball, INT_MAX, 1, client);
    EXPECT_GE(end.x, 400 + 99999999);
    EXPECT_LE(end.x, 400 + 100000000);
    EXPECT_EQ(300, end.y);
}

TEST(FrameRenderingCounter, NextFrameCountCountsOnAndStaysInRange)
{
    EXPECT_EQ(1, NextFrameCount(0));
    EXPECT_EQ(INT_MAX, NextFrameCount(INT_MAX - 1));
    EXPECT_EQ(128, NextFrameCount(INT_MAX));
}

TEST_F(FrameRendering, FrameCountAtLimitStepsBackWholeTurns)
{
    Open(800, 600);
    match->frameCount = INT_MAX;
    Render();
    // INT_MAX + 1 = 2147483648 = 5965232 * 360 + 128.
    EXPECT_EQ(128, match->frameCount);
    Render();
    EXPECT_EQ(129, match->frameCount);
}

namespace {

struct PhaseRow {
    int row;
    int waveLength;
    int frameCount;
    int waveFrequency;
    int64_t truePhase;
};

class FrameRenderingPhase : public ::testing::TestWithParam<PhaseRow> {};

}  // namespace

// Within 32 bits the phase is exact; beyond, it keeps its angle modulo 360.
TEST_P(FrameRenderingPhase, KeepsPhaseModulo360)
{
    const PhaseRow& p = GetParam();
    int phase = WavePhase(p.row, p.waveLength, p.frameCount, p.waveFrequency);
    if (p.truePhase >= INT_MIN && p.truePhase <= INT_MAX) {
        EXPECT_EQ(p.truePhase, phase);
    } else {
        EXPECT_EQ(0, (static_cast<int64_t>(phase) - p.truePhase) % 360);
        EXPECT_LT(phase, 360);
        EXPECT_GT(phase, -360);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FrameRenderingPhase,
    ::testing::Values(PhaseRow{0, 16, 0, 16, 0}, PhaseRow{10, 16, 5, 16, 240},
                      PhaseRow{599, 16, 100, 16, 11184}, PhaseRow{0, 1, INT_MAX, 1, 2147483647LL},
                      PhaseRow{1, 1, INT_MAX, 1, 2147483648LL}, PhaseRow{0, 0, INT_MAX, 2, 4294967294LL},
                      PhaseRow{0, 0, INT_MAX, -2, -4294967294LL},
                      PhaseRow{INT_MAX, INT_MAX, INT_MAX, INT_MAX, 2 * 4611686014132420609LL},
                      PhaseRow{1079, INT_MIN, 0, 0, 1079 * -2147483648LL}));
