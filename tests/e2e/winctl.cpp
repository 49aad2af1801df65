// winctl: looks at and handles the windows of another Win32 process from
// outside, for the end-to-end tests. Finds the game's window by class, reads
// titles, dialog controls and geometry, resizes, minimises and maximises.
// Menus of another process cannot be read under Wine, so there is no menu command.
//
// Usage: winctl COMMAND ARGS...   (window handles are printed and taken in hex)
//   find CLASS                 every visible top-level window of CLASS: "hwnd title"
//   title HWND                 the window's title
//   exists HWND                exit code 0 when the window exists, 1 otherwise
//   popups HWND                other visible top-level windows of HWND's process:
//                              "hwnd class|title" (dialogs, message boxes)
//   controls HWND              child windows: "hwnd id class|text|enabled visible"
//   rect HWND                  "window L T R B client L T R B" in screen pixels
//   state HWND                 "visible V iconic I zoomed Z"
//   setclient HWND W H         resizes the window so its client area is W x H
//   setwindow HWND W H         resizes the whole window (frame included) to W x H
//   show HWND min|restore|max  ShowWindow with that command
//   closebox HWND              screen point "x y" on the caption's close button
//   close HWND                 posts WM_CLOSE
//   click HWND ID              presses a dialog button by its identifier (BM_CLICK)
//   active                     the foreground window: "hwnd class|title" ("0 |" when none)
//   frames HWND                the number of frames the game's window has drawn
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../../app/MainWindow.h"
#include "../ClientSize.h"

namespace {

HWND ParseWindow(const char* text)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(strtoul(text, nullptr, 16)));
}

void PrintWindow(HWND window)
{
    printf("%lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
}

// How long the game's thread may take to answer a message: only a guard, far
// beyond what a busy machine needs (a window that never answers is hung).
const UINT answerMilliseconds = 60000;

// WM_GETTEXT crosses process boundaries (the text is copied back), which
// GetWindowText of an edit control in another process would not do on Windows.
std::string WindowText(HWND window)
{
    char text[1024] = "";
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, answerMilliseconds, &result);
    text[sizeof text - 1] = '\0';
    // Line ends would break the one-line-per-window output.
    for (char* c = text; *c; ++c)
        if (*c == '\r' || *c == '\n') *c = ' ';
    return text;
}

std::string ClassOf(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct FindRequest {
    const char* className;
    int found;
};

BOOL CALLBACK PrintIfClass(HWND window, LPARAM parameter)
{
    FindRequest* request = reinterpret_cast<FindRequest*>(parameter);
    if (IsWindowVisible(window) && ClassOf(window) == request->className) {
        PrintWindow(window);
        printf(" %s\n", WindowText(window).c_str());
        ++request->found;
    }
    return TRUE;
}

struct PopupRequest {
    HWND main;
    DWORD process;
};

BOOL CALLBACK PrintIfPopup(HWND window, LPARAM parameter)
{
    PopupRequest* request = reinterpret_cast<PopupRequest*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (window != request->main && process == request->process && IsWindowVisible(window)) {
        PrintWindow(window);
        printf(" %s|%s\n", ClassOf(window).c_str(), WindowText(window).c_str());
    }
    return TRUE;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM)
{
    PrintWindow(control);
    printf(" %d %s|%s|%d %d\n", GetDlgCtrlID(control), ClassOf(control).c_str(),
           WindowText(control).c_str(), IsWindowEnabled(control) ? 1 : 0,
           IsWindowVisible(control) ? 1 : 0);
    return TRUE;
}

// Walks the caption row from the right edge until the window itself says the
// point is its close button.
int FindCloseBox(HWND window)
{
    RECT outer;
    GetWindowRect(window, &outer);
    for (int y = outer.top + 1; y < outer.top + 40 && y < outer.bottom; ++y) {
        for (int x = outer.right - 1; x > outer.right - 80 && x > outer.left; --x) {
            DWORD_PTR hit = 0;
            SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, answerMilliseconds,
                                &hit);
            if (hit == HTCLOSE) {
                // Aim at the middle of the button rather than its first pixel.
                int right = x;
                int left = x;
                for (;;) {
                    DWORD_PTR next = 0;
                    SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(left - 1, y), SMTO_ABORTIFHUNG,
                                        answerMilliseconds, &next);
                    if (next != HTCLOSE || left - 1 <= outer.left) break;
                    --left;
                }
                printf("%d %d\n", (left + right) / 2, y + 6);
                return 0;
            }
        }
    }
    fprintf(stderr, "no close button found\n");
    return 1;
}

