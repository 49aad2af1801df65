#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "../../game/PaddleGame.h"
#include "FrameComparison.h"
#include "ImportStandIn.h"
#include "TestSupport.h"

// The game draws its frames into a back buffer it keeps from frame to frame,
// writing background rows, tiles and sparks straight into the buffer's
// pixels. Every frame must come out pixel for pixel as the straightforward
// drawing (ReferenceRenderer) gives it, from the same game state and the same
// random numbers, in the buffer and in the window.

namespace {

// Two matches kept in step: `match` is drawn by RenderFrame, `reference` the
// straightforward way, each after the same seed, so both draw the same sparks.
class FrameIdentity : public ::testing::Test {
protected:
    void SetUp() override { window = CreateTestWindow(640, 480); }

    void TearDown() override
    {
        match->ReleaseFrameCanvas();
        for (PaddleGame* each : {match, reference}) {
            for (HBITMAP bitmap : {each->lavaWallBitmap, each->barrierBitmap, each->particleSheetBitmap})
                if (bitmap != nullptr) DeleteObject(bitmap);
            delete each;
        }
        DestroyWindow(window);
        PumpMessages();
    }

    // Both matches set up by InitGame from the same random numbers.
    void StartMatches()
    {
        for (PaddleGame* each : {match, reference}) {
            srand(1);
            each->InitGame(window);
        }
        ASSERT_NE(nullptr, match->particleSheetBitmap) << "the game's bitmaps are not in the working folder";
    }

    // Both matches started in a 640 x 480 window over a still background,
    // with the ball at `ball` moving by (velX, velY) a frame.
    void StartOverStillBackground(RECT ball, int velX, int velY)
    {
        StartMatches();
        Both([&](PaddleGame& each) {
            each.clientRect = {0, 0, 640, 480};
            each.waveAmplitude = 0;  // the background stays where it is
            each.ball = ball;
            each.ballVelX = velX;
            each.ballVelY = velY;
        });
    }

    void Both(const std::function<void(PaddleGame&)>& change)
    {
        change(*match);
        change(*reference);
    }

    // Draws one frame both ways and compares the pixels, the window's client
    // area as far as it reaches, the moved sparks and the random numbers used.
    // False when they differ.
    bool CompareFrame(int frame)
    {
        unsigned seed = 1000u + static_cast<unsigned>(frame);
        srand(seed);
        match->frameStartTick = timeGetTime() - 1000;  // no time left to sleep out
        match->RenderFrame(window);
        int gameNext = rand();
        Pixels drawn = GameBackBuffer(*match);
        Pixels shown = CaptureClient(window);

        srand(seed);
        Pixels expected = DrawReference(*reference, window);
        int referenceNext = rand();

        std::string where = "frame " + std::to_string(frame) + " at " + std::to_string(expected.width) + " x " +
                            std::to_string(expected.height);
        EXPECT_EQ(expected.width, drawn.width) << where;
        EXPECT_EQ(expected.height, drawn.height) << where;
        if (drawn.width != expected.width || drawn.height != expected.height) return false;
        std::string difference = Difference(drawn, expected, expected.width, expected.height);
        EXPECT_EQ("", difference) << where;
        std::string shownDifference = Difference(shown, expected, std::min(shown.width, expected.width),
                                                 std::min(shown.height, expected.height));
        EXPECT_EQ("", shownDifference) << where << ", in the window";
        EXPECT_EQ(reference->frameCount, match->frameCount) << where;
        EXPECT_TRUE(SameSparks(*match, *reference)) << where;
        EXPECT_EQ(referenceNext, gameNext) << where << ": the frames drew different random numbers";
        return difference.empty() && shownDifference.empty() && reference->frameCount == match->frameCount &&
               SameSparks(*match, *reference) && referenceNext == gameNext;
    }

