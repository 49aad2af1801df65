// Helpers the tests share: real windows of a chosen client size, a match in
// its own window, sparks set all alike, keys held for the frame step or in the
// keyboard state, answering and reading the message boxes and dialogs the code
// under test opens, menu states, saved-game files, temporary folders, and
// pixels read back.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "../game/PaddleGame.h"
#include "ClientSize.h"
#include "ImportStandIn.h"

// This test program's module: it carries the game's resources.
HINSTANCE Module();

// A shown top-level window whose client area is exactly width x height pixels.
// Destroy it with DestroyWindow.
HWND CreateTestWindow(int clientWidth, int clientHeight);

// Base of the fixtures that need a match of their own in a window of their own:
// Open makes both (the match all zero, InitGame not run); TearDown deletes the
// match and destroys the window.
class MatchInWindow : public ::testing::Test {
protected:
    void Open(int clientWidth, int clientHeight);
    void TearDown() override;

    HWND window = nullptr;
    PaddleGame* match = nullptr;
};

// Gives every pair of all three spark systems the same lead and trail.
void SetAllSparks(PaddleGame& match, const Spark& lead, const Spark& trail);

// Puts every spark out of sight, standing still, with a life no test outlasts,
// so a test sees only the sparks it sets up.
void ParkSparks(PaddleGame& match);


// While alive, the program's GetAsyncKeyState reports as held exactly the
// keys pressed with PressKey (the high bit, as the platform reports a key that
// is down; the low bit too once after each press, held or let go since, as
// Windows may) and puts the real function back when it goes. Keys sent with
// SendInput are let go by Wine whenever the X server tells it that a window
// of the program took the focus or the pointer, and it may tell so twice for
// one new window, the second time after a test has pressed its keys; so the
// frame step's rules are tested apart from the X server, and the end-to-end
// play tests press real keys.
class HeldKeys {
public:
    HeldKeys();

private:
    ImportSwap keyState;
};

// Holds a key down until it is released, as HeldKeys reports it.
void PressKey(WORD virtualKey);
void ReleaseKey(WORD virtualKey);

// Releases every key, so one test's keys never leak into the next.
void ReleaseAllKeys();

// Marks Ctrl and Alt held or released in this thread's keyboard state, which
// TranslateAccelerator reads; nothing is sent to any window.
void HoldModifiers(bool control, bool alt);

// While alive, answers every dialog window of this process whose title is
// `title` by calling `answer` with its handle (from another thread, while the
// code under test runs its modal loop), once the dialog has set itself up.
// Counts how many it answered, each before its answer can close it: once the
// code under test has returned from a dialog, the count holds it.
class DialogAnswerer {
public:
    DialogAnswerer(const std::string& title, std::function<void(HWND)> answer);
    ~DialogAnswerer();
    int Answered() const;
    std::string LastText() const;  // text of the last answered message box
    UINT LastStyle() const;        // its buttons and icon, by MessageStyle

private:
    struct State;
    State* state;
};

// While alive, ends a frame loop or modal loop of this thread that runs past
// 120 s by posting a quit with exit code 99, so a fault fails the test instead
// of hanging it. Only a guard: a busy machine may stretch a loop many times.
class LoopBound {
public:
    LoopBound();
    ~LoopBound();

private:
    HANDLE done;
    std::thread worker;
};

// Presses a dialog's or message box's button (IDYES, IDNO, IDCANCEL, IDOK)
// as Windows takes it: only a button it shows, or Cancel (the Escape key) on
// a dialog. A box without the button fails the case at once and its modal
// loop is ended, as by the loop bound.
std::function<void(HWND)> PressButton(int buttonId);

// Types a full path into a common file dialog's name box and presses Open/Save.
std::function<void(HWND)> ChooseFile(const std::string& path);

// The text a message box shows.
std::string MessageText(HWND box);
// The buttons and the icon a message box shows, as its MB_ style: MB_OK,
// MB_OKCANCEL, MB_YESNO or MB_YESNOCANCEL, with MB_ICONEXCLAMATION,
// MB_ICONHAND, MB_ICONQUESTION or MB_ICONASTERISK.
UINT MessageStyle(HWND box);

// The file-name box of a common file dialog; null for any other window, a
// message box included.
HWND FileNameBox(HWND dialog);

// A fresh, empty folder under the temporary folder; ends in a backslash.
std::string MakeTempFolder();

// A saved game as the game writes it: both scores, then the cheat and
// computer flags, one a line.
std::string SavedGameText(int leftScore, int rightScore, bool cheatMode, bool computerOpponent);

// Copies into `buffer` as many whole characters of the UTF-8 `text` as fit
// in `size` bytes, as Wine's conversions from UTF-16 cut a path too long for
// their buffer, and leaves the rest of the buffer as it was; returns the bytes
// copied.
size_t CopyWholeCharacters(const std::string& text, char* buffer, size_t size);

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& contents);
bool FileExists(const std::string& path);

// A menu item's state: "enabled", "grayed" or "disabled", with ",checked" for
// a marked item; "missing" when the menu has no such item.
std::string ItemState(HMENU menu, UINT id);

// The state of every command of the game's menu, by command.
using MenuStates = std::map<UINT, std::string>;
MenuStates ReadMenu(HMENU menu);
MenuStates NormalMenu();  // as at start: only Vector grayed, nothing checked
MenuStates CheatMenu();   // Vector enabled, Save and Save As grayed, Cheat Mode checked

// Pixels of a bitmap or of a window's client area, read in one go.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> colours;  // rows from the top
    // CLR_INVALID outside, as when the pixels could not be read at all.
    COLORREF At(int x, int y) const;
};

Pixels ReadBitmap(HBITMAP bitmap);
Pixels CaptureClient(HWND window);

// Expects `actual` to be the rectangle (left, top, right, bottom).
void ExpectRect(const RECT& actual, LONG left, LONG top, LONG right, LONG bottom);

// Handles every waiting message of this thread.
void PumpMessages();

// Polls `condition` until it holds or `timeoutMs` has passed; says whether it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
