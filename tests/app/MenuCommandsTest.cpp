#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "../../app/MainWindow.h"
#include "../../app/resource.h"
#include "../../game/PaddleGame.h"
#include "TestSupport.h"

namespace {

HMENU LoadMainMenu()
{
    return LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAIN));
}

// The real menu bar as mainMenu, and the global game's flags as at start.
class MenuCommands : public testing::Test {
protected:
    void SetUp() override
    {
        menu = LoadMainMenu();
        ASSERT_NE(nullptr, menu);
        mainMenu = menu;
        game.computerOpponent = true;
        game.cheatMode = false;
        game.modified = false;
    }

    void TearDown() override
    {
        mainMenu = nullptr;
        DestroyMenu(menu);
    }

    HMENU menu = nullptr;
};

TEST_F(MenuCommands, MenuStartsInNormalState)
{
    EXPECT_EQ(NormalMenu(), ReadMenu(menu));
}

TEST_F(MenuCommands, CheatModeSwitchesMenuToCheatStateAndClearsModified)
{
    game.modified = true;
    game.EnableCheatMode(menu, IDM_CHEAT_MODE);
    EXPECT_TRUE(game.cheatMode);
    EXPECT_FALSE(game.modified);
    EXPECT_TRUE(game.computerOpponent);
    EXPECT_EQ(CheatMenu(), ReadMenu(menu));
}

TEST_F(MenuCommands, CheatModeAgainChangesNothing)
{
    game.EnableCheatMode(menu, IDM_CHEAT_MODE);
    game.modified = true;  // not cleared a second time: the command does nothing more
    game.EnableCheatMode(menu, IDM_CHEAT_MODE);
    EXPECT_TRUE(game.cheatMode);
    EXPECT_TRUE(game.modified);
    EXPECT_EQ(CheatMenu(), ReadMenu(menu));
}

// The operations work on the menu they are given, whatever mainMenu holds.
TEST_F(MenuCommands, OperationsChangeOnlyTheMenuTheyAreGiven)
{
    HMENU other = LoadMainMenu();
    game.EnableCheatMode(other, IDM_CHEAT_MODE);
    game.ToggleTwoPlayer(other, IDM_TWO_PLAYER);
    MenuStates expected = CheatMenu();
    expected[IDM_TWO_PLAYER] = "enabled,checked";
    EXPECT_EQ(expected, ReadMenu(other));
    EXPECT_EQ(NormalMenu(), ReadMenu(menu));
    DestroyMenu(other);
}

TEST_F(MenuCommands, RefreshAfterLeavingCheatModeRestoresNormalMenu)
{
    game.EnableCheatMode(menu, IDM_CHEAT_MODE);
    game.ToggleTwoPlayer(menu, IDM_TWO_PLAYER);
    game.cheatMode = false;  // as New or Open of a match without cheat mode leave it
    RefreshMenuState();
    MenuStates expected = NormalMenu();
    expected[IDM_TWO_PLAYER] = "enabled,checked";  // not part of either menu state
    EXPECT_EQ(expected, ReadMenu(menu));
}

TEST_F(MenuCommands, RefreshInCheatModeLeavesMenuUntouched)
{
    // Opening a saved game in cheat mode from the normal menu: nothing changes.
    game.cheatMode = true;
    RefreshMenuState();
    EXPECT_EQ(NormalMenu(), ReadMenu(menu));

    // Nor from a mixed state the refresh would otherwise put right.
    EnableMenuItem(menu, IDM_SAVE, MF_BYCOMMAND | MF_GRAYED);
    CheckMenuItem(menu, IDM_CHEAT_MODE, MF_BYCOMMAND | MF_CHECKED);
    MenuStates before = ReadMenu(menu);
    RefreshMenuState();
    EXPECT_EQ(before, ReadMenu(menu));
}

TEST_F(MenuCommands, RefreshWorksOnMainMenu)
{
    HMENU other = LoadMainMenu();
    game.EnableCheatMode(other, IDM_CHEAT_MODE);
    game.EnableCheatMode(menu, IDM_CHEAT_MODE);
    game.cheatMode = false;
    RefreshMenuState();
    EXPECT_EQ(NormalMenu(), ReadMenu(menu));
    EXPECT_EQ(CheatMenu(), ReadMenu(other));
    DestroyMenu(other);
}

TEST_F(MenuCommands, TwoPlayerTwiceReturnsToComputerOpponent)
{
    game.ToggleTwoPlayer(menu, IDM_TWO_PLAYER);
    EXPECT_FALSE(game.computerOpponent);
    EXPECT_EQ("enabled,checked", ItemState(menu, IDM_TWO_PLAYER));

    game.ToggleTwoPlayer(menu, IDM_TWO_PLAYER);
    EXPECT_TRUE(game.computerOpponent);
    EXPECT_EQ(NormalMenu(), ReadMenu(menu));
    EXPECT_FALSE(game.cheatMode);
    EXPECT_FALSE(game.modified);
}