    HWND window = nullptr;
    PaddleGame* match = new PaddleGame();
    PaddleGame* reference = new PaddleGame();
};

// Serve: the ball is put back in the middle and its path line turns round.
enum class Event { None, LeftScores, RightScores, Resize, Serve };

struct SeriesRow {
    const char* name;
    int width;
    int height;
    int waveAmplitude;
    int waveLength;
    int waveFrequency;
    int ballVelX;
    int ballVelY;
    Event event;        // happens before frame eventFrame
    int eventFrame;
    int resizeWidth;    // for Event::Resize
    int resizeHeight;
};

void PrintTo(const SeriesRow& row, std::ostream* out)
{
    *out << row.name;
}

class FrameIdentitySeries : public FrameIdentity, public ::testing::WithParamInterface<SeriesRow> {};

const int seriesFrames = 40;

TEST_P(FrameIdentitySeries, EveryFrameMatchesTheStraightforwardDrawing)
{
    const SeriesRow& row = GetParam();
    StartMatches();
    Both([&](PaddleGame& each) {
        each.clientRect = {0, 0, row.width, row.height};
        each.waveAmplitude = row.waveAmplitude;
        each.waveLength = row.waveLength;
        each.waveFrequency = row.waveFrequency;
        each.ballVelX = row.ballVelX;
        each.ballVelY = row.ballVelY;
        each.leftScore = 3;
        each.rightScore = 5;
        each.ball = {row.width / 3, row.height / 2, row.width / 3 + 20, row.height / 2 + 20};
        // One paddle hangs off the left edge, the other off the bottom.
        each.leftPaddle = {-7, 150, 13, 250};
        each.rightPaddle = {row.width - 130, row.height - 60, row.width - 110, row.height + 40};
    });

    for (int frame = 0; frame < seriesFrames; ++frame) {
        if (frame == row.eventFrame) {
            Both([&](PaddleGame& each) {
                if (row.event == Event::LeftScores) {
                    each.leftScore += 1;
                    ExpireSparks(each.rightWallSparks);
                } else if (row.event == Event::RightScores) {
                    each.rightScore += 1;
                    ExpireSparks(each.leftWallSparks);
                } else if (row.event == Event::Resize) {
                    each.clientRect = {0, 0, row.resizeWidth, row.resizeHeight};
                } else if (row.event == Event::Serve) {
                    CentreBall(each.ball, each.clientRect);
                    each.ballVelY = -each.ballVelY;
                }
            });
        }
        // The ball drifts a little each frame, so its sparks spread.
        Both([&](PaddleGame& each) { OffsetRect(&each.ball, row.ballVelX / 5, row.ballVelY / 2); });
        if (!CompareFrame(frame)) break;
    }
}

// The lava wall is 2048 x 2160: the two copies of a row end near x = 4030.
INSTANTIATE_TEST_SUITE_P(
    Series, FrameIdentitySeries,
    ::testing::Values(
        SeriesRow{"SmallestPlayableLeftScores", 640, 320, 6, 16, 16, 15, 0, Event::LeftScores, 12, 0, 0},
        SeriesRow{"StillBackgroundWithPathLine", 800, 600, 0, 16, 16, -15, 4, Event::LeftScores, 10, 0, 0},
        SeriesRow{"StillBackgroundLongSlantedLine", 800, 600, 0, 16, 16, -90, 7, Event::None, -1, 0, 0},
        SeriesRow{"StillBackgroundServedAgain", 640, 480, 0, 16, 16, 10, -6, Event::Serve, 8, 0, 0},
        SeriesRow{"TallerThanTheWallRightScores", 1300, 2200, 500, -7, -13, 9, -5, Event::RightScores, 20, 0, 0},
        SeriesRow{"WiderThanTwoCopies", 4100, 700, 500, 16, -16, 15, 3, Event::None, -1, 0, 0},
        SeriesRow{"LargerThan2560x1440", 2600, 1500, 6, 16, 16, -15, 5, Event::None, -1, 0, 0},
        SeriesRow{"ResizedBetweenFrames", 800, 600, 6, 16, 16, -15, -4, Event::Resize, 15, 1300, 1100},
        SeriesRow{"ShrunkBetweenFrames", 2200, 700, 40, 3, 29, 15, 2, Event::Resize, 10, 640, 320},
        SeriesRow{"TooSmallToPlayWaveOffScreen", 300, 200, 100000, -1, 7, 15, 6, Event::None, -1, 0, 0},
        SeriesRow{"TileRowsOverlap", 700, 30, 6, 16, 16, 15, 1, Event::None, -1, 0, 0}),
    [](const ::testing::TestParamInfo<SeriesRow>& row) { return std::string(row.param.name); });

// CreateDIBSection failing as Windows documents it: NULL, and the bits
// pointer set to NULL.
void NoBits(HDC, const BITMAPINFO*, UINT, void** bits, HANDLE, DWORD)
{
    if (bits != nullptr) *bits = nullptr;
}

// What a frame could not show, because the window's context could not be had,
// the copy failed or there was no memory for the buffer, the next frame shows:
// all of itself. A bitmap whose pixels could not be read is read again. The
// ball jumps between frames over a still background with the sparks parked, so
// that a frame copying less than all of itself would leave a part of the last
// one on the window as a ghost: moving sparks reach every part of it.
TEST_F(FrameIdentity, FrameAfterAFailedReadOrTransferShowsWhatItMissed)
{
    StartOverStillBackground({40, 40, 60, 60}, 15, 4);
    Both([](PaddleGame& each) { ParkSparks(each); });
    // Draws one frame both ways without comparing them, so the two stay in step.
    auto drawOnly = [this](int frame) {
        srand(1000u + static_cast<unsigned>(frame));
        match->frameStartTick = timeGetTime() - 1000;
        match->RenderFrame(window);
        srand(1000u + static_cast<unsigned>(frame));
        DrawReference(*reference, window);
    };
    auto moveBall = [this]() { Both([](PaddleGame& each) { OffsetRect(&each.ball, 70, 50); }); };

    {
        // The first frame's first copy reads the lava wall's pixels.
        ImportStandIn failedRead("gdi32.dll", "BitBlt", &BitBlt, FALSE, ERROR_INVALID_HANDLE, 1);
        drawOnly(0);
        EXPECT_GE(failedRead.Calls(), 1);
    }
    moveBall();
    ASSERT_TRUE(CompareFrame(1));
    moveBall();
    {
        ImportStandIn noContext("user32.dll", "GetDC", &GetDC, static_cast<HDC>(nullptr), ERROR_INVALID_HANDLE, 1);
        drawOnly(2);
        EXPECT_GE(noContext.Calls(), 1);
    }
    moveBall();
    ASSERT_TRUE(CompareFrame(3));
    moveBall();
    {
        ImportStandIn failedCopy("gdi32.dll", "BitBlt", &BitBlt, FALSE, ERROR_INVALID_HANDLE, 1);
        drawOnly(4);
        EXPECT_GE(failedCopy.Calls(), 1);
    }
    moveBall();
    ASSERT_TRUE(CompareFrame(5));
    moveBall();
    {
        // The buffer of a new size cannot be made: nothing is drawn, and the
        // next frames make it.
        Both([](PaddleGame& each) { each.clientRect = {0, 0, 600, 400}; });
        ImportStandIn noBuffer("gdi32.dll", "CreateDIBSection", &CreateDIBSection, static_cast<HBITMAP>(nullptr),
                               ERROR_NOT_ENOUGH_MEMORY, ImportStandIn::everyCall, &NoBits);
        drawOnly(6);
        EXPECT_EQ(1, noBuffer.Calls());
        EXPECT_EQ(nullptr, match->frameCanvas.Bitmap());
    }
    for (int frame = 7; frame < 9; ++frame) {
        moveBall();
        ASSERT_TRUE(CompareFrame(frame));
    }
}

// A bitmap that did not load leaves its context's own one-pixel bitmap to copy
// from, and InitSparks never ran: every spark starts at (0, 0) with life 0,
// and the ball is the empty rectangle at (0, 0) until a new match.
TEST_F(FrameIdentity, BitmapsThatDidNotLoad)
{
    Both([](PaddleGame& each) {
        each.winningScore = 10;  // no prompt
        each.clientRect = {0, 0, 700, 400};
    });
    for (int frame = 0; frame < 3; ++frame)
        if (!CompareFrame(frame)) return;
    Both([](PaddleGame& each) {
        each.ball = {100, 100, 120, 120};
        each.ballVelX = 15;
        each.ballVelY = 2;
    });
    for (int frame = 3; frame < 6; ++frame)
        if (!CompareFrame(frame)) break;
}

// Bitmaps replaced between frames are read again: a lava wall narrower and
// lower than its recorded size (copies reach past its columns and rows), a
// barrier tile smaller than the paddle pieces, and a one-bit particle sheet.
TEST_F(FrameIdentity, ReplacedBitmapsAreReadAgain)
{
    StartMatches();
    Both([](PaddleGame& each) { each.clientRect = {0, 0, 900, 500}; });
    ASSERT_TRUE(CompareFrame(0));

    HDC windowDc = GetDC(window);
    HDC paintDc = CreateCompatibleDC(windowDc);
    auto paintedBitmap = [&](int width, int height, COLORREF colour) {
        HBITMAP bitmap = CreateCompatibleBitmap(windowDc, width, height);
        HGDIOBJ saved = SelectObject(paintDc, bitmap);
        HBRUSH brush = CreateSolidBrush(colour);
        RECT all = {0, 0, width, height};
        FillRect(paintDc, &all, brush);
        DeleteObject(brush);
        for (int i = 0; i < width && i < height; ++i) SetPixel(paintDc, i, i, RGB(i * 7 % 256, 200, i % 256));
        SelectObject(paintDc, saved);
        return bitmap;
    };
    const BYTE sheetBits[4] = {0xA5, 0x3C, 0, 0};  // 16 one-bit pixels, rows padded to a word
    for (PaddleGame* each : {match, reference}) {
        DeleteObject(each->lavaWallBitmap);
        DeleteObject(each->barrierBitmap);
        DeleteObject(each->particleSheetBitmap);
        each->lavaWallBitmap = paintedBitmap(300, 250, RGB(200, 40, 10));
        each->barrierBitmap = paintedBitmap(8, 6, RGB(10, 90, 250));
        each->particleSheetBitmap = CreateBitmap(16, 1, 1, 1, sheetBits);
    }
    DeleteDC(paintDc);
    ReleaseDC(window, windowDc);

    for (int frame = 1; frame < 6; ++frame)
        if (!CompareFrame(frame)) break;
}

// Recorded bitmap sizes of zero or below turn the copies round: a width of 0
// makes each background copy one column wide, taken leftwards from its start,
// and a negative tile height draws the tiles upwards from their row.
TEST_F(FrameIdentity, RecordedSizesBelowOneCopyBackwards)
{
    StartMatches();
    Both([](PaddleGame& each) {
        each.clientRect = {0, 0, 700, 400};
        each.waveAmplitude = 150;
        each.lavaWallInfo.bmWidth = 0;
        each.barrierInfo.bmHeight = -15;
    });
    for (int frame = 0; frame < 4; ++frame)
        if (!CompareFrame(frame)) break;
}

// The back buffer and its context are made once per client size: the same
// handles serve every frame of one size, a new size gives the old bitmap back,
// and ReleaseFrameCanvas or the game object's end gives back the rest.
TEST_F(FrameIdentity, BackBufferKeptPerSizeAndGivenBack)
{
    StartMatches();
    auto render = [&](int width, int height) {
        match->clientRect = {0, 0, width, height};
        match->frameStartTick = timeGetTime() - 1000;
        match->RenderFrame(window);
    };
    render(800, 600);
    HDC context = match->frameCanvas.Context();
    HBITMAP firstBuffer = match->frameCanvas.Bitmap();
    ASSERT_NE(nullptr, context);
    ASSERT_NE(nullptr, firstBuffer);
    render(800, 600);
    EXPECT_EQ(context, match->frameCanvas.Context());
    EXPECT_EQ(firstBuffer, match->frameCanvas.Bitmap());

    render(801, 600);
    HBITMAP secondBuffer = match->frameCanvas.Bitmap();
    EXPECT_EQ(context, match->frameCanvas.Context());
    EXPECT_NE(firstBuffer, secondBuffer);
    EXPECT_EQ(0u, GetObjectType(firstBuffer)) << "the buffer of the old size was not deleted";
    BITMAP info = {};
    GetObjectA(secondBuffer, sizeof info, &info);
    EXPECT_EQ(801, info.bmWidth);
    EXPECT_EQ(600, info.bmHeight);

    // Taller at the same width is a new size too.
    render(801, 700);
    HBITMAP tallerBuffer = match->frameCanvas.Bitmap();
    EXPECT_NE(secondBuffer, tallerBuffer);
    EXPECT_EQ(0u, GetObjectType(secondBuffer)) << "the buffer of the old size was not deleted";
    GetObjectA(tallerBuffer, sizeof info, &info);
    EXPECT_EQ(801, info.bmWidth);
    EXPECT_EQ(700, info.bmHeight);

    match->ReleaseFrameCanvas();
    EXPECT_EQ(0u, GetObjectType(tallerBuffer));
    EXPECT_EQ(0u, GetObjectType(context));
    EXPECT_EQ(nullptr, match->frameCanvas.Context());
    EXPECT_EQ(nullptr, match->frameCanvas.Bitmap());
    EXPECT_EQ(nullptr, match->frameCanvas.Pixels());

    // A frame after the release makes what it needs again.
    render(640, 320);
    EXPECT_NE(nullptr, match->frameCanvas.Bitmap());
    EXPECT_EQ(640, match->frameCanvas.Width());

    // A game object gives back its buffer when it goes.
    HBITMAP lastBuffer = match->frameCanvas.Bitmap();
    context = match->frameCanvas.Context();
    delete match;
    match = new PaddleGame();
    EXPECT_EQ(0u, GetObjectType(lastBuffer));
    EXPECT_EQ(0u, GetObjectType(context));
}

}  // namespace
