#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "FrameRenderingFixture.h"

// The frame's drawn layers, each over the ones before it: background,
// barrier rows and paddles, ball and path line, sparks, score.

namespace {

// A data file of the game folder, loaded apart from the game's own copy.
Pixels ReadBitmapFile(const char* name)
{
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, name, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    Pixels pixels = ReadBitmap(bitmap);
    DeleteObject(bitmap);
    return pixels;
}

// Writes a 24-bit bitmap file whose pixel (x, y) is colour(x, y).
void WriteBitmapFile(const std::string& path, int width, int height, COLORREF (*colour)(int, int))
{
    int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom row first
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = stride * height;
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string data(reinterpret_cast<const char*>(&file), sizeof file);
    data.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = height - 1; y >= 0; --y) {
        std::string row(stride, '\0');
        for (int x = 0; x < width; ++x) {
            COLORREF c = colour(x, y);
            row[3 * x] = static_cast<char>(GetBValue(c));
            row[3 * x + 1] = static_cast<char>(GetGValue(c));
            row[3 * x + 2] = static_cast<char>(GetRValue(c));
        }
        data += row;
    }
    WriteWholeFile(path, data);
}

}  // namespace

TEST_F(FrameRendering, BallIsWhiteWithBlackOutlineAndNoLineWhenLevel)
{
    Open(800, 600);
    PlaceBall(390, 290);
    match->ballVelX = -15;
    Render();
    Pixels shown = CaptureClient(window);
    EXPECT_EQ(white, shown.At(400, 300));  // the centre: no path line over it
    EXPECT_EQ(white, shown.At(393, 300));
    EXPECT_EQ(white, shown.At(400, 307));
    EXPECT_EQ(black, shown.At(390, 300));
    EXPECT_EQ(black, shown.At(409, 300));
    EXPECT_EQ(black, shown.At(400, 290));
    EXPECT_EQ(black, shown.At(400, 309));
    for (POINT corner : {POINT{390, 290}, POINT{392, 292}, POINT{407, 307}}) {  // outside the circle
        EXPECT_NE(white, shown.At(corner.x, corner.y)) << corner.x << "," << corner.y;
        EXPECT_NE(black, shown.At(corner.x, corner.y)) << corner.x << "," << corner.y;
    }
    EXPECT_NE(white, shown.At(389, 300));
    EXPECT_NE(black, shown.At(389, 300));
}

TEST_F(FrameRendering, PathLineFollowsVelocityToTheBottomEdge)
{
    Open(800, 600);
    PlaceBall(390, 290);
    match->ballVelX = -15;
    match->ballVelY = 4;
    Render();
    Pixels shown = CaptureClient(window);
    // The line passes exactly through the centre plus whole steps of (-15, 4).
    for (int step = 0; step <= 26; ++step)
        EXPECT_EQ(black, shown.At(400 - 15 * step, 300 + 4 * step)) << "step " << step;
    EXPECT_NE(black, shown.At(400 - 15 * 20, 300 + 4 * 20 - 3));
}

namespace {

// The whole background row is one phase when waveLength is 0; the copies
// start at the truncated offsets (the lava wall's recorded width taken as
// 1024, so both copies show in the window), with pi taken as 3.14 (sin 90 degrees is
// then just below 1, so 6 * sin - 64 truncates to -58 and 6 * sin + 959 to 964).
struct BackgroundRow {
    const char* name;
    int waveLength;
    int waveFrequency;
    int waveAmplitude;
    int frameCountBefore;
    int firstCopyX;
    int secondCopyX;
};

class FrameRenderingBackground : public FrameRendering, public ::testing::WithParamInterface<BackgroundRow> {};

}  // namespace

