#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

#include "../../game/PaddleGame.h"
#include "TestSupport.h"

namespace {

using System = SparkPair[sparksPerSystem];

// Sparks of one match in an 800 x 600 client area, drawn into a memory
// context with the real particle sheet; no window is needed.
class Sparks : public ::testing::Test {
protected:
    void SetUp() override
    {
        match = new PaddleGame();
        match->clientRect = {0, 0, 800, 600};
        match->paddleInset = 100;
        match->ball = {390, 290, 410, 310};

        HDC screen = GetDC(nullptr);
        target = CreateCompatibleDC(screen);
        targetBitmap = CreateCompatibleBitmap(screen, 800, 600);
        savedTarget = SelectObject(target, targetBitmap);
        PatBlt(target, 0, 0, 800, 600, BLACKNESS);
        sheetBitmap = static_cast<HBITMAP>(
            LoadImageA(nullptr, "particle_sheet.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        sheet = CreateCompatibleDC(screen);
        savedSheet = SelectObject(sheet, sheetBitmap);
        ReleaseDC(nullptr, screen);
        ASSERT_NE(nullptr, sheetBitmap);
    }

    void TearDown() override
    {
        SelectObject(sheet, savedSheet);
        DeleteDC(sheet);
        DeleteObject(sheetBitmap);
        SelectObject(target, savedTarget);
        DeleteObject(targetBitmap);
        DeleteDC(target);
        delete match;
    }

    void Step() { match->DrawAndStepSparks(target, sheet); }

    static void SetAll(System& system, Spark lead, Spark trail)
    {
        for (SparkPair& pair : system) {
            pair.lead = lead;
            pair.trail = trail;
        }
    }

    PaddleGame* match = nullptr;
    HDC target = nullptr;
    HBITMAP targetBitmap = nullptr;
    HGDIOBJ savedTarget = nullptr;
    HDC sheet = nullptr;
    HBITMAP sheetBitmap = nullptr;
    HGDIOBJ savedSheet = nullptr;
};

}  // namespace

TEST_F(Sparks, SetupScattersSparksAcrossTheWidth)
{
    match->InitSparks();
    struct {
        const System& system;
        int y;
    } systems[] = {{match->ballSparks, 0}, {match->rightWallSparks, -20}, {match->leftWallSparks, -20}};
    for (const auto& entry : systems) {
        int lowestX = INT_MAX;
        int highestX = INT_MIN;
        for (const SparkPair& pair : entry.system) {
            for (const Spark& spark : {pair.lead, pair.trail}) {
                ASSERT_EQ(-2, spark.speed);
                ASSERT_EQ(entry.y, spark.y);
                ASSERT_GE(spark.x, 0);
                ASSERT_LE(spark.x, 799);
                ASSERT_GE(spark.life, 0);
                ASSERT_LE(spark.life, 31);
                lowestX = std::min(lowestX, spark.x);
                highestX = std::max(highestX, spark.x);
            }
        }
        EXPECT_LT(lowestX, 100);
        EXPECT_GT(highestX, 700);
    }
}

TEST_F(Sparks, SetupWithoutWidthStartsEverySparkAtZero)
{
    match->clientRect = {0, 0, 0, 0};
    match->InitSparks();
    for (const SparkPair& pair : match->leftWallSparks) {
        ASSERT_EQ(0, pair.lead.x);
        ASSERT_EQ(0, pair.trail.x);
        ASSERT_EQ(-20, pair.lead.y);
    }
}

TEST_F(Sparks, EachSystemDriftsItsOwnWay)
{
    ParkSparks(*match);
    match->ballSparks[0].lead = {-2, 300, 300, 50};
    match->rightWallSparks[0].lead = {-2, 300, 300, 50};
    match->leftWallSparks[0].lead = {-2, 300, 300, 50};
    Step();
    const Spark& rising = match->ballSparks[0].lead;
    const Spark& leftward = match->rightWallSparks[0].lead;
    const Spark& rightward = match->leftWallSparks[0].lead;
    EXPECT_EQ(300, rising.x);
    EXPECT_EQ(298, rising.y);
    EXPECT_EQ(298, leftward.x);
    EXPECT_EQ(300, leftward.y);
    EXPECT_EQ(302, rightward.x);
    EXPECT_EQ(300, rightward.y);
    EXPECT_EQ(49, rising.life);
}

TEST_F(Sparks, DrawnInSheetColumnOfRemainingLife)
{
    ParkSparks(*match);
    match->ballSparks[0].lead = {-2, 50, 60, 37};          // column 5
    match->rightWallSparks[7].trail = {-2, 70, 80, 16};    // column 0
    match->leftWallSparks[499].lead = {-2, 90, 100, 15};   // column 15
    Step();
    EXPECT_EQ(GetPixel(sheet, 5, 0), GetPixel(target, 50, 60));
    EXPECT_EQ(GetPixel(sheet, 0, 0), GetPixel(target, 70, 80));
    EXPECT_EQ(GetPixel(sheet, 15, 0), GetPixel(target, 90, 100));
    EXPECT_NE(GetPixel(sheet, 4, 0), GetPixel(sheet, 5, 0));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(target, 51, 60));  // one pixel each
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(target, 50, 58));  // drawn before moving
}

