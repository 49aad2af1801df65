#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "../../app/MainWindow.h"
#include "../../app/resource.h"
#include "../../game/PaddleGame.h"
#include "TestSupport.h"

namespace {

// Takes the quit message if one is waiting; returns its exit code or -1.
int TakeQuit()
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return -1;
    return static_cast<int>(msg.wParam);
}

// A window of the game's own class, set up the way WinMain sets it up:
// strings loaded, class registered, menu fetched into mainMenu.
class MainWindow : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        LoadStringA(Module(), IDS_APP_TITLE, windowTitle, sizeof windowTitle);
        LoadStringA(Module(), IDS_WINDOW_CLASS, windowClassName, sizeof windowClassName);
        if (classAtom == 0) classAtom = RegisterMainWindowClass(Module());  // once per process
    }

    void SetUp() override
    {
        // The file dialogs of Open move the current directory; the game's data
        // files are found through it.
        GetCurrentDirectoryA(MAX_PATH, startDirectory);
        ASSERT_NE(0, classAtom);
        appInstance = Module();
        window = CreateWindowExA(0, windowClassName, windowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                 CW_USEDEFAULT, 0, nullptr, nullptr, Module(), nullptr);
        ASSERT_NE(nullptr, window);
        mainWindow = window;
        mainMenu = GetMenu(window);
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
        game.computerOpponent = true;
        game.cheatMode = false;
        game.modified = false;
        game.leftScore = 0;
        game.rightScore = 0;
        game.filePath[0] = '\0';
        PumpMessages();  // also drops a quit message left behind
    }

    void TearDown() override
    {
        if (IsWindow(window)) DestroyWindow(window);
        PumpMessages();
        mainWindow = nullptr;
        mainMenu = nullptr;
        SetCurrentDirectoryA(startDirectory);
    }

    LRESULT Command(WORD id, WORD source = 0)
    {
        return SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, source), 0);
    }

    // Sends a command that opens a modal window titled `title`, which
    // `answer` fills in and closes from another thread.
    void AnsweredCommand(WORD id, WORD source, const char* title, std::function<void(HWND)> answer)
    {
        DialogAnswerer answerer(title, answer);
        {
            LoopBound bound;
            EXPECT_EQ(0, Command(id, source));
        }
        EXPECT_TRUE(WaitUntil([&answerer] { return answerer.Answered() == 1; }, 5000)) << title;
    }

    static ATOM classAtom;
    HWND window = nullptr;
    char startDirectory[MAX_PATH] = "";
};

ATOM MainWindow::classAtom = 0;

TEST_F(MainWindow, ClassAndWindowAreSetUpFromTheResources)
{
    EXPECT_STREQ("Brellix", windowTitle);
    EXPECT_STREQ("BRELLIX", windowClassName);
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetClassInfoExA(Module(), "BRELLIX", &info));
    EXPECT_EQ(UINT(CS_HREDRAW | CS_VREDRAW), info.style);
    EXPECT_EQ(reinterpret_cast<void*>(MainWindowProc), reinterpret_cast<void*>(info.lpfnWndProc));
    EXPECT_EQ(0, info.cbClsExtra);
    EXPECT_EQ(0, info.cbWndExtra);
    EXPECT_NE(nullptr, info.hIcon);
    EXPECT_NE(nullptr, info.hIconSm);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), info.hCursor);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), info.hbrBackground);
    ASSERT_TRUE(IS_INTRESOURCE(info.lpszMenuName));
    EXPECT_EQ(IDR_MAIN, LOWORD(reinterpret_cast<ULONG_PTR>(info.lpszMenuName)));

    char title[100] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ("Brellix", title);
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    EXPECT_EQ(DWORD(WS_OVERLAPPEDWINDOW), style & WS_OVERLAPPEDWINDOW);
    ASSERT_NE(nullptr, mainMenu);
    EXPECT_EQ(3, GetMenuItemCount(mainMenu));
    EXPECT_EQ(NormalMenu(), ReadMenu(mainMenu));
}

