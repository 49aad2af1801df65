#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "../../game/PaddleGame.h"
#include "ImportStandIn.h"
#include "TestSupport.h"

namespace {

// One match of its own in a window of a chosen client size.
class GameSetup : public MatchInWindow {};

}  // namespace

TEST_F(GameSetup, InitGameCentresOnTruncatedHalvesAndServesRight)
{
    Open(1001, 601);
    match->InitGame(window);
    ExpectRect(match->clientRect, 0, 0, 1001, 601);
    ExpectRect(match->previousClient, 0, 0, 1001, 601);
    ExpectRect(match->ball, 490, 290, 510, 310);
    EXPECT_EQ(15, match->ballVelX);
    EXPECT_EQ(0, match->ballVelY);
    EXPECT_EQ(300, match->leftPaddleCentreY);
    EXPECT_EQ(300, match->rightPaddleCentreY);
    ExpectRect(match->leftPaddle, 100, 100, 120, 200);
    ExpectRect(match->rightPaddle, 881, 100, 901, 200);
    EXPECT_TRUE(match->computerOpponent);
    EXPECT_EQ(10, match->winningScore);
    EXPECT_EQ(20, match->barrierInfo.bmHeight);
    EXPECT_EQ(-2, match->leftWallSparks[499].trail.speed);  // the sparks were set up last
}

TEST_F(GameSetup, ResetCentresBallInOddClient)
{
    Open(1001, 701);
    match->InitGame(window);
    match->leftPaddleCentreY = match->rightPaddleCentreY = 100;  // both paddles moved
    match->Reset();
    ExpectRect(match->ball, 490, 340, 510, 360);
    EXPECT_EQ(350, match->leftPaddleCentreY);
    EXPECT_EQ(350, match->rightPaddleCentreY);
}

TEST_F(GameSetup, ResetUsesTheClientAreaAsLastReadNotTheWindow)
{
    Open(800, 600);
    match->InitGame(window);
    SetClientSize(window, 1000, 700);
    match->Reset();
    ExpectRect(match->ball, 390, 290, 410, 310);
    EXPECT_EQ(300, match->rightPaddleCentreY);
}

TEST_F(GameSetup, ResetStartsNewMatchKeepingModeWaveAndDocument)
{
    Open(800, 600);
    match->InitGame(window);
    match->computerOpponent = false;
    match->cheatMode = true;
    match->leftScore = 4;
    match->rightScore = 7;
    match->ballVelX = 33;  // as the Vector dialog may leave it
    match->ballVelY = -9;
    match->waveLength = 30;
    match->waveFrequency = 5;
    match->waveAmplitude = 12;
    match->modified = true;
    lstrcpyA(match->filePath, "C:\\matches\\final.sav");
    match->frameCount = 77;
    match->leftPaddleVel = 6;
    Spark sparkBefore = match->ballSparks[3].lead;

    match->Reset();

    EXPECT_EQ(0, match->leftScore);
    EXPECT_EQ(0, match->rightScore);
    EXPECT_FALSE(match->cheatMode);
    EXPECT_FALSE(match->computerOpponent);
    EXPECT_EQ(-15, match->ballVelX);
    EXPECT_EQ(0, match->ballVelY);
    EXPECT_EQ(30, match->waveLength);
    EXPECT_EQ(5, match->waveFrequency);
    EXPECT_EQ(12, match->waveAmplitude);
    EXPECT_TRUE(match->modified);
    EXPECT_STREQ("C:\\matches\\final.sav", match->filePath);
    EXPECT_EQ(77, match->frameCount);
    EXPECT_EQ(6, match->leftPaddleVel);
    EXPECT_EQ(10, match->winningScore);
    EXPECT_EQ(sparkBefore.x, match->ballSparks[3].lead.x);
    EXPECT_EQ(sparkBefore.life, match->ballSparks[3].lead.life);
}

namespace {

struct WinnerRow {
    int leftScore;
    int rightScore;
    int expected;
};

class GameSetupWinner : public ::testing::TestWithParam<WinnerRow> {};

}  // namespace

TEST_P(GameSetupWinner, PlayerOneIsAskedFirst)
{
    PaddleGame* match = new PaddleGame();
    match->winningScore = 10;
    match->leftScore = GetParam().leftScore;
    match->rightScore = GetParam().rightScore;
    EXPECT_EQ(GetParam().expected, match->GetWinner());
    delete match;
}