// A yes at the winner prompt resets the match, which clears cheat mode but
// leaves the menu in its cheat state until the next New or Open.
TEST_F(MenuCommands, ResetInCheatModeLeavesCheatMenuThenCheatModeGraysVector)
{
    game.EnableCheatMode(menu, IDM_CHEAT_MODE);
    static_cast<Document&>(game).Reset();
    EXPECT_FALSE(game.cheatMode);
    EXPECT_EQ(CheatMenu(), ReadMenu(menu));

    game.modified = true;
    game.EnableCheatMode(menu, IDM_CHEAT_MODE);
    EXPECT_TRUE(game.cheatMode);
    EXPECT_FALSE(game.modified);
    MenuStates expected = CheatMenu();
    expected[IDM_VECTOR] = "grayed";  // toggled from enabled
    EXPECT_EQ(expected, ReadMenu(menu));
}

// A loaded match sets computerOpponent but not the mark; the command follows the flag.
TEST_F(MenuCommands, TwoPlayerDecidesByFlagNotByMark)
{
    game.ToggleTwoPlayer(menu, IDM_TWO_PLAYER);  // mark checked, two players
    game.computerOpponent = true;                // the opened file says computer
    game.ToggleTwoPlayer(menu, IDM_TWO_PLAYER);
    EXPECT_FALSE(game.computerOpponent);
    EXPECT_EQ("enabled,checked", ItemState(menu, IDM_TWO_PLAYER));

    game.computerOpponent = false;               // mark unchecked below, file says two players
    CheckMenuItem(menu, IDM_TWO_PLAYER, MF_BYCOMMAND | MF_UNCHECKED);
    game.ToggleTwoPlayer(menu, IDM_TWO_PLAYER);
    EXPECT_TRUE(game.computerOpponent);
    EXPECT_EQ("enabled", ItemState(menu, IDM_TWO_PLAYER));
}

struct ToggleRow {
    const char* name;
    UINT before;       // EnableMenuItem flags given to the item first, or 0 to leave it
    UINT id;           // item toggled
    const char* after; // state of the toggled item afterwards
};

void PrintTo(const ToggleRow& row, std::ostream* out)
{
    *out << row.name;
}

class ToggleMenuItemEnabled : public MenuCommands, public testing::WithParamInterface<ToggleRow> {};

TEST_P(ToggleMenuItemEnabled, FlipsGrayedAndEnabled)
{
    const ToggleRow& row = GetParam();
    if (row.before != 0) EnableMenuItem(menu, row.id, MF_BYCOMMAND | row.before);
    MenuStates expected = ReadMenu(menu);
    game.ToggleMenuItemEnabled(menu, row.id);
    if (row.after != nullptr) expected[row.id] = row.after;
    EXPECT_EQ(expected, ReadMenu(menu));
}

const ToggleRow toggleRows[] = {
    {"EnabledBecomesGrayed", 0, IDM_SAVE, "grayed"},
    {"GrayedBecomesEnabled", MF_GRAYED, IDM_SAVE, "enabled"},
    {"GrayedAtStartBecomesEnabled", 0, IDM_VECTOR, "enabled"},
    {"DisabledBecomesEnabled", MF_DISABLED, IDM_SAVE, "enabled"},
    {"MissingItemChangesNothing", 0, 40000, nullptr},
};

INSTANTIATE_TEST_SUITE_P(MenuCommands, ToggleMenuItemEnabled, testing::ValuesIn(toggleRows),
                         [](const testing::TestParamInfo<ToggleRow>& row) { return std::string(row.param.name); });

// ---------------------------------------------------------------------------
// Accelerators against the real table, through the platform's translation.

const char recordingClass[] = "BrellixAcceleratorRecorder";
std::vector<WPARAM> receivedCommands;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        receivedCommands.push_back(wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window that only records its commands, with the real menu bar and the
// real accelerator table. Modifier keys are set in this thread's key state,
// which is what the translation reads.
class Accelerators : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.hInstance = Module();
        windowClass.lpszClassName = recordingClass;
        RegisterClassExA(&windowClass);
    }

    void SetUp() override
    {
        table = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(IDR_MAIN));
        ASSERT_NE(nullptr, table);
        window = CreateWindowExA(0, recordingClass, "Accelerators", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                 nullptr, LoadMainMenu(), Module(), nullptr);
        ASSERT_NE(nullptr, window);
        ShowWindow(window, SW_SHOWNORMAL);
        receivedCommands.clear();
    }

    void TearDown() override
    {
        HoldModifiers(false, false);
        DestroyWindow(window);  // destroys its menu too
        DestroyAcceleratorTable(table);
    }

    // Offers one keyboard message to the translation; returns what it returned.
    int Translate(UINT message, WPARAM key, LPARAM lParam = 1)
    {
        MSG msg = {};
        msg.hwnd = window;
        msg.message = message;
        msg.wParam = key;
        msg.lParam = lParam;
        return TranslateAcceleratorA(window, table, &msg);
    }

    HACCEL table = nullptr;
    HWND window = nullptr;
};

