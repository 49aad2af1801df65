#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "ImportStandIn.h"
#include "MainWindowFixture.h"

// The frame loop, and WinMain around it with the timer period it asks for.

namespace {

std::vector<WPARAM> recorded;
std::vector<int> recordedFrameCounts;

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_QUIT || message == WM_APP) {
        recorded.push_back(message == WM_QUIT ? WPARAM(-1) : wParam);
        recordedFrameCounts.push_back(game.frameCount);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class FrameLoop : public MainWindow {
protected:
    void SetUp() override
    {
        MainWindow::SetUp();
        if (HasFatalFailure()) return;
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXA recorderClass = {};
            recorderClass.cbSize = sizeof recorderClass;
            recorderClass.lpfnWndProc = RecorderProc;
            recorderClass.hInstance = Module();
            recorderClass.lpszClassName = "BrellixLoopRecorder";
            RegisterClassExA(&recorderClass);
            registered = true;
        }
        recorder = CreateWindowExA(0, "BrellixLoopRecorder", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   Module(), nullptr);
        recorded.clear();
        recordedFrameCounts.clear();
        accelerators = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(IDR_MAIN));
        // A frame that runs has a game to step.
        game.InitGame(window);
        game.frameCount = 0;
    }

    void TearDown() override
    {
        HoldModifiers(false, false);
        DestroyWindow(recorder);
        DestroyAcceleratorTable(accelerators);
        MainWindow::TearDown();
    }

    HWND recorder = nullptr;
    HACCEL accelerators = nullptr;
};

// A paint erases the window; the next frame shows all of itself over it.
TEST_F(FrameLoop, FrameAfterPaintingShowsTheWholeFrame)
{
    for (int frame = 0; frame < 2; ++frame) {
        game.frameStartTick = timeGetTime() - 1000;  // no time left to sleep out
        game.RenderFrame(window);
    }
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    game.frameStartTick = timeGetTime() - 1000;
    game.RenderFrame(window);

    const FrameCanvas& canvas = game.frameCanvas;
    ASSERT_NE(nullptr, canvas.Pixels());
    Pixels shown = CaptureClient(window);
    int differing = 0;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            uint32_t drawn = canvas.Pixels()[static_cast<size_t>(y) * canvas.Width() + x];
            if (shown.At(x, y) != RGB(drawn >> 16 & 0xFF, drawn >> 8 & 0xFF, drawn & 0xFF)) ++differing;
        }
    }
    EXPECT_EQ(0, differing) << "pixels of the window still show the paint";
}

// A tester outside the process counts the frames drawn through this message.
TEST_F(FrameLoop, FramesDrawnMessageAnswersTheFramesDrawn)
{
    UINT framesDrawn = RegisterWindowMessageA(framesDrawnMessageName);
    EXPECT_EQ(0, SendMessageA(window, framesDrawn, 0, 0));
    for (int frame = 0; frame < 3; ++frame) {
        game.frameStartTick = timeGetTime() - 1000;
        game.RenderFrame(window);
    }
    EXPECT_EQ(3, SendMessageA(window, framesDrawn, 0, 0));
}

TEST_F(FrameLoop, ReturnsQuitCodeAfterDispatchingEarlierMessages)
{
    PostMessageA(recorder, WM_APP, 1, 0);
    PostMessageA(recorder, WM_APP, 2, 0);
    PostMessageA(window, WM_COMMAND, IDM_TWO_PLAYER, 0);
    PostMessageA(recorder, WM_APP, 3, 0);
    PostQuitMessage(7);
    LoopBound bound;
    EXPECT_EQ(7, RunFrameLoop(accelerators));
    EXPECT_EQ((std::vector<WPARAM>{1, 2, 3}), recorded);
    EXPECT_FALSE(game.computerOpponent);
    EXPECT_EQ(0, game.frameCount);  // the queue never ran dry
}

// A quit message is never dispatched, and the loop stops at it.
TEST_F(FrameLoop, StopsAtQuitWithoutDispatchingIt)
{
    PostMessageA(recorder, WM_APP, 1, 0);
    PostMessageA(recorder, WM_QUIT, 5, 0);
    PostMessageA(recorder, WM_APP, 2, 0);
    LoopBound bound;
    EXPECT_EQ(5, RunFrameLoop(accelerators));
    EXPECT_EQ((std::vector<WPARAM>{1}), recorded);
    MSG left;
    ASSERT_TRUE(PeekMessageA(&left, recorder, WM_APP, WM_APP, PM_REMOVE));
    EXPECT_EQ(2u, left.wParam);
}

