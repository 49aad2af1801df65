#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "../../game/PaddleGame.h"
#include "TestSupport.h"

namespace {

const int coordinateLimit = 100000000;
const WORD focusProbeKey = 'Q';  // read by nothing in the game

// One match in its own 800 x 600 window with the paddles where the first frame
// builds them (centre rows 300) and the ball standing still at the centre, so
// only what a test sets in motion moves. The barrier rows are 20 pixels high.
class FrameStep : public MatchInWindow {
protected:
    void SetUp() override
    {
        ReleaseAllKeys();
        // When a new window takes the focus, Wine releases every key that the X
        // server does not hold, which includes keys pressed with SendInput; it
        // may do so a moment later, while a test holds its keys. A key held
        // across the window's creation shows when that has happened.
        PressKey(focusProbeKey);
        Open(800, 600);
        WaitUntil([] { return (GetAsyncKeyState(focusProbeKey) & 0x8000) == 0; }, 2000);
        ReleaseKey(focusProbeKey);
        match->InitGame(window);
        ASSERT_EQ(800, match->clientRect.right);
        ASSERT_EQ(600, match->clientRect.bottom);
        ASSERT_EQ(20, match->barrierInfo.bmHeight);
        match->leftPaddle = {100, 250, 120, 350};
        match->rightPaddle = {680, 250, 700, 350};
        match->ballVelX = 0;
        match->ballVelY = 0;
        PlaceBall(390, 290);
    }

    void TearDown() override
    {
        ReleaseAllKeys();
        MatchInWindow::TearDown();
    }

    void PlaceBall(int left, int top) { match->ball = {left, top, left + 20, top + 20}; }

    // Every spark lives long at (300, 300), so a respawn shows.
    void SettleSparks() { SetAllSparks(*match, {-2, 300, 300, 1000}, {-2, 300, 300, 1000}); }
};

void ExpectWithinLimit(const RECT& r, const char* what)
{
    for (LONG value : {r.left, r.top, r.right, r.bottom}) {
        EXPECT_LE(value, coordinateLimit) << what;
        EXPECT_GE(value, -coordinateLimit) << what;
    }
}

}  // namespace

// Resizing --------------------------------------------------------------------

TEST_F(FrameStep, WiderWindowScalesBallAcrossAndMovesRightPaddle)
{
    SetClientSize(window, 1000, 600);
    match->StepFrame(window);
    ExpectRect(match->ball, 487, 290, 507, 310);
    ExpectRect(match->rightPaddle, 880, 250, 900, 350);
    ExpectRect(match->leftPaddle, 100, 250, 120, 350);
    EXPECT_EQ(300, match->leftPaddleCentreY);
    EXPECT_EQ(300, match->rightPaddleCentreY);
    ExpectRect(match->previousClient, 0, 0, 1000, 600);
}

TEST_F(FrameStep, TallerWindowScalesBallAndCentreRowsDown)
{
    match->computerOpponent = false;  // the computer would chase the ball
    SetClientSize(window, 800, 900);
    match->StepFrame(window);
    ExpectRect(match->ball, 390, 435, 410, 455);
    EXPECT_EQ(450, match->rightPaddleCentreY);
    EXPECT_EQ(450, match->leftPaddleCentreY);
    ExpectRect(match->rightPaddle, 680, 400, 700, 500);
}

namespace {

struct Size {
    int width;
    int height;
};

class FrameStepFrozen : public FrameStep, public ::testing::WithParamInterface<Size> {};

}  // namespace

