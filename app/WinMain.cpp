// Process entry: sets up the window and the game, runs the frame loop, shuts down.
#include "../game/PaddleGame.h"
#include "MainWindow.h"
#include "resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
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