TEST_P(FrameRenderingBackground, TwoCopiesSideBySideShiftedByWave)
{
    const BackgroundRow& row = GetParam();
    Open(1200, 700);
    match->waveLength = row.waveLength;
    match->waveFrequency = row.waveFrequency;
    match->waveAmplitude = row.waveAmplitude;
    match->frameCount = row.frameCountBefore;
    match->lavaWallInfo.bmWidth = 1024;  // each copy 1023 columns of the wider wall
    Render();
    Pixels shown = CaptureClient(window);
    Pixels lava = ReadBitmapFile("lavawall.bmp");
    ASSERT_LE(1024, lava.width);
    // Rows clear of barriers, paddles, ball and score.
    for (int y : {40, 250, 400, 650}) {
        for (int x = 0; x < 1200; ++x) {
            int source = x < row.secondCopyX ? x - row.firstCopyX : x - row.secondCopyX;
            ASSERT_EQ(lava.At(source, y), shown.At(x, y)) << "x " << x << " y " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FrameRenderingBackground,
    ::testing::Values(BackgroundRow{"StillWithoutAmplitude", 16, 16, 0, 45, -64, 959},
                      BackgroundRow{"Phase90", 0, 90, 6, 0, -58, 964},
                      BackgroundRow{"Phase270", 0, 90, 6, 2, -69, 953}),
    [](const ::testing::TestParamInfo<BackgroundRow>& row) { return std::string(row.param.name); });

TEST_F(FrameRendering, BarrierTilesLineTopAndBottomAndBuildPaddles)
{
    Open(810, 600);  // the last tile is cut by the right edge
    match->leftPaddle = {100, 250, 120, 350};
    match->rightPaddle = {690, 150, 710, 250};
    match->waveAmplitude = 0;  // the background's pixel (x + 64, y) shows at (x, y)
    Render();
    Pixels shown = CaptureClient(window);
    Pixels tile = ReadBitmapFile("barrier.bmp");
    Pixels lava = ReadBitmapFile("lavawall.bmp");
    ASSERT_EQ(20, tile.width);
    ASSERT_EQ(20, tile.height);
    for (int x = 0; x < 810; ++x) {
        for (int y = 0; y < 20; ++y) {
            if (y < 16 || x < 405) {  // the score is written from (405, 16)
                ASSERT_EQ(tile.At(x % 20, y), shown.At(x, y)) << "top x " << x << " y " << y;
            }
            ASSERT_EQ(tile.At(x % 20, y), shown.At(x, 580 + y)) << "bottom x " << x << " y " << y;
        }
    }
    for (int x = 0; x < 20; ++x) {
        for (int y = 0; y < 100; ++y) {
            ASSERT_EQ(tile.At(x, y % 10), shown.At(100 + x, 250 + y)) << "left x " << x << " y " << y;
            ASSERT_EQ(tile.At(x, y % 10), shown.At(690 + x, 150 + y)) << "right x " << x << " y " << y;
        }
    }
    // Nothing of them beyond their edges.
    for (int x = 0; x < 810; ++x) {
        if (x < 405) {
            EXPECT_EQ(lava.At(x + 64, 20), shown.At(x, 20)) << "x " << x;
        }
        EXPECT_EQ(lava.At(x + 64, 579), shown.At(x, 579)) << "x " << x;
    }
    for (int x = 99; x <= 120; ++x) {
        EXPECT_EQ(lava.At(x + 64, 249), shown.At(x, 249)) << "x " << x;
        EXPECT_EQ(lava.At(x + 64, 350), shown.At(x, 350)) << "x " << x;
    }
    for (int y = 250; y < 350; ++y) {
        EXPECT_EQ(lava.At(99 + 64, y), shown.At(99, y)) << "y " << y;
        EXPECT_EQ(lava.At(120 + 64, y), shown.At(120, y)) << "y " << y;
    }
    for (int x = 689; x <= 710; ++x) {
        EXPECT_EQ(lava.At(x + 64, 149), shown.At(x, 149)) << "x " << x;
        EXPECT_EQ(lava.At(x + 64, 250), shown.At(x, 250)) << "x " << x;
    }
}

// A background narrower than the window shows both copies whole: each is the
// bitmap less its last column, which is marked here in magenta.
TEST_F(FrameRendering, BackgroundCopiesLeaveOutTheLastColumn)
{
    std::string folder = MakeTempFolder();
    auto colour = [](int x, int y) { return x == 199 ? RGB(255, 0, 255) : RGB(x, y % 200, 90); };
    WriteBitmapFile(folder + "lavawall.bmp", 200, 600, colour);
    CopyFileA("barrier.bmp", (folder + "barrier.bmp").c_str(), FALSE);
    CopyFileA("particle_sheet.bmp", (folder + "particle_sheet.bmp").c_str(), FALSE);
    MatchInWindow::Open(800, 600);
    char gameFolder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, gameFolder);
    SetCurrentDirectoryA(folder.c_str());
    match->InitGame(window);
    SetCurrentDirectoryA(gameFolder);
    for (const char* name : {"lavawall.bmp", "barrier.bmp", "particle_sheet.bmp"})
        DeleteFileA((folder + name).c_str());
    RemoveDirectoryA(folder.c_str());
    ASSERT_EQ(200, match->lavaWallInfo.bmWidth);
    match->waveAmplitude = 0;
    match->ballVelX = 0;
    ParkSparks(*match);
    Render();
    Pixels shown = CaptureClient(window);
    // The first copy covers -64 ... 134, the second 135 ... 333.
    for (int y : {250, 400}) {
        for (int x = 0; x < 334; ++x) {
            int source = x < 135 ? x + 64 : x - 135;
            ASSERT_EQ(colour(source, y), shown.At(x, y)) << "x " << x << " y " << y;
        }
        for (int x = 334; x < 340; ++x) ASSERT_NE(RGB(255, 0, 255), shown.At(x, y)) << "x " << x << " y " << y;
    }
}

TEST_F(FrameRendering, ScoreIsWhiteTextFromTheMiddleWithNoBox)
{
    Open(800, 600);
    match->leftScore = 3;
    match->rightScore = 5;
    Render();
    Pixels shown = CaptureClient(window);
    Pixels text = ReferenceScoreText("3 to 5");

    int whiteCount = 0;
    int otherCount = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x) {
            bool expectedWhite = text.At(x, y) == white;
            ASSERT_EQ(expectedWhite, shown.At(400 + x, 16 + y) == white) << "x " << 400 + x << " y " << 16 + y;
            (expectedWhite ? whiteCount : otherCount) += 1;
        }
    }
    EXPECT_GT(whiteCount, 20);
    EXPECT_GT(otherCount, whiteCount);
    for (int y = 0; y < 76; ++y) {
        for (int x = 0; x < 400; ++x) {
            ASSERT_NE(white, shown.At(x, y)) << "x " << x << " y " << y;
        }
    }
}

