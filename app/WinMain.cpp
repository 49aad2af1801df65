// Process entry: sets up the window and the game, runs the frame loop, shuts down.
#include <windows.h>
#include <mmsystem.h>

#include "../game/PaddleGame.h"
#include "MainWindow.h"
#include "resource.h"

namespace {

int RunGame(HINSTANCE instance, int showCommand)
{
    LoadStringA(instance, IDS_APP_TITLE, windowTitle, sizeof windowTitle);
    LoadStringA(instance, IDS_WINDOW_CLASS, windowClassName, sizeof windowClassName);
    RegisterMainWindowClass(instance);
    if (!CreateMainWindow(instance, showCommand)) return 0;

    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_MAIN));
    game.InitGame(mainWindow);
    int exitCode = RunFrameLoop(accelerators);
    game.Quit(mainWindow);
    game.ReleaseFrameCanvas();
    return exitCode;
}

}  // namespace

// windows.h declares WinMain with the Hungarian names of its day.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    // Frames are paced with Sleep and timed with timeGetTime. On Windows both
    // step with the system timer, about 15.6 ms unless this process asks for
    // 1 ms itself (another program's request no longer counts), which would
    // make frames last 16 or 31 ms instead of 16. Every way out of the game,
    // the winner prompt's No included, returns through here.
    timeBeginPeriod(1);
    int exitCode = RunGame(instance, showCommand);
    timeEndPeriod(1);
    return exitCode;
}