TEST_P(FrameStepFrozen, SmallWindowFreezesGameButKeepsDrawing)
{
    match->ballVelX = 15;
    match->ballVelY = 4;
    match->rightPaddleVel = -4;
    PressKey(VK_UP);
    SetClientSize(window, GetParam().width, GetParam().height);
    for (int frame = 0; frame < 3; ++frame) match->StepFrame(window);

    ExpectRect(match->clientRect, 0, 0, GetParam().width, GetParam().height);
    ExpectRect(match->previousClient, 0, 0, 800, 600);
    ExpectRect(match->ball, 390, 290, 410, 310);
    ExpectRect(match->rightPaddle, 680, 250, 700, 350);
    EXPECT_EQ(-4, match->rightPaddleVel);
    EXPECT_EQ(300, match->rightPaddleCentreY);
    EXPECT_EQ(3, match->frameCount);
}

INSTANTIATE_TEST_SUITE_P(BelowPlayable, FrameStepFrozen,
                         ::testing::Values(Size{639, 480}, Size{800, 319}));

TEST_F(FrameStep, SmallestPlayableSizeScalesFromLastPlayableSize)
{
    PlaceBall(391, 291);
    match->ballVelX = 15;
    match->ballVelY = 4;
    SetClientSize(window, 639, 480);
    match->StepFrame(window);
    SetClientSize(window, 640, 320);
    match->StepFrame(window);
    // From 800 x 600: x 391 * 0.8 = 312.8, y 291 * 320 / 600 = 155.2, then one step.
    ExpectRect(match->ball, 327, 159, 347, 179);
    ExpectRect(match->previousClient, 0, 0, 640, 320);
}

// A window that started minimised sets the match up in a client area of 0 x 0;
// the first playable size places ball and paddles as the setup would, and
// nobody scores a point that nobody played.
TEST_F(FrameStep, StartedMinimisedPlaysFromTheCentreOfTheFirstPlayableSize)
{
    delete match;
    match = new PaddleGame();
    ShowWindow(window, SW_MINIMIZE);
    PumpMessages();
    match->InitGame(window);
    ASSERT_EQ(0, match->previousClient.right);
    ShowWindow(window, SW_RESTORE);
    ASSERT_TRUE(SetClientSize(window, 800, 600));

    match->StepFrame(window);
    ExpectRect(match->ball, 405, 290, 425, 310);  // centred, then one step of the serve
    EXPECT_EQ(302, match->leftPaddleCentreY);  // the computer's first move after any start
    EXPECT_EQ(300, match->rightPaddleCentreY);
    ExpectRect(match->rightPaddle, 680, 250, 700, 350);
    ExpectRect(match->previousClient, 0, 0, 800, 600);
    for (int frame = 0; frame < 80; ++frame) match->StepFrame(window);
    EXPECT_EQ(0, match->leftScore);
    EXPECT_EQ(0, match->rightScore);
}

// Paddle keys -------------------------------------------------------------------

TEST_F(FrameStep, HeldDownKeyAcceleratesAndReleaseStopsAtOnce)
{
    PressKey(VK_DOWN);
    for (int centre : {302, 306, 312, 320}) {
        match->StepFrame(window);
        EXPECT_EQ(centre, match->rightPaddleCentreY);
    }
    ReleaseKey(VK_DOWN);
    match->StepFrame(window);
    EXPECT_EQ(320, match->rightPaddleCentreY);
    EXPECT_EQ(0, match->rightPaddleVel);
    ExpectRect(match->rightPaddle, 680, 270, 700, 370);
}

namespace {

struct ReversalRow {
    int velocityBefore;
    int expectedVelocity;
};

class FrameStepReversal : public FrameStep, public ::testing::WithParamInterface<ReversalRow> {};

}  // namespace

TEST_P(FrameStepReversal, DownKeyWhileRising)
{
    match->rightPaddleVel = GetParam().velocityBefore;
    PressKey(VK_DOWN);
    match->StepFrame(window);
    EXPECT_EQ(GetParam().expectedVelocity, match->rightPaddleVel);
    EXPECT_EQ(300 + GetParam().expectedVelocity, match->rightPaddleCentreY);
}

INSTANTIATE_TEST_SUITE_P(Rows, FrameStepReversal,
                         ::testing::Values(ReversalRow{-24, 0}, ReversalRow{-20, 0}, ReversalRow{-18, -16}));