// Painting validates the window; otherwise the frame loop would never find
// its queue empty.
TEST_F(MainWindow, PaintingValidatesTheWindow)
{
    InvalidateRect(window, nullptr, TRUE);
    ASSERT_TRUE(GetUpdateRect(window, nullptr, FALSE));
    EXPECT_EQ(0, SendMessageA(window, WM_PAINT, 0, 0));
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
}

TEST_F(MainWindow, TwoPlayerCommandFlipsFlagAndMark)
{
    EXPECT_EQ(0, Command(IDM_TWO_PLAYER));
    EXPECT_FALSE(game.computerOpponent);
    EXPECT_EQ("enabled,checked", ItemState(mainMenu, IDM_TWO_PLAYER));
    EXPECT_EQ(0, Command(IDM_TWO_PLAYER, 1));  // the accelerator's form
    EXPECT_TRUE(game.computerOpponent);
    EXPECT_EQ(NormalMenu(), ReadMenu(mainMenu));
}

TEST_F(MainWindow, CheatModeCommandSwitchesToCheatMenuOnce)
{
    game.modified = true;
    EXPECT_EQ(0, Command(IDM_CHEAT_MODE, 1));
    EXPECT_TRUE(game.cheatMode);
    EXPECT_FALSE(game.modified);
    EXPECT_EQ(CheatMenu(), ReadMenu(mainMenu));
    EXPECT_EQ(0, Command(IDM_CHEAT_MODE));
    EXPECT_EQ(CheatMenu(), ReadMenu(mainMenu));
}

TEST_F(MainWindow, UnknownCommandChangesNothing)
{
    game.modified = true;
    EXPECT_EQ(0, Command(40000));
    EXPECT_EQ(0, Command(0));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(game.computerOpponent);
    EXPECT_FALSE(game.cheatMode);
    EXPECT_TRUE(game.modified);
    EXPECT_EQ(NormalMenu(), ReadMenu(mainMenu));
    EXPECT_EQ(-1, TakeQuit());
}

// Exit and the close box end the program by destroying the window, without
// asking about the unsaved match.
TEST_F(MainWindow, ExitDestroysWindowAndPostsQuitZero)
{
    game.modified = true;
    EXPECT_EQ(0, Command(IDM_EXIT));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, TakeQuit());
    EXPECT_TRUE(game.modified);
}

TEST_F(MainWindow, CloseBoxDestroysWindowAndPostsQuitZero)
{
    game.modified = true;
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, TakeQuit());
}

TEST_F(MainWindow, QuitDestroysTheWindowOnceAndIsHarmlessAfterwards)
{
    game.Quit(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, TakeQuit());
    game.Quit(window);
    EXPECT_EQ(-1, TakeQuit());
}

// New resets the match, which leaves cheat mode, and the menu follows.
TEST_F(MainWindow, NewInCheatModeReturnsToNormalMenu)
{
    Command(IDM_TWO_PLAYER);
    Command(IDM_CHEAT_MODE);
    ASSERT_FALSE(game.modified);  // so New asks nothing
    EXPECT_EQ(0, Command(IDM_NEW, 1));
    EXPECT_FALSE(game.cheatMode);
    MenuStates expected = NormalMenu();
    expected[IDM_TWO_PLAYER] = "enabled,checked";  // Two Player is not part of the refresh
    EXPECT_EQ(expected, ReadMenu(mainMenu));
}

struct OpenRow {
    const char* name;
    bool startInCheatMode;
    bool chosen;          // a saved game is chosen; false: the dialog is cancelled
    bool fileCheatMode;   // the chosen file's flags
    bool fileComputerOpponent;
    bool cheatAfter;
    bool cheatMenuAfter;
    bool computerAfter;
};

void PrintTo(const OpenRow& row, std::ostream* out)
{
    *out << row.name;
}

class OpenCommand : public MainWindow, public testing::WithParamInterface<OpenRow> {};