int Usage()
{
    fprintf(stderr, "usage: winctl find CLASS | active | title|exists|popups|controls|rect|state|closebox|close|"
                    "frames HWND | setclient|setwindow HWND W H | show HWND min|restore|max | "
                    "click HWND ID\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "active") {
        HWND window = GetForegroundWindow();
        PrintWindow(window);
        printf(" %s|%s\n", window ? ClassOf(window).c_str() : "", window ? WindowText(window).c_str() : "");
        return 0;
    }
    if (argc < 3) return Usage();
    std::string command = argv[1];
    if (command == "find") {
        FindRequest request = {argv[2], 0};
        EnumWindows(PrintIfClass, reinterpret_cast<LPARAM>(&request));
        return request.found > 0 ? 0 : 1;
    }

    HWND window = ParseWindow(argv[2]);
    if (command == "exists") return IsWindow(window) ? 0 : 1;
    if (!IsWindow(window)) {
        fprintf(stderr, "no such window\n");
        return 3;
    }
    if (command == "title") {
        printf("%s\n", WindowText(window).c_str());
    } else if (command == "popups") {
        PopupRequest request = {window, 0};
        GetWindowThreadProcessId(window, &request.process);
        EnumWindows(PrintIfPopup, reinterpret_cast<LPARAM>(&request));
    } else if (command == "controls") {
        EnumChildWindows(window, PrintControl, 0);
    } else if (command == "rect") {
        RECT outer;
        RECT client;
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        POINT origin = {0, 0};
        ClientToScreen(window, &origin);
        printf("window %ld %ld %ld %ld client %ld %ld %ld %ld\n", outer.left, outer.top, outer.right,
               outer.bottom, origin.x, origin.y, origin.x + client.right, origin.y + client.bottom);
    } else if (command == "state") {
        printf("visible %d iconic %d zoomed %d\n", IsWindowVisible(window) ? 1 : 0,
               IsIconic(window) ? 1 : 0, IsZoomed(window) ? 1 : 0);
    } else if (command == "setclient" && argc == 5) {
        // The caller waits for the size itself: the game's own thread resizes
        // its window, and may take a moment.
        SetClientSize(window, atoi(argv[3]), atoi(argv[4]));
        return 0;
    } else if (command == "setwindow" && argc == 5) {
        if (!SetWindowPos(window, nullptr, 0, 0, atoi(argv[3]), atoi(argv[4]),
                          SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)) {
            fprintf(stderr, "SetWindowPos failed: %lu\n", GetLastError());
            return 1;
        }
    } else if (command == "show" && argc == 4) {
        std::string how = argv[3];
        int show = how == "min" ? SW_MINIMIZE : how == "max" ? SW_MAXIMIZE : how == "restore" ? SW_RESTORE : -1;
        if (show < 0) return Usage();
        ShowWindowAsync(window, show);
    } else if (command == "closebox") {
        return FindCloseBox(window);
    } else if (command == "close") {
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else if (command == "click" && argc == 4) {
        HWND button = GetDlgItem(window, atoi(argv[3]));
        if (button == nullptr) return 3;
        PostMessageA(button, BM_CLICK, 0, 0);
    } else if (command == "frames") {
        // Answered between two frames; a game inside a modal loop answers too.
        DWORD_PTR frames = 0;
        if (!SendMessageTimeoutA(window, RegisterWindowMessageA(framesDrawnMessageName), 0, 0,
                                 SMTO_ABORTIFHUNG, answerMilliseconds, &frames)) {
            fprintf(stderr, "no answer: %lu\n", GetLastError());
            return 1;
        }
        printf("%lu\n", static_cast<unsigned long>(frames));
    } else {
        return Usage();
    }
    return 0;
}