TEST_F(Sparks, BallSparksRespawnInsideTheBall)
{
    ParkSparks(*match);
    SetAll(match->ballSparks, {-2, 0, 0, 1}, {-2, 0, 0, 1});
    Step();
    int shortest[2] = {INT_MAX, INT_MAX};  // leads, trails
    int longest[2] = {INT_MIN, INT_MIN};
    for (const SparkPair& pair : match->ballSparks) {
        const Spark& lead = pair.lead;
        const Spark& trail = pair.trail;
        ASSERT_GE(lead.x, 390);
        ASSERT_LE(lead.x, 409);
        ASSERT_GE(lead.y, 290);
        ASSERT_LE(lead.y, 309);
        ASSERT_GE(trail.x, lead.x - 2);
        ASSERT_LE(trail.x, lead.x + 1);
        ASSERT_GE(trail.y, lead.y - 2);
        ASSERT_LE(trail.y, lead.y + 1);
        int lives[2] = {lead.life, trail.life};
        for (int kind = 0; kind < 2; ++kind) {
            ASSERT_GE(lives[kind], 30);
            ASSERT_LE(lives[kind], 59);
            shortest[kind] = std::min(shortest[kind], lives[kind]);
            longest[kind] = std::max(longest[kind], lives[kind]);
        }
    }
    for (int kind = 0; kind < 2; ++kind) {
        EXPECT_LE(shortest[kind], 33);
        EXPECT_GE(longest[kind], 56);
    }
}

// The right wall's reach grows with the left player's score and the left
// wall's with the right player's.
TEST_F(Sparks, WallSparksRespawnAtTheirEdgesWithReachOfAttackersScore)
{
    ParkSparks(*match);
    match->leftScore = 3;
    match->rightScore = 0;
    SetAll(match->rightWallSparks, {-2, 0, 0, 1}, {-2, 0, 0, 1});
    SetAll(match->leftWallSparks, {-2, 0, 0, 1}, {-2, 0, 0, 1});
    Step();
    struct {
        const System& system;
        int edge;
        int lifeRange;
    } walls[] = {{match->rightWallSparks, 800, 40}, {match->leftWallSparks, 0, 10}};
    for (const auto& wall : walls) {
        int longest = 0;
        for (const SparkPair& pair : wall.system) {
            ASSERT_EQ(wall.edge, pair.lead.x);
            ASSERT_GE(pair.lead.y, 0);
            ASSERT_LE(pair.lead.y, 599);
            ASSERT_GE(pair.trail.x, wall.edge - 2);
            ASSERT_LE(pair.trail.x, wall.edge + 1);
            for (int life : {pair.lead.life, pair.trail.life}) {
                ASSERT_GE(life, 0);
                ASSERT_LT(life, wall.lifeRange);
                longest = std::max(longest, life);
            }
        }
        EXPECT_GE(longest, wall.lifeRange - 3);
    }
}

