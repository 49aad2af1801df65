// What the frame-step tests share: one match in its own 800 x 600 window, with
// the keys the game reads held only as each test says.
#pragma once

#include <gtest/gtest.h>

#include "../../game/PaddleGame.h"
#include "TestSupport.h"

// The paddles stand where the first frame builds them (centre rows 300) and
// the ball stands still at the centre, so only what a test sets in motion
// moves. The barrier rows are 20 pixels high.
class FrameStep : public MatchInWindow {
protected:
    void SetUp() override
    {
        ReleaseAllKeys();
        Open(800, 600);
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

    HeldKeys keys;  // from before SetUp to after TearDown

    // Every spark lives long at (300, 300), so a respawn shows.
    void SettleSparks() { SetAllSparks(*match, {-2, 300, 300, 1000}, {-2, 300, 300, 1000}); }
};
