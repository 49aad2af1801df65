// The fixture of the main window's tests: a window of the game's own class,
// set up as WinMain sets it up, with the global game at a known start.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "../../app/MainWindow.h"
#include "../../app/resource.h"
#include "../../game/PaddleGame.h"
#include "TestSupport.h"

// Takes the quit message if one is waiting; returns its exit code or -1.
inline int TakeQuit()
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
        EXPECT_EQ(1, answerer.Answered()) << title;
    }

    // One registration for the whole program, whichever test file runs first.
    inline static ATOM classAtom = 0;
    HWND window = nullptr;
    char startDirectory[MAX_PATH] = "";
};
