#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>

#include "MainWindowFixture.h"

namespace {

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

// Save As asks where even when the match has a file, and the match goes
// there; the file it had stays as it was.
TEST_F(MainWindow, SaveAsCommandSavesElsewhereThoughTheMatchHasAFile)
{
    std::string folder = MakeTempFolder();
    lstrcpyA(game.filePath, (folder + "first.sav").c_str());
    game.leftScore = 3;
    game.modified = true;
    AnsweredCommand(IDM_SAVE_AS, 1, "Save As", ChooseFile(folder + "second.sav"));
    EXPECT_EQ(SavedGameText(3, 0, false, true), ReadWholeFile(folder + "second.sav"));
    EXPECT_FALSE(FileExists(folder + "first.sav"));
    EXPECT_EQ(folder + "second.sav", game.filePath);
    EXPECT_FALSE(game.modified);
}

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

}  // namespace
