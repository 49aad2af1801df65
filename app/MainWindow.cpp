#include "MainWindow.h"

#include "../game/PaddleGame.h"
#include "resource.h"

HINSTANCE appInstance;
HWND mainWindow;
HMENU mainMenu;
char windowTitle[100];
char windowClassName[100];

namespace {

UINT framesDrawnMessage;  // 0 until the class is registered, and if registering it failed

void OpenDialog(HWND window, int templateId, DLGPROC procedure)
{
    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(templateId), window, procedure, 0);
}

}  // namespace

ATOM RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP_ICON));
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL_ICON));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    // A system colour stands for the class's brush as a number, as the API asks.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN);
    windowClass.lpszClassName = windowClassName;
    framesDrawnMessage = RegisterWindowMessageA(framesDrawnMessageName);
    return RegisterClassExA(&windowClass);
}

bool CreateMainWindow(HINSTANCE instance, int showCommand)
{
    appInstance = instance;
    mainWindow = CreateWindowExA(0, windowClassName, windowTitle, WS_OVERLAPPEDWINDOW,
                                 CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    if (mainWindow == nullptr) return false;
    game.StartDefaultMusic(mainWindow);
    mainMenu = GetMenu(mainWindow);
    ShowWindow(mainWindow, showCommand);
    UpdateWindow(mainWindow);
    return true;
}

int RunFrameLoop(HACCEL accelerators)
{
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) break;
            if (!TranslateAcceleratorA(msg.hwnd, accelerators, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else {
            game.StepFrame(mainWindow);
        }
    }
    return static_cast<int>(msg.wParam);
}

void PaddleGame::Quit(HWND window)
{
    StopMusic();
    DestroyWindow(window);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == framesDrawnMessage && framesDrawnMessage != 0) return game.frameCount;
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_NEW:                 game.FileNew(window); RefreshMenuState();                return 0;
        case IDM_OPEN:                game.FileOpen(window); RefreshMenuState();               return 0;
        case IDM_OPEN_WAVE:           game.FileOpenWave(window);                               return 0;
        case IDM_SAVE:                game.FileSave();                                         return 0;
        case IDM_SAVE_AS:             game.FileSaveAs();                                       return 0;
        case IDM_EXIT:                DestroyWindow(window);                                   return 0;
        case IDM_VECTOR:              OpenDialog(window, IDD_VECTOR_EDIT, VectorEditDialogProc); return 0;
        case IDM_TWO_PLAYER:          game.ToggleTwoPlayer(mainMenu, IDM_TWO_PLAYER);          return 0;
        case IDM_BACKGROUND_WAVEFORM: OpenDialog(window, IDD_BACKGROUND_EDITOR, BackgroundEditorDialogProc); return 0;
        case IDM_CHEAT_MODE:          game.EnableCheatMode(mainMenu, IDM_CHEAT_MODE);          return 0;
        case IDM_ABOUT:               OpenDialog(window, IDD_ABOUTBOX, AboutDialogProc);       return 0;
        }
        break;
    case WM_PAINT: {
        // Frames are drawn by the frame step, each copied whole to the
        // window; painting only validates the window.
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
