#include <gtest/gtest.h>

#include "../../game/PaddleGame.h"
#include "TestSupport.h"

// Smoke test of the shared helpers with the real game object.
TEST(GameSetup, ResetCentresBallInOddClient)
{
    HWND window = CreateTestWindow(1001, 701);
    PaddleGame* match = new PaddleGame();
    match->InitGame(window);
    match->Reset();
    EXPECT_EQ(490, match->ball.left);
    EXPECT_EQ(340, match->ball.top);
    EXPECT_EQ(510, match->ball.right);
    EXPECT_EQ(360, match->ball.bottom);
    EXPECT_EQ(350, match->leftPaddleCentreY);
    EXPECT_EQ(350, match->rightPaddleCentreY);
    delete match;
    DestroyWindow(window);
}
