#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameRenderingFixture.h"
#include "ImportStandIn.h"

// How a frame ends: nothing drawn in an empty client area, the winner prompt
// over the finished frame, and the pacing that gives every frame 16 ms.

namespace {

std::vector<DWORD> sleepsAsked;

void WINAPI NoteSleep(DWORD milliseconds)
{
    sleepsAsked.push_back(milliseconds);
}

// The last wait for a message the program asked for, and how many it asked for.
struct WaitAsked {
    int calls;
    DWORD milliseconds;
    DWORD wakeMask;
} waitAsked;

void NoteWait(DWORD, const HANDLE*, BOOL, DWORD milliseconds, DWORD wakeMask)
{
    waitAsked = {waitAsked.calls + 1, milliseconds, wakeMask};
}

// Holds the game's clock at one tick and notes each sleep the program asks
// for instead of sleeping, so a frame's time is exactly what its start tick
// says. Both imports are put back however the test ends.
class HeldClock {
public:
    explicit HeldClock(DWORD tick)
        : clock("winmm.dll", "timeGetTime", &timeGetTime, tick, 0), sleep("kernel32.dll", "Sleep", &Sleep, &NoteSleep)
    {
        sleepsAsked.clear();
    }

private:
    ImportStandIn clock;
    ImportSwap sleep;
};

struct EmptyRow {
    int width;
    int height;
};

class FrameRenderingEmpty : public FrameRendering, public ::testing::WithParamInterface<EmptyRow> {};

}  // namespace

TEST_P(FrameRenderingEmpty, EmptyClientAreaDrawsNothing)
{
    Open(800, 600);
    HDC windowDc = GetDC(window);
    PatBlt(windowDc, 0, 0, 800, 600, BLACKNESS);
    ReleaseDC(window, windowDc);
    match->clientRect = {0, 0, GetParam().width, GetParam().height};
    match->frameCount = 7;
    match->ballSparks[0].lead = {-2, 30, 300, 20};
    match->leftScore = 10;  // not even the winner prompt
    DialogAnswerer answerer("Winner!", PressButton(IDYES));
    Render();
    EXPECT_EQ(10, match->leftScore);
    EXPECT_EQ(7, match->frameCount);
    EXPECT_EQ(300, match->ballSparks[0].lead.y);
    EXPECT_EQ(20, match->ballSparks[0].lead.life);
    Pixels shown = CaptureClient(window);
    EXPECT_EQ(black, shown.At(400, 300));
    EXPECT_EQ(black, shown.At(5, 5));
}

