#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "FrameStepFixture.h"

// The frame step's ball: bounces off the barrier rows, points at the side
// edges, deflection off the paddles, and values no play would reach.

namespace {

const int coordinateLimit = 100000000;

void ExpectWithinLimit(const RECT& r, const char* what)
{
    for (LONG value : {r.left, r.top, r.right, r.bottom}) {
        EXPECT_LE(value, coordinateLimit) << what;
        EXPECT_GE(value, -coordinateLimit) << what;
    }
}

}  // namespace

namespace {

// Barrier bounce: the ball moves first, then turns if it reaches into a
// barrier row (rows 0 ... 19 and 580 ... 599).
struct BounceRow {
    const char* name;
    int ballTop;
    int velocityBefore;
    int expectedVelocity;
};

class FrameStepBounce : public FrameStep, public ::testing::WithParamInterface<BounceRow> {};

}  // namespace

TEST_P(FrameStepBounce, TurnsOnlyInsideBarrierRow)
{
    PlaceBall(300, GetParam().ballTop);
    match->ballVelY = GetParam().velocityBefore;
    match->StepFrame(window);
    EXPECT_EQ(GetParam().expectedVelocity, match->ballVelY);
    EXPECT_EQ(GetParam().ballTop + GetParam().velocityBefore, match->ball.top);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FrameStepBounce,
    ::testing::Values(BounceRow{"BottomTouching", 556, 4, 4},  // bottom edge 580
                      BounceRow{"BottomOnePixelIn", 557, 4, -4},
                      BounceRow{"TopTouching", 24, -4, -4},   // top edge 20
                      BounceRow{"TopOnePixelIn", 23, -4, 4}),
    [](const ::testing::TestParamInfo<BounceRow>& row) { return std::string(row.param.name); });

// Points ------------------------------------------------------------------------

TEST_F(FrameStep, BallPastRightEdgeScoresForPlayerOne)
{
    SettleSparks();
    PlaceBall(770, 290);
    match->ballVelX = 15;
    match->ballVelY = 3;
    match->StepFrame(window);

    EXPECT_EQ(1, match->leftScore);
    EXPECT_EQ(0, match->rightScore);
    ExpectRect(match->ball, 390, 290, 410, 310);
    EXPECT_EQ(-15, match->ballVelX);
    EXPECT_EQ(0, match->ballVelY);
    EXPECT_TRUE(match->modified);
    // Only the right wall's sparks restarted, all of them at the right edge.
    for (int i = 0; i < sparksPerSystem; ++i) {
        ASSERT_EQ(800, match->rightWallSparks[i].lead.x) << i;
        ASSERT_EQ(302, match->leftWallSparks[i].lead.x) << i;
        ASSERT_EQ(298, match->ballSparks[i].lead.y) << i;
    }
}

TEST_F(FrameStep, BallPastLeftEdgeScoresForPlayerTwo)
{
    SettleSparks();
    PlaceBall(10, 290);
    match->ballVelX = -15;
    match->ballVelY = -5;
    match->StepFrame(window);

    EXPECT_EQ(0, match->leftScore);
    EXPECT_EQ(1, match->rightScore);
    ExpectRect(match->ball, 390, 290, 410, 310);
    EXPECT_EQ(15, match->ballVelX);
    EXPECT_EQ(0, match->ballVelY);
    EXPECT_TRUE(match->modified);
    for (int i = 0; i < sparksPerSystem; ++i) {
        ASSERT_EQ(0, match->leftWallSparks[i].lead.x) << i;
        ASSERT_EQ(298, match->rightWallSparks[i].lead.x) << i;
    }
}

TEST_F(FrameStep, PointInCheatModeCountsButLeavesMatchUnmodified)
{
    match->cheatMode = true;
    PlaceBall(770, 290);
    match->ballVelX = 15;
    match->StepFrame(window);
    EXPECT_EQ(1, match->leftScore);
    EXPECT_FALSE(match->modified);
}

TEST_F(FrameStep, ResizeLeavingBallPastRightEdgeScoresEvenMovingLeft)
{
    PlaceBall(780, 290);  // right edge exactly on the window's: no point yet
    match->ballVelX = -3;
    SetClientSize(window, 640, 600);
    match->StepFrame(window);
    // Scaled to 624 ... 644, moved to 621 ... 641: past 640.
    EXPECT_EQ(1, match->leftScore);
    ExpectRect(match->ball, 310, 290, 330, 310);
    EXPECT_EQ(3, match->ballVelX);
}

namespace {

// Paddle deflection: the ball moves first, then the overlap is tested. The
// paddles span rows 250 to 350. Touching is not overlapping, and a ball that
// only reaches the window's right edge has not left it: no point.
struct DeflectionRow {
    const char* name;
    int ballLeft;
    int velocityBefore;
    int expectedVelocity;
    int ballTop = 290;
};

class FrameStepDeflection : public FrameStep, public ::testing::WithParamInterface<DeflectionRow> {};

}  // namespace

