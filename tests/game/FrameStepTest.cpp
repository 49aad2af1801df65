#include <gtest/gtest.h>

#include <string>

#include "FrameStepFixture.h"

// The frame step's room and paddles: following a resize, freezing below the
// playable size, the paddle keys and the computer opponent.

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
    // Up pressed and let go between two frames is not held: the key state's
    // low bit says so, and only its high bit means held.
    PressKey(VK_UP);
    ReleaseKey(VK_UP);
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
    ReleaseKey(VK_DOWN);

    // A player's own barrier bitmap may leave no room between the rows: the
    // paddle is pushed out past the bottom edge and stops there.
    match->barrierInfo.bmHeight = 560;
    match->rightPaddle = {680, 570, 700, 670};
    PressKey(VK_UP);
    match->StepFrame(window);
    EXPECT_EQ(610, match->rightPaddleCentreY);
    EXPECT_EQ(0, match->rightPaddleVel);
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