// Every run repeats the same sparks because the draws come in a fixed order.
// The numbers rand() gives after a seed are recorded, then the seed is set
// again: with a client area and a score too large for any remainder to cut a
// number short, each field shows which recorded number it got.
TEST_F(Sparks, RandomNumbersLandInTheirFieldsInDrawOrder)
{
    std::vector<int> drawn(12000);
    srand(1234);
    for (int& value : drawn) value = rand();
    srand(1234);
    size_t next = 0;

    match->clientRect = {0, 0, 40000, 40000};
    match->InitSparks();
    for (System* system : {&match->ballSparks, &match->rightWallSparks, &match->leftWallSparks}) {
        for (const SparkPair& pair : *system) {
            ASSERT_EQ(drawn[next] % 32, pair.lead.life) << next;
            ASSERT_EQ(drawn[next + 1], pair.lead.x) << next;
            ASSERT_EQ(drawn[next + 2], pair.trail.x) << next;
            ASSERT_EQ(drawn[next + 3] % 32, pair.trail.life) << next;
            next += 4;
        }
    }

    // One frame: every pair draws its jitter test; one ball pair and one
    // right-wall pair also respawn, lead and trail.
    SetAllSparks(*match, {-2, 5000, 5000, 1000}, {-2, 7000, 7000, 1000});
    match->ball = {100, 200, 120, 220};
    match->leftScore = 4000;  // lives below 40,010
    SparkPair& ballPair = match->ballSparks[3];
    SparkPair& wallPair = match->rightWallSparks[5];
    ballPair.lead.life = ballPair.trail.life = 1;
    wallPair.lead.life = wallPair.trail.life = 1;
    Step();

    int jitters = 0;
    for (System* system : {&match->ballSparks, &match->rightWallSparks, &match->leftWallSparks}) {
        for (const SparkPair& pair : *system) {
            const Spark& lead = pair.lead;
            const Spark& trail = pair.trail;
            bool jitter = drawn[next++] % 100 == 0;
            if (&pair == &ballPair) {
                if (jitter) next += 2;
                EXPECT_EQ(200 + drawn[next] % 20, lead.y);
                EXPECT_EQ(100 + drawn[next + 1] % 20, lead.x);
                EXPECT_EQ(30 + drawn[next + 2] % 30, lead.life);
                EXPECT_EQ(lead.y + drawn[next + 3] % 4 - 2, trail.y);
                EXPECT_EQ(lead.x + drawn[next + 4] % 4 - 2, trail.x);
                EXPECT_EQ(30 + drawn[next + 5] % 30, trail.life);
                next += 6;
            } else if (&pair == &wallPair) {
                if (jitter) next += 2;
                EXPECT_EQ(drawn[next], lead.y);
                EXPECT_EQ(40000, lead.x);
                EXPECT_EQ(drawn[next + 1], lead.life);
                EXPECT_EQ(lead.y + drawn[next + 2] % 4 - 2, trail.y);
                EXPECT_EQ(lead.x + drawn[next + 3] % 4 - 2, trail.x);
                EXPECT_EQ(drawn[next + 4], trail.life);
                next += 5;
            } else if (jitter) {
                ++jitters;
                ASSERT_EQ(lead.x + drawn[next] % 4 - 2, trail.x) << next;
                ASSERT_EQ(lead.y + drawn[next + 1] % 4 - 2, trail.y) << next;
                ASSERT_EQ(999, trail.life);
                next += 2;
            } else {
                ASSERT_GT(trail.x, 6000) << next;
            }
        }
    }
    EXPECT_GT(jitters, 5);
    EXPECT_EQ(drawn[next], rand()) << "the frame drew a different count of numbers";
}