// Keystrokes go to the accelerator table first: Ctrl+2 is Two Player, and
// Ctrl+V does nothing while Vector is grayed. Alt+/ reaches the table only
// as the character the loop's translation makes of the key.
TEST_F(FrameLoop, OffersKeystrokesToTheAcceleratorTable)
{
    HoldModifiers(true, false);
    PostMessageA(window, WM_KEYDOWN, 'V', 1);
    PostMessageA(window, WM_KEYDOWN, '2', 1);
    PostQuitMessage(0);
    DialogAnswerer vectorEdit("Vector Edit", PressButton(IDCANCEL));
    LoopBound bound;
    EXPECT_EQ(0, RunFrameLoop(accelerators));
    EXPECT_FALSE(game.computerOpponent);
    EXPECT_EQ("enabled,checked", ItemState(mainMenu, IDM_TWO_PLAYER));
    EXPECT_EQ(0, vectorEdit.Answered());

    // The character comes before the next frame, which finds the match won
    // and ends the loop at the winner prompt: without it, no About box.
    game.leftScore = 10;
    DialogAnswerer about("About", PressButton(IDOK));
    DialogAnswerer winner("Winner!", PressButton(IDNO));
    HoldModifiers(false, true);
    PostMessageA(window, WM_SYSKEYDOWN, VK_OEM_2, 0x20350001);  // scan code 0x35, Alt held
    EXPECT_EQ(0, RunFrameLoop(accelerators));
    EXPECT_EQ(1, about.Answered());
    EXPECT_EQ(1, winner.Answered());
}

// With nothing waiting the loop steps frames. No at the winner prompt
// destroys the window inside the frame; the loop then takes the quit
// message without stepping another frame.
TEST_F(FrameLoop, StepsFramesWhenIdleAndEndsAfterWinnerPromptNo)
{
    game.leftScore = 10;
    PostMessageA(recorder, WM_APP, 1, 0);
    DialogAnswerer winner("Winner!", PressButton(IDNO));
    int exitCode;
    {
        LoopBound bound;
        exitCode = RunFrameLoop(accelerators);
    }
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ(1, winner.Answered());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(1, game.frameCount);
    EXPECT_EQ((std::vector<int>{0}), recordedFrameCounts);  // handled before the first frame

    // WinMain's own Quit afterwards finds no window and posts nothing.
    game.Quit(mainWindow);
    EXPECT_EQ(-1, TakeQuit());
}

// The timer periods WinMain asks for and gives back, in order, each with
// whether the game's window was there at the time.
std::vector<std::string> timerCalls;

void NoteTimerCall(const char* call, UINT period)
{
    timerCalls.push_back(call + std::to_string(period) + (IsWindow(mainWindow) ? " with the window" : ""));
}

void WatchTimeBeginPeriod(UINT period)
{
    NoteTimerCall("begin ", period);
}

void WatchTimeEndPeriod(UINT period)
{
    NoteTimerCall("end ", period);
}

// The game runs with a 1 ms timer period, asked for before its window is made
// and given back after the window has gone, whichever way it ends: by the
// quit message, or without a window at all.
TEST_F(FrameLoop, TimerPeriodIsAskedForBeforeTheGameAndGivenBackOnEveryWayOut)
{
    DestroyWindow(window);
    PumpMessages();
    mainWindow = nullptr;
    // Every call goes on to winmm; the watches note it first.
    ImportStandIn begin("winmm.dll", "timeBeginPeriod", &timeBeginPeriod, MMRESULT(TIMERR_NOCANDO), 0, 0,
                        WatchTimeBeginPeriod);
    ImportStandIn end("winmm.dll", "timeEndPeriod", &timeEndPeriod, MMRESULT(TIMERR_NOCANDO), 0, 0,
                      WatchTimeEndPeriod);
    const std::vector<std::string> beginThenEnd = {"begin 1", "end 1"};

    timerCalls.clear();
    PostQuitMessage(3);
    mainMenu = nullptr;
    {
        LoopBound bound;
        EXPECT_EQ(3, WinMain(Module(), nullptr, nullptr, SW_SHOWNORMAL));
    }
    EXPECT_EQ(beginThenEnd, timerCalls);
    EXPECT_NE(nullptr, mainMenu);  // the game's window's menu, fetched for the menu commands
    EXPECT_EQ(0, TakeQuit());  // posted as the game's window went

    timerCalls.clear();
    {
        ImportStandIn noWindow("user32.dll", "CreateWindowExA", &CreateWindowExA, HWND(nullptr),
                               ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(0, WinMain(Module(), nullptr, nullptr, SW_SHOWNORMAL));
        EXPECT_EQ(1, noWindow.Calls());
    }
    EXPECT_EQ(beginThenEnd, timerCalls);
}

}  // namespace