INSTANTIATE_TEST_SUITE_P(Scores, GameSetupWinner,
                         ::testing::Values(WinnerRow{10, 10, 1}, WinnerRow{12, 11, 1}, WinnerRow{10, 9, 1},
                                           WinnerRow{9, 10, 2}, WinnerRow{9, 9, -1}, WinnerRow{0, 0, -1},
                                           WinnerRow{-1, INT_MIN, -1}, WinnerRow{INT_MAX, 0, 1}));

namespace {

std::vector<std::string> loadedImages;

void WatchLoadImage(HINSTANCE, LPCSTR name, UINT, int, int, UINT)
{
    loadedImages.push_back(name);
}

}  // namespace

// The failure handling leans on every field starting at zero: with
// barrier.bmp missing the setup stops after loading the background. A bitmap
// the current folder lacks is looked for beside the program (this test
// program's folder holds none), by its full path: on Windows LoadImage reads
// a bare name from the current folder only, and Wine's from the program's
// folder first.
TEST_F(GameSetup, MissingBarrierBitmapStopsSetupAfterTheSettings)
{
    Open(800, 600);
    std::string folder = MakeTempFolder();
    ASSERT_TRUE(CopyFileA("lavawall.bmp", (folder + "lavawall.bmp").c_str(), FALSE));
    char gameFolder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, gameFolder);
    char program[MAX_PATH];
    std::string programPath(program, GetModuleFileNameA(nullptr, program, sizeof program));
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    loadedImages.clear();
    {
        ImportStandIn watch("user32.dll", "LoadImageA", &LoadImageA, HANDLE(nullptr), ERROR_SUCCESS, 0,
                            &WatchLoadImage);
        match->InitGame(window);
    }
    SetCurrentDirectoryA(gameFolder);
    EXPECT_EQ((std::vector<std::string>{folder + "lavawall.bmp",
                                        programPath.substr(0, programPath.rfind('\\') + 1) + "barrier.bmp"}),
              loadedImages);

    EXPECT_NE(nullptr, match->lavaWallBitmap);
    EXPECT_EQ(nullptr, match->barrierBitmap);
    EXPECT_EQ(nullptr, match->particleSheetBitmap);
    EXPECT_TRUE(match->computerOpponent);
    EXPECT_FALSE(match->cheatMode);
    EXPECT_EQ(10, match->winningScore);
    EXPECT_EQ(16, match->waveLength);
    EXPECT_EQ(16, match->waveFrequency);
    EXPECT_EQ(6, match->waveAmplitude);
    EXPECT_EQ(100, match->paddleInset);
    ExpectRect(match->clientRect, 0, 0, 800, 600);
    EXPECT_EQ(0, match->barrierInfo.bmHeight);
    EXPECT_EQ(0, match->lavaWallInfo.bmWidth);
    ExpectRect(match->ball, 0, 0, 0, 0);
    EXPECT_EQ(0, match->ballVelX);
    EXPECT_EQ(0, match->ballVelY);
    ExpectRect(match->leftPaddle, 0, 0, 0, 0);
    EXPECT_EQ(0, match->rightPaddleCentreY);
    EXPECT_EQ(0, match->ballSparks[0].lead.speed);
    EXPECT_EQ(0, match->rightWallSparks[499].trail.x);

    // The game goes on: an empty ball in the corner, paddles at the top.
    for (int frame = 0; frame < 3; ++frame) match->StepFrame(window);
    EXPECT_EQ(3, match->frameCount);
    ExpectRect(match->ball, 0, 0, 0, 0);
    EXPECT_EQ(0, match->leftPaddle.top);
    EXPECT_EQ(0, match->rightPaddle.top);
    // New then serves the ball as usual.
    match->Reset();
    match->StepFrame(window);
    ExpectRect(match->ball, 375, 290, 395, 310);

    DeleteFileA((folder + "lavawall.bmp").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(GameSetup, InitGameInEmptyClientAreaStartsSparksAtZero)
{
    Open(800, 600);
    ShowWindow(window, SW_MINIMIZE);  // as a program started minimised
    PumpMessages();
    RECT client;
    GetClientRect(window, &client);
    ASSERT_EQ(0, client.right);
    ASSERT_EQ(0, client.bottom);

    match->InitGame(window);
    ExpectRect(match->previousClient, 0, 0, 0, 0);
    ExpectRect(match->ball, -10, -10, 10, 10);
    for (const SparkPair& pair : match->rightWallSparks) {
        EXPECT_EQ(0, pair.lead.x);
        EXPECT_EQ(0, pair.trail.x);
    }
    // A frame of an empty window draws nothing.
    match->StepFrame(window);
    EXPECT_EQ(0, match->frameCount);
}