// Scores below zero only come from edited saved games. Below -1 the range
// 10 x (score + 1) is negative and rand() % range gives lives 0 to |range| - 1;
// a score of -1 gives every spark life 0.
struct NegativeScoreRow {
    int score;
    int lifeBound;  // every life lies below it
    int longestAtLeast;
};

class SparksScore : public Sparks, public ::testing::WithParamInterface<NegativeScoreRow> {};

TEST_P(SparksScore, LifeRangeFollowsTheScoreBelowZero)
{
    const NegativeScoreRow& row = GetParam();
    ParkSparks(*match);
    match->leftScore = row.score;
    match->rightScore = row.score;
    ExpireSparks(match->rightWallSparks);
    ExpireSparks(match->leftWallSparks);
    Step();
    int longest = 0;
    for (const System* system : {&match->rightWallSparks, &match->leftWallSparks}) {
        for (const SparkPair& pair : *system) {
            for (int life : {pair.lead.life, pair.trail.life}) {
                ASSERT_GE(life, 0);
                ASSERT_LT(life, row.lifeBound);
                longest = std::max(longest, life);
            }
        }
    }
    EXPECT_GE(longest, row.longestAtLeast);
    if (row.lifeBound == 1) {
        Step();  // and respawned again, at once
        EXPECT_EQ(800, match->rightWallSparks[0].lead.x);
        EXPECT_EQ(0, match->leftWallSparks[0].lead.x);
    }
}

INSTANTIATE_TEST_SUITE_P(NegativeScores, SparksScore,
                         ::testing::Values(NegativeScoreRow{-1, 1, 0}, NegativeScoreRow{-2, 10, 8},
                                           NegativeScoreRow{-4, 30, 27},
                                           NegativeScoreRow{INT_MIN, 32768, 1000}));

TEST_F(Sparks, HighestScoreGivesLongLivesNeverNegative)
{
    ParkSparks(*match);
    match->leftScore = INT_MAX;
    ExpireSparks(match->rightWallSparks);
    Step();
    int longest = 0;
    for (const SparkPair& pair : match->rightWallSparks) {
        ASSERT_GE(pair.lead.life, 0);
        longest = std::max(longest, pair.lead.life);
    }
    EXPECT_GT(longest, 1000);
}

TEST_F(Sparks, ExpiredWallRestartsAtItsEdgeOthersCarryOn)
{
    SetAllSparks(*match, {-2, 300, 300, 1000}, {-2, 300, 300, 1000});
    ExpireSparks(match->rightWallSparks);
    EXPECT_EQ(0, match->rightWallSparks[10].lead.life);
    EXPECT_EQ(0, match->rightWallSparks[10].trail.life);
    EXPECT_EQ(300, match->rightWallSparks[10].lead.x);
    EXPECT_EQ(-2, match->rightWallSparks[10].lead.speed);
    EXPECT_EQ(1000, match->leftWallSparks[10].lead.life);

    Step();
    for (int i = 0; i < sparksPerSystem; ++i) {
        ASSERT_EQ(800, match->rightWallSparks[i].lead.x) << i;
        ASSERT_LT(match->rightWallSparks[i].lead.life, 10) << i;
        ASSERT_GE(match->rightWallSparks[i].trail.x, 798) << i;
        ASSERT_EQ(302, match->leftWallSparks[i].lead.x) << i;
        ASSERT_NEAR(302, match->leftWallSparks[i].trail.x, 2) << i;  // now and then next to its lead
        ASSERT_NEAR(298, match->ballSparks[i].trail.y, 2) << i;
        ASSERT_EQ(999, match->leftWallSparks[i].lead.life) << i;
        ASSERT_EQ(298, match->ballSparks[i].lead.y) << i;
        ASSERT_EQ(999, match->ballSparks[i].trail.life) << i;
    }
}