// A minimised window's frame draws nothing, yet the frame loop must not spin:
// the frame waits out what is left of its 16 ms, and any message ends the wait.
TEST_P(FrameRenderingEmpty, EmptyFrameWaitsOutItsTimeUnlessAMessageComes)
{
    Open(800, 600);
    match->clientRect = {0, 0, GetParam().width, GetParam().height};
    for (DWORD took : {5, 16}) {
        HeldClock clock(100000);
        waitAsked = {};
        ImportStandIn wait("user32.dll", "MsgWaitForMultipleObjects", &MsgWaitForMultipleObjects,
                           static_cast<DWORD>(WAIT_TIMEOUT), 0, ImportStandIn::everyCall, &NoteWait);
        match->frameStartTick = 100000 - took;
        match->RenderFrame(window);
        if (took < 16) {
            ASSERT_EQ(1, waitAsked.calls) << "a frame that took " << took << " ms";
            EXPECT_EQ(16 - took, waitAsked.milliseconds);
            EXPECT_EQ(static_cast<DWORD>(QS_ALLINPUT), waitAsked.wakeMask);
        } else {
            EXPECT_EQ(0, waitAsked.calls) << "a frame that took " << took << " ms";
        }
        EXPECT_TRUE(sleepsAsked.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FrameRenderingEmpty, ::testing::Values(EmptyRow{0, 600}, EmptyRow{800, 0}));

namespace {

struct WinnerRow {
    int leftScore;
    int rightScore;
    const char* text;
};

class FrameRenderingWinner : public FrameRendering, public ::testing::WithParamInterface<WinnerRow> {};

}  // namespace

// The frame that reached the winning score is on the window before the prompt
// asks: its score shows while the prompt is open.
TEST_P(FrameRenderingWinner, YesStartsNewMatch)
{
    Open(800, 600);
    match->leftScore = GetParam().leftScore;
    match->rightScore = GetParam().rightScore;
    match->ballVelX = 9;
    Pixels shownAtPrompt;
    DialogAnswerer answerer("Winner!", [this, &shownAtPrompt](HWND prompt) {
        shownAtPrompt = CaptureClient(window);
        PressButton(IDYES)(prompt);
    });
    Render();
    ASSERT_TRUE(WaitUntil([&] { return answerer.Answered() == 1; }, 5000));
    EXPECT_EQ(GetParam().text, answerer.LastText());
    EXPECT_EQ(UINT(MB_YESNO), answerer.LastStyle());
    std::string score = std::to_string(GetParam().leftScore) + " to " + std::to_string(GetParam().rightScore);
    EXPECT_EQ(0, ScoreTextMismatches(shownAtPrompt, score.c_str())) << score;
    EXPECT_EQ(0, match->leftScore);
    EXPECT_EQ(0, match->rightScore);
    EXPECT_EQ(-15, match->ballVelX);
    EXPECT_TRUE(IsWindow(window));
}

INSTANTIATE_TEST_SUITE_P(Players, FrameRenderingWinner,
                         ::testing::Values(WinnerRow{10, 4, "Player 1 wins!\n   Continue?"},
                                           WinnerRow{10, 10, "Player 1 wins!\n   Continue?"},
                                           WinnerRow{3, 10, "Player 2 wins!\n   Continue?"}));

TEST_F(FrameRendering, WinnerPromptNoQuitsByDestroyingTheWindow)
{
    Open(800, 600);
    match->leftScore = 10;
    DialogAnswerer answerer("Winner!", PressButton(IDNO));
    Render();
    ASSERT_TRUE(WaitUntil([&] { return answerer.Answered() == 1; }, 5000));
    EXPECT_EQ("Player 1 wins!\n   Continue?", answerer.LastText());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(10, match->leftScore);
}

TEST_F(FrameRendering, NoPromptBelowWinningScore)
{
    Open(800, 600);
    match->leftScore = 9;
    match->rightScore = 9;
    DialogAnswerer answerer("Winner!", PressButton(IDYES));
    Render();
    EXPECT_EQ(0, answerer.Answered());
    EXPECT_EQ(9, match->leftScore);
}

namespace {

// Milliseconds by the high-resolution counter, a clock apart from the game's.
double NowMilliseconds()
{
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

// A frame lasts 16 ms from the tick the frame step takes as it starts, less
// the part of a millisecond that tick may already have run. Bounds from below
// only: a busy machine may stretch a frame, never shorten it.
TEST_F(FrameRendering, FramesArePacedFromTheirStartTick)
{
    Open(800, 600);
    Render();  // the first frame sets up what later frames keep, and takes longer
    match->frameStartTick = timeGetTime() - 1000;  // stale: the step takes its own
    double started = NowMilliseconds();
    match->StepFrame(window);
    EXPECT_GE(NowMilliseconds() - started, 15.0) << "a frame that starts now";

    started = NowMilliseconds();
    match->frameStartTick = timeGetTime() - 10;
    match->RenderFrame(window);
    EXPECT_GE(NowMilliseconds() - started, 5.0) << "a frame that started 10 ms ago";
}

// With the clock held, a frame sleeps 16 ms less the time since its own start,
// also when the counter wrapped in between; a frame that took 16 ms or more
// does not sleep.
TEST_F(FrameRendering, PacingSleepIsSixteenMillisecondsLessTheFramesTime)
{
    Open(800, 600);
    struct {
        DWORD now;
        DWORD start;
        std::vector<DWORD> sleeps;
    } rows[] = {{100000, 100000 - 5, {11}},
                {100000, 100000 - 15, {1}},
                {100000, 100000 - 16, {}},
                {3, 0xFFFFFFFE, {11}}};  // 5 ms across the wrap
    for (const auto& row : rows) {
        HeldClock clock(row.now);
        match->frameStartTick = row.start;
        match->RenderFrame(window);
        EXPECT_EQ(row.sleeps, sleepsAsked) << "a frame started at " << row.start << " with the clock at " << row.now;
    }
}