struct KeyRow {
    const char* name;
    UINT message;
    WPARAM key;
    LPARAM lParam;
    bool control;
    bool alt;
    UINT command;  // 0: no command
};

void PrintTo(const KeyRow& row, std::ostream* out)
{
    *out << row.name;
}

const LPARAM altContext = 0x20000001;  // repeat count 1, Alt held

class AcceleratorKeys : public Accelerators, public testing::WithParamInterface<KeyRow> {};

// Each keystroke sends its command once, marked as coming from an accelerator
// (high word 1); near misses send nothing. Vector is enabled first so that
// every command is reachable.
TEST_P(AcceleratorKeys, SendTheirCommand)
{
    const KeyRow& row = GetParam();
    EnableMenuItem(GetMenu(window), IDM_VECTOR, MF_BYCOMMAND | MF_ENABLED);
    HoldModifiers(row.control, row.alt);
    int translated = Translate(row.message, row.key, row.lParam);
    if (row.command == 0) {
        EXPECT_EQ(0, translated);
        EXPECT_TRUE(receivedCommands.empty());
    } else {
        EXPECT_NE(0, translated);
        ASSERT_EQ(1u, receivedCommands.size());
        EXPECT_EQ(MAKEWPARAM(row.command, 1), receivedCommands[0]);
    }
}

const KeyRow keyRows[] = {
    {"CtrlN", WM_KEYDOWN, 'N', 1, true, false, IDM_NEW},
    {"CtrlO", WM_KEYDOWN, 'O', 1, true, false, IDM_OPEN},
    {"CtrlW", WM_KEYDOWN, 'W', 1, true, false, IDM_OPEN_WAVE},
    {"CtrlS", WM_KEYDOWN, 'S', 1, true, false, IDM_SAVE},
    {"CtrlA", WM_KEYDOWN, 'A', 1, true, false, IDM_SAVE_AS},
    {"CtrlAltC", WM_SYSKEYDOWN, 'C', altContext, true, true, IDM_CHEAT_MODE},
    {"Ctrl2", WM_KEYDOWN, '2', 1, true, false, IDM_TWO_PLAYER},
    {"CtrlV", WM_KEYDOWN, 'V', 1, true, false, IDM_VECTOR},
    {"AltSlash", WM_SYSCHAR, '/', altContext, false, true, IDM_ABOUT},
    {"AltQuestionMark", WM_SYSCHAR, '?', altContext, false, true, IDM_ABOUT},
    {"CtrlX", WM_KEYDOWN, 'X', 1, true, false, IDM_EXIT},
    {"CtrlE", WM_KEYDOWN, 'E', 1, true, false, IDM_BACKGROUND_WAVEFORM},
    {"CWithoutAlt", WM_KEYDOWN, 'C', 1, true, false, 0},
    {"NWithoutCtrl", WM_KEYDOWN, 'N', 1, false, false, 0},
    {"CtrlAltN", WM_SYSKEYDOWN, 'N', altContext, true, true, 0},
    {"SlashWithoutAlt", WM_CHAR, '/', 1, false, false, 0},
    {"CtrlQ", WM_KEYDOWN, 'Q', 1, true, false, 0},
};

INSTANTIATE_TEST_SUITE_P(Accelerators, AcceleratorKeys, testing::ValuesIn(keyRows),
                         [](const testing::TestParamInfo<KeyRow>& row) { return std::string(row.param.name); });

// The platform sends no command for an accelerator whose menu item is
// grayed: Ctrl+V does nothing in the normal menu, Ctrl+S and Ctrl+A nothing
// in the cheat menu.
TEST_F(Accelerators, GrayedItemsKeystrokesSendNoCommand)
{
    HMENU windowMenu = GetMenu(window);
    HoldModifiers(true, false);
    Translate(WM_KEYDOWN, 'V');
    EXPECT_TRUE(receivedCommands.empty());

    game.cheatMode = false;
    game.EnableCheatMode(windowMenu, IDM_CHEAT_MODE);
    Translate(WM_KEYDOWN, 'S');
    Translate(WM_KEYDOWN, 'A');
    EXPECT_TRUE(receivedCommands.empty());

    Translate(WM_KEYDOWN, 'V');
    ASSERT_EQ(1u, receivedCommands.size());
    EXPECT_EQ(MAKEWPARAM(IDM_VECTOR, 1), receivedCommands[0]);
    game.cheatMode = false;
}

}  // namespace