// After Open the menu is refreshed from the cheat flag, whatever happened.
// The Two Player mark follows only the Two Player command, not a file.
TEST_P(OpenCommand, RefreshesMenuFromCheatFlag)
{
    const OpenRow& row = GetParam();
    if (row.startInCheatMode) Command(IDM_CHEAT_MODE);
    std::string path = MakeTempFolder() + "match.sav";
    if (row.chosen) WriteWholeFile(path, SavedGameText(1, 2, row.fileCheatMode, row.fileComputerOpponent));
    AnsweredCommand(IDM_OPEN, 0, "Open", row.chosen ? ChooseFile(path) : PressButton(IDCANCEL));
    EXPECT_EQ(row.cheatAfter, game.cheatMode);
    EXPECT_EQ(row.computerAfter, game.computerOpponent);
    EXPECT_EQ(row.cheatMenuAfter ? CheatMenu() : NormalMenu(), ReadMenu(mainMenu));
}

const OpenRow openRows[] = {
    {"CheatClearFromCheatMenu", true, true, false, true, false, false, true},
    {"CheatSetFromNormalMenu", false, true, true, true, true, false, true},
    {"CheatSetFromCheatMenu", true, true, true, true, true, true, true},
    {"CancelledInCheatMode", true, false, false, false, true, true, true},
    {"TwoPlayersLeaveTheTwoPlayerMark", false, true, false, false, false, false, false},
};

INSTANTIATE_TEST_SUITE_P(MainWindow, OpenCommand, testing::ValuesIn(openRows),
                         [](const testing::TestParamInfo<OpenRow>& row) { return std::string(row.param.name); });

// Each dialog command opens its own dialog, owned by the window.
TEST_F(MainWindow, DialogCommandsOpenTheirDialogs)
{
    game.waveLength = 16;
    game.ballVelX = -15;
    std::atomic<HWND> owner{nullptr};
    AnsweredCommand(IDM_BACKGROUND_WAVEFORM, 1, "Background Editor", [&owner](HWND dialog) {
        owner = GetWindow(dialog, GW_OWNER);
        SetDlgItemTextA(dialog, IDC_WAVELENGTH, "30");
        PressButton(IDOK)(dialog);
    });
    EXPECT_EQ(30, game.waveLength);
    EXPECT_EQ(window, owner.load());

    Command(IDM_CHEAT_MODE);
    AnsweredCommand(IDM_VECTOR, 0, "Vector Edit", [](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_X_VECTOR, "-5");
        PressButton(IDOK)(dialog);
    });
    EXPECT_EQ(-5, game.ballVelX);

    AnsweredCommand(IDM_ABOUT, 1, "About", PressButton(IDOK));
}

// ---------------------------------------------------------------------------
// The frame loop

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
// Ctrl+V does nothing while Vector is grayed.
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
    EXPECT_TRUE(WaitUntil([&winner] { return winner.Answered() == 1; }, 5000));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(1, game.frameCount);
    EXPECT_EQ((std::vector<int>{0}), recordedFrameCounts);  // handled before the first frame

    // WinMain's own Quit afterwards finds no window and posts nothing.
    game.Quit(mainWindow);
    EXPECT_EQ(-1, TakeQuit());
}

}  // namespace

// The game itself carries its manifest: it runs as the invoking user (so a save
// under Program Files is not silently redirected), names Windows 7 to 11, and
// leaves DPI awareness to the system's scaling.
TEST(Manifest, GameCarriesItsApplicationManifest)
{
    HMODULE exe = LoadLibraryExA("Brellix.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, exe) << "Brellix.exe in the working folder";
    HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    std::string manifest;
    if (found != nullptr) {
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(exe, found)));
        manifest.assign(bytes, SizeofResource(exe, found));
    }
    FreeLibrary(exe);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(std::string::npos, manifest.find("<requestedExecutionLevel level=\"asInvoker\""));
    for (const char* windows : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a",    // 7
                                "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",    // 8
                                "1f676c76-80e1-4239-95bb-83d0f6d0da78",    // 8.1
                                "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {  // 10 and 11
        EXPECT_NE(std::string::npos, manifest.find(std::string("<supportedOS Id=\"{") + windows + "}\"/>"))
            << windows;
    }
    EXPECT_EQ(std::string::npos, manifest.find("dpiAware"));  // also dpiAwareness
}