TEST_F(FrameStep, BothKeysHeldMovesUp)
{
    PressKey(VK_DOWN);
    PressKey(VK_UP);
    match->StepFrame(window);
    EXPECT_EQ(-2, match->rightPaddleVel);
    EXPECT_EQ(298, match->rightPaddleCentreY);
}

// The barrier rows are 20 high: a centre row stays within 70 ... 530.
TEST_F(FrameStep, HeldKeyRunsPaddleToItsBarrierAndStopsThere)
{
    match->rightPaddleCentreY = 80;
    match->rightPaddle = {680, 30, 700, 130};
    PressKey(VK_UP);
    for (int centre : {78, 74, 70, 70}) {
        match->StepFrame(window);
        EXPECT_EQ(centre, match->rightPaddleCentreY);
    }
    EXPECT_EQ(0, match->rightPaddleVel);
    EXPECT_EQ(20, match->rightPaddle.top);
    ReleaseKey(VK_UP);

    match->rightPaddleCentreY = 520;
    match->rightPaddle = {680, 470, 700, 570};
    PressKey(VK_DOWN);
    for (int centre : {522, 526, 530, 530}) {
        match->StepFrame(window);
        EXPECT_EQ(centre, match->rightPaddleCentreY);
    }
    EXPECT_EQ(0, match->rightPaddleVel);
    EXPECT_EQ(580, match->rightPaddle.bottom);
}

TEST_F(FrameStep, OnePlayerModeIgnoresLeftKeys)
{
    // The ball's middle row 300 keeps the computer's paddle still.
    for (WORD key : {WORD('A'), WORD('Z')}) {
        PressKey(key);
        match->StepFrame(window);
        ReleaseKey(key);
        EXPECT_EQ(0, match->leftPaddleVel);
        EXPECT_EQ(300, match->leftPaddleCentreY);
    }
}

TEST_F(FrameStep, TwoPlayerModeLeavesLeftPaddleToKeys)
{
    match->computerOpponent = false;
    PlaceBall(390, 100);  // far above the paddle: the computer would go up
    match->StepFrame(window);
    EXPECT_EQ(0, match->leftPaddleVel);
    EXPECT_EQ(300, match->leftPaddleCentreY);

    PressKey('Z');
    match->StepFrame(window);
    EXPECT_EQ(2, match->leftPaddleVel);
    ReleaseKey('Z');
    PressKey('A');
    match->StepFrame(window);
    EXPECT_EQ(0, match->leftPaddleVel);  // 2 slowed by 2
    match->StepFrame(window);
    EXPECT_EQ(-2, match->leftPaddleVel);
    EXPECT_EQ(300, match->leftPaddleCentreY);
}

namespace {

// Computer opponent: the paddle spans rows 250 to 350, so it rests while the
// ball's middle row lies in 290 ... 310.
struct DeadBandRow {
    int ballTop;
    int expectedVelocity;
};

class FrameStepComputer : public FrameStep, public ::testing::WithParamInterface<DeadBandRow> {};

}  // namespace

TEST_P(FrameStepComputer, StopsInsideDeadBandBothEndsIncluded)
{
    match->leftPaddleVel = 6;
    PlaceBall(390, GetParam().ballTop);
    match->StepFrame(window);
    EXPECT_EQ(GetParam().expectedVelocity, match->leftPaddleVel);
    EXPECT_EQ(300 + GetParam().expectedVelocity, match->leftPaddleCentreY);
}

INSTANTIATE_TEST_SUITE_P(Rows, FrameStepComputer,
                         ::testing::Values(DeadBandRow{279, 4}, DeadBandRow{280, 0}, DeadBandRow{300, 0},
                                           DeadBandRow{301, 8}));

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
// paddles span rows 250 to 350.
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
                      DeflectionRow{"RightBottomOnePixelIn", 646, 15, -15, 349}),
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
