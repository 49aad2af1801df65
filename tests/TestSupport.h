// Helpers the tests share: real windows of a chosen client size, keys held
// through SendInput, answering the message boxes and dialogs the code under
// test opens, temporary folders, and pixels read back.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// A shown top-level window whose client area is exactly width x height pixels.
// Destroy it with DestroyWindow.
HWND CreateTestWindow(int clientWidth, int clientHeight);

// Resizes a window so its client area is width x height (0 x 0 is allowed).
void SetClientSize(HWND window, int clientWidth, int clientHeight);

// Holds a key down until it is released; GetAsyncKeyState sees it at once.
void PressKey(WORD virtualKey);
void ReleaseKey(WORD virtualKey);

// Releases every key the tests use, so one test's keys never leak into the next.
void ReleaseAllKeys();

// While alive, answers every dialog window of this process whose title is
// `title` by calling `answer` with its handle (from another thread, while the
// code under test runs its modal loop). Counts how many it answered.
class DialogAnswerer {
public:
    DialogAnswerer(const std::string& title, std::function<void(HWND)> answer);
    ~DialogAnswerer();
    int Answered() const;
    std::string LastText() const;  // text of the last answered message box

private:
    struct State;
    State* state;
};

// Presses a message box's button (IDYES, IDNO, IDCANCEL, IDOK).
std::function<void(HWND)> PressButton(int buttonId);

// Types a full path into a common file dialog's name box and presses Open/Save.
std::function<void(HWND)> ChooseFile(const std::string& path);

// A fresh, empty folder under the temporary folder; ends in a backslash.
std::string MakeTempFolder();

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& contents);
bool FileExists(const std::string& path);

// Handles every waiting message of this thread.
void PumpMessages();

// Polls `condition` until it holds or `timeoutMs` has passed; says whether it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