TEST_P(FrameStepDeflection, OnlyStrictOverlapWhileApproachingTurnsBall)
{
    PlaceBall(GetParam().ballLeft, GetParam().ballTop);
    match->ballVelX = GetParam().velocityBefore;
    match->StepFrame(window);
    EXPECT_EQ(GetParam().expectedVelocity, match->ballVelX);
    EXPECT_EQ(0, match->leftScore + match->rightScore);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FrameStepDeflection,
    ::testing::Values(DeflectionRow{"RightTouching", 645, 15, 15},  // 660 ... 680 against 680
                      DeflectionRow{"RightOnePixelIn", 646, 15, -15},
                      DeflectionRow{"RightMovingAway", 685, -5, -5},
                      DeflectionRow{"LeftTouching", 135, -15, -15},  // 120 ... 140 against 120
                      DeflectionRow{"LeftOnePixelIn", 134, -15, 15},
                      DeflectionRow{"LeftMovingAway", 105, 5, 5},
                      DeflectionRow{"RightTopTouching", 646, 15, 15, 230},  // rows 230 ... 250 against 250
                      DeflectionRow{"RightTopOnePixelIn", 646, 15, -15, 231},
                      DeflectionRow{"RightBottomTouching", 646, 15, 15, 350},  // 350 ... 370 against 350
                      DeflectionRow{"RightBottomOnePixelIn", 646, 15, -15, 349},
                      DeflectionRow{"RightEdgeTouching", 765, 15, 15}),  // 780 ... 800 against 800
    [](const ::testing::TestParamInfo<DeflectionRow>& row) { return std::string(row.param.name); });

TEST_F(FrameStep, DeflectionAddsPaddleVelocityToBall)
{
    match->rightPaddleVel = -4;
    PressKey(VK_UP);  // -4 becomes -6 this frame
    PlaceBall(646, 290);
    match->ballVelX = 15;
    match->ballVelY = 2;
    match->StepFrame(window);
    EXPECT_EQ(-6, match->rightPaddleVel);
    EXPECT_EQ(-15, match->ballVelX);
    EXPECT_EQ(-4, match->ballVelY);
}

// Values from the dialogs and from saved files --------------------------------

namespace {

struct ExtremeRow {
    const char* name;
    int ballVelX;
    int ballVelY;
    int wave;  // all three wave settings
    int score; // both scores
};

class FrameStepExtreme : public FrameStep, public ::testing::WithParamInterface<ExtremeRow> {};

}  // namespace

TEST_P(FrameStepExtreme, ManyFramesStayInsideCoordinateLimit)
{
    const ExtremeRow& row = GetParam();
    match->ballVelX = row.ballVelX;
    match->ballVelY = row.ballVelY;
    match->waveLength = row.wave;
    match->waveFrequency = row.wave;
    match->waveAmplitude = row.wave;
    match->leftScore = row.score;
    match->rightScore = row.score;
    match->winningScore = INT_MAX;  // no prompt however many points are scored
    for (int frame = 0; frame < 50; ++frame) {
        match->StepFrame(window);
        ExpectWithinLimit(match->ball, "ball");
        ExpectWithinLimit(match->leftPaddle, "left paddle");
        ExpectWithinLimit(match->rightPaddle, "right paddle");
        ASSERT_FALSE(HasFailure()) << "frame " << frame;
    }
    EXPECT_EQ(50, match->frameCount);
    EXPECT_EQ(20, match->ball.right - match->ball.left);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FrameStepExtreme,
    ::testing::Values(ExtremeRow{"FastestRightAndDown", INT_MAX, INT_MAX, 16, 0},
                      ExtremeRow{"FastestLeftAndUp", INT_MIN, INT_MIN, 16, 0},
                      ExtremeRow{"FastestRightAndUp", INT_MAX, INT_MIN, 16, 0},
                      ExtremeRow{"FastestStraightDown", 0, INT_MAX, 16, 0},  // no point re-centres it
                      ExtremeRow{"FastestStraightUp", 0, INT_MIN, 16, 0},
                      ExtremeRow{"HugeWave", 15, 4, INT_MAX, 0},
                      ExtremeRow{"MostNegativeWave", -15, -4, INT_MIN, 0},
                      ExtremeRow{"ScoresMinusOne", 15, 4, 16, -1},
                      ExtremeRow{"ScoresMostNegative", -15, 4, 16, INT_MIN}),
    [](const ::testing::TestParamInfo<ExtremeRow>& row) { return std::string(row.param.name); });

TEST_F(FrameStep, PointAtHighestScoreSaturates)
{
    match->leftScore = INT_MAX;
    match->rightScore = INT_MAX;
    PlaceBall(770, 290);
    match->ballVelX = 15;
    int scoreAtPrompt = 0;
    {
        DialogAnswerer answerer("Winner!", [&](HWND box) {
            scoreAtPrompt = match->leftScore;  // the frame waits in the prompt
            PressButton(IDYES)(box);
        });
        match->StepFrame(window);
        EXPECT_TRUE(WaitUntil([&] { return answerer.Answered() == 1; }, 5000));
    }
    EXPECT_EQ(INT_MAX, scoreAtPrompt);
    EXPECT_EQ(0, match->leftScore);  // Yes started a new match
    // The right wall's sparks respawned with lives drawn from the widest range.
    int longest = 0;
    for (const SparkPair& pair : match->rightWallSparks) {
        ASSERT_GE(pair.lead.life, 0);
        if (pair.lead.life > longest) longest = pair.lead.life;
    }
    EXPECT_GT(longest, 1000);
}