// The score is the last thing drawn: sparks under its letters do not cover them.
TEST_F(FrameRendering, ScoreIsDrawnOverTheSparks)
{
    Open(800, 600);
    Pixels text = ReferenceScoreText("0 to 0");
    POINT letter = {-1, -1};
    for (int y = 0; y < 60 && letter.x < 0; ++y) {
        for (int x = 0; x < 200 && letter.x < 0; ++x) {
            if (text.At(x, y) == white) letter = {400 + x, 16 + y};
        }
    }
    ASSERT_GE(letter.x, 0);
    Pixels sheet = ReadBitmapFile("particle_sheet.bmp");
    ASSERT_NE(white, sheet.At(5, 0));
    SetAllSparks(*match, {0, letter.x, letter.y, 37}, {0, letter.x, letter.y, 37});  // column 5 of the sheet
    Render();
    EXPECT_EQ(0, ScoreTextMismatches(CaptureClient(window), "0 to 0"));
}

TEST_F(FrameRendering, SparksShowInSheetColoursOverTheBall)
{
    Open(800, 600);
    PlaceBall(390, 290);
    match->ballSparks[4].lead = {0, 50, 400, 37};        // column 5
    match->rightWallSparks[0].trail = {0, 400, 300, 32}; // column 0, on the ball's centre
    Render();
    Pixels shown = CaptureClient(window);
    Pixels sheet = ReadBitmapFile("particle_sheet.bmp");
    EXPECT_EQ(sheet.At(5, 0), shown.At(50, 400));
    EXPECT_EQ(sheet.At(0, 0), shown.At(400, 300));
    EXPECT_EQ(white, shown.At(401, 300));
}

// Every context and bitmap a frame makes must be given back by the end of
// that frame, the copy it reads a bitmap's pixels through included: here each
// frame draws from another barrier bitmap than the last. The process's GDI
// handle table (about 65,000 handles under Wine 8) is filled until only a
// thousand are left; frames that kept even one object each would use them up
// long before the last frame, which could then not be drawn.
TEST_F(FrameRendering, ThousandsOfFramesGiveEveryHandleBack)
{
    Open(640, 320);
    HBITMAP otherBarrier =
        static_cast<HBITMAP>(LoadImageA(nullptr, "barrier.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(nullptr, otherBarrier);
    std::vector<HRGN> fillers;
    while (fillers.size() < 200000) {
        HRGN filler = CreateRectRgn(0, 0, 1, 1);
        if (filler == nullptr) break;
        fillers.push_back(filler);
    }
    for (int i = 0; i < 1000 && !fillers.empty(); ++i) {
        DeleteObject(fillers.back());
        fillers.pop_back();
    }
    if (fillers.size() < 1000) {
        for (HRGN filler : fillers) DeleteObject(filler);
        FAIL() << "the handle table did not fill up";
    }

    for (int frame = 0; frame < 2500; ++frame) {
        std::swap(match->barrierBitmap, otherBarrier);
        Render();
    }
    PlaceBall(300, 150);
    match->leftPaddle = {100, 200, 120, 300};
    Render();
    Pixels shown = CaptureClient(window);

    for (HRGN filler : fillers) DeleteObject(filler);
    DeleteObject(otherBarrier);
    Pixels tile = ReadBitmapFile("barrier.bmp");
    EXPECT_EQ(2501, match->frameCount);
    EXPECT_EQ(white, shown.At(310, 160));
    EXPECT_EQ(black, shown.At(300, 160));
    EXPECT_EQ(tile.At(3, 5), shown.At(3, 305));
    EXPECT_EQ(tile.At(7, 4), shown.At(107, 284));
}
