// The tests' shared helpers (TestSupport.h), all but the answering of dialogs
// (DialogAnswering.cpp).
#include "TestSupport.h"

#include <gtest/gtest.h>

#include "../app/resource.h"
#include "ImportStandIn.h"
#include "WindowClass.h"

#include <fstream>
#include <sstream>

namespace {

const char testWindowClass[] = "BrellixTestWindow";

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool heldKeys[256];
bool pressedSinceRead[256];

// As Windows answers: the high bit while the key is down, and the low bit
// when it was pressed since the last call, held or not.
SHORT WINAPI HeldKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey >= 256) return 0;
    SHORT state = SHORT((heldKeys[virtualKey] ? 0x8000 : 0) | (pressedSinceRead[virtualKey] ? 1 : 0));
    pressedSinceRead[virtualKey] = false;
    return state;
}

}  // namespace

HINSTANCE Module()
{
    return GetModuleHandleA(nullptr);
}

HWND CreateTestWindow(int clientWidth, int clientHeight)
{
    static bool registered = false;
    if (!registered) {
        RegisterPlainWindowClass(testWindowClass, TestWindowProc, 0);
        registered = true;
    }
    HWND window = CreateWindowExA(0, testWindowClass, "Brellix test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetClientSize(window, clientWidth, clientHeight);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    PumpMessages();
    return window;
}

void MatchInWindow::Open(int clientWidth, int clientHeight)
{
    window = CreateTestWindow(clientWidth, clientHeight);
    match = new PaddleGame();
}

void MatchInWindow::TearDown()
{
    delete match;
    match = nullptr;
    if (window != nullptr && IsWindow(window)) DestroyWindow(window);
    PumpMessages();
}

void SetAllSparks(PaddleGame& match, const Spark& lead, const Spark& trail)
{
    for (SparkPair (*system)[sparksPerSystem] : {&match.ballSparks, &match.rightWallSparks, &match.leftWallSparks}) {
        for (SparkPair& pair : *system) {
            pair.lead = lead;
            pair.trail = trail;
        }
    }
}

void ParkSparks(PaddleGame& match)
{
    SetAllSparks(match, {0, -100, -100, 1000000}, {0, -100, -100, 1000000});
}

HeldKeys::HeldKeys() : keyState("user32.dll", "GetAsyncKeyState", &GetAsyncKeyState, &HeldKeyState) {}

void PressKey(WORD virtualKey)
{
    heldKeys[virtualKey & 0xFF] = true;
    pressedSinceRead[virtualKey & 0xFF] = true;
}

void ReleaseKey(WORD virtualKey)
{
    heldKeys[virtualKey & 0xFF] = false;
}

void ReleaseAllKeys()
{
    for (bool& held : heldKeys) held = false;
    for (bool& pressed : pressedSinceRead) pressed = false;
}

void HoldModifiers(bool control, bool alt)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_LCONTROL] = control ? 0x80 : 0;
    keys[VK_MENU] = keys[VK_LMENU] = alt ? 0x80 : 0;
    SetKeyboardState(keys);
}


std::string MakeTempFolder()
{
    static int counter = 0;
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (;;) {
        std::ostringstream name;
        name << base << "brellix-test-" << GetCurrentProcessId() << "-" << ++counter << "\\";
        if (CreateDirectoryA(name.str().c_str(), nullptr)) return name.str();
    }
}

std::string SavedGameText(int leftScore, int rightScore, bool cheatMode, bool computerOpponent)
{
    return std::to_string(leftScore) + "\r\n" + std::to_string(rightScore) + "\r\n" + (cheatMode ? "1" : "0") +
           "\r\n" + (computerOpponent ? "1" : "0") + "\r\n";
}

size_t CopyWholeCharacters(const std::string& text, char* buffer, size_t size)
{
    size_t end = 0;
    while (end < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[end]);
        size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (end + length > size) break;
        end += length;
    }
    CopyMemory(buffer, text.data(), end);
    return end;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void WriteWholeFile(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

std::string ItemState(HMENU menu, UINT id)
{
    UINT state = GetMenuState(menu, id, MF_BYCOMMAND);
    if (state == UINT(-1)) return "missing";
    std::string text = (state & MF_GRAYED) ? "grayed" : (state & MF_DISABLED) ? "disabled" : "enabled";
    if (state & MF_CHECKED) text += ",checked";
    return text;
}

namespace {

const UINT menuCommands[] = {
    IDM_NEW, IDM_OPEN, IDM_OPEN_WAVE, IDM_SAVE, IDM_SAVE_AS, IDM_EXIT,
    IDM_VECTOR, IDM_TWO_PLAYER, IDM_BACKGROUND_WAVEFORM, IDM_CHEAT_MODE, IDM_ABOUT,
};

}  // namespace

MenuStates ReadMenu(HMENU menu)
{
    MenuStates states;
    for (UINT id : menuCommands) states[id] = ItemState(menu, id);
    return states;
}

MenuStates NormalMenu()
{
    MenuStates states;
    for (UINT id : menuCommands) states[id] = "enabled";
    states[IDM_VECTOR] = "grayed";
    return states;
}

MenuStates CheatMenu()
{
    MenuStates states = NormalMenu();
    states[IDM_VECTOR] = "enabled";
    states[IDM_SAVE] = "grayed";
    states[IDM_SAVE_AS] = "grayed";
    states[IDM_CHEAT_MODE] = "enabled,checked";
    return states;
}

COLORREF Pixels::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    return colours[static_cast<size_t>(y) * width + x];
}

Pixels ReadBitmap(HBITMAP bitmap)
{
    BITMAP info = {};
    Pixels pixels;
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) return pixels;
    pixels.width = info.bmWidth;
    pixels.height = info.bmHeight;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -info.bmHeight;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> raw(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, info.bmHeight, raw.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    pixels.colours.reserve(raw.size());
    for (uint32_t value : raw)
        pixels.colours.push_back(RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF));
    return pixels;
}

Pixels CaptureClient(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    HDC windowDc = GetDC(window);
    HDC copyDc = CreateCompatibleDC(windowDc);
    HBITMAP copy = CreateCompatibleBitmap(windowDc, client.right, client.bottom);
    HGDIOBJ saved = SelectObject(copyDc, copy);
    BitBlt(copyDc, 0, 0, client.right, client.bottom, windowDc, 0, 0, SRCCOPY);
    SelectObject(copyDc, saved);
    Pixels pixels = ReadBitmap(copy);
    DeleteObject(copy);
    DeleteDC(copyDc);
    ReleaseDC(window, windowDc);
    return pixels;
}

void ExpectRect(const RECT& actual, LONG left, LONG top, LONG right, LONG bottom)
{
    EXPECT_EQ(left, actual.left);
    EXPECT_EQ(top, actual.top);
    EXPECT_EQ(right, actual.right);
    EXPECT_EQ(bottom, actual.bottom);
}
