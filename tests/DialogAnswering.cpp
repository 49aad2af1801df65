// Part of the tests' shared helpers (TestSupport.h): answering the dialogs and
// message boxes the code under test opens, from a thread of their own, and
// bounding the loops that wait for them.
#include "TestSupport.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>

struct DialogAnswerer::State {
    std::string title;
    std::function<void(HWND)> answer;
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    std::atomic<int> answered{0};
    mutable std::mutex mutex;
    std::string lastText;
    UINT lastStyle = 0;
    HWND lastAnswered = nullptr;
    std::thread worker;
};

namespace {

struct FindRequest {
    const std::string* title;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM lParam)
{
    FindRequest* request = reinterpret_cast<FindRequest*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    // The class first: it is read without a message, the title is not.
    char className[64];
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0) return TRUE;
    char title[256];
    GetWindowTextA(window, title, sizeof title);
    if (*request->title == title) {
        request->found = window;
        return FALSE;
    }
    return TRUE;
}

// A shown dialog has handled WM_INITDIALOG; it is ready for an answer once
// it is its thread's active window with the focus on one of its controls and
// its thread has gone back to its modal loop, where a message sent to it is
// answered (a thread answers sent messages only while it waits for messages).
bool IsSetUp(HWND dialog)
{
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread)) return false;
    if (thread.hwndActive != dialog || thread.hwndFocus == nullptr) return false;
    if (thread.hwndFocus != dialog && !IsChild(dialog, thread.hwndFocus)) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
}

}  // namespace

// The text of a message box is its static control with identifier 0xFFFF.
std::string MessageText(HWND box)
{
    char text[1024] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

UINT MessageStyle(HWND box)
{
    auto shows = [box](int id) { return GetDlgItem(box, id) != nullptr; };
    UINT style = shows(IDYES) ? (shows(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO) : shows(IDCANCEL) ? MB_OKCANCEL : MB_OK;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        LRESULT icon = SendMessageA(child, STM_GETICON, 0, 0);
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON || icon == 0) continue;
        for (auto known : {std::make_pair(IDI_EXCLAMATION, MB_ICONEXCLAMATION), std::make_pair(IDI_HAND, MB_ICONHAND),
                           std::make_pair(IDI_QUESTION, MB_ICONQUESTION), std::make_pair(IDI_ASTERISK, MB_ICONASTERISK)})
            if (reinterpret_cast<LRESULT>(LoadIconA(nullptr, known.first)) == icon) style |= known.second;
    }
    return style;
}

// The file-name box of the common dialogs is combo box 0x47C (cmb13) or, in
// older layouts, edit box 0x480 (edt1).
HWND FileNameBox(HWND dialog)
{
    HWND box = GetDlgItem(dialog, 0x47C);
    return box != nullptr ? box : GetDlgItem(dialog, 0x480);
}

DialogAnswerer::DialogAnswerer(const std::string& title, std::function<void(HWND)> answer)
    : state(new State)
{
    state->title = title;
    state->answer = answer;
    State* s = state;
    state->worker = std::thread([s] {
        while (!s->stop) {
            FindRequest request = {&s->title, nullptr};
            EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&request));
            HWND dialog = request.found;
            if (dialog != nullptr && dialog != s->lastAnswered) {
                // However long a busy machine takes; the wait ends early only
                // for a dialog that closed by itself, or at the end of the test.
                while (!IsSetUp(dialog) && IsWindow(dialog) && !s->stop) Sleep(10);
                if (!IsWindow(dialog) || s->stop) continue;
                {
                    std::lock_guard<std::mutex> lock(s->mutex);
                    s->lastText = MessageText(dialog);
                    s->lastStyle = MessageStyle(dialog);
                    s->lastAnswered = dialog;
                }
                // Counted before the answer can close it: once the code under
                // test has seen the dialog close, the count holds it.
                ++s->answered;
                s->answer(dialog);
            }
            Sleep(20);
        }
        s->finished = true;
    });
}

DialogAnswerer::~DialogAnswerer()
{
    state->stop = true;
    // Reading a window's title sends it a message, so the worker may be
    // waiting on this thread: handle the messages it sends until it ends,
    // leaving posted ones and repaints to the test.
    while (!state->finished) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
    }
    state->worker.join();
    delete state;
}

int DialogAnswerer::Answered() const
{
    return state->answered;
}

std::string DialogAnswerer::LastText() const
{
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->lastText;
}

UINT DialogAnswerer::LastStyle() const
{
    std::lock_guard<std::mutex> lock(state->mutex);
    return state->lastStyle;
}

LoopBound::LoopBound() : done(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    HANDLE event = done;
    DWORD loopThread = GetCurrentThreadId();
    worker = std::thread([event, loopThread] {
        if (WaitForSingleObject(event, 120000) == WAIT_TIMEOUT) PostThreadMessageA(loopThread, WM_QUIT, 99, 0);
    });
}

LoopBound::~LoopBound()
{
    SetEvent(done);
    worker.join();
    CloseHandle(done);
}

std::function<void(HWND)> PressButton(int buttonId)
{
    return [buttonId](HWND dialog) {
        HWND button = GetDlgItem(dialog, buttonId);
        bool escape = buttonId == IDCANCEL && GetDlgItem(dialog, 0xFFFF) == nullptr;  // not a message box
        if (button == nullptr && !escape) {
            // Windows would leave the box open for good: the case fails now,
            // and the box's modal loop ends as the loop bound would end it.
            ADD_FAILURE() << "the box \"" << MessageText(dialog) << "\" shows no button " << buttonId;
            PostThreadMessageA(GetWindowThreadProcessId(dialog, nullptr), WM_QUIT, 99, 0);
            return;
        }
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    };
}

std::function<void(HWND)> ChooseFile(const std::string& path)
{
    return [path](HWND dialog) {
        SendMessageA(FileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    };
}
