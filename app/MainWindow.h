// The application shell: the process-wide handles, the main window's class,
// creation and procedure, and the menu's states and dialogs.
#pragma once

#include <windows.h>

extern HINSTANCE appInstance;
// The one main window; also the owner of the file dialogs and message boxes
// of the file commands and the music (null when there is none, in tests).
extern HWND mainWindow;
extern HMENU mainMenu;
extern char windowTitle[100];
extern char windowClassName[100];

ATOM RegisterMainWindowClass(HINSTANCE instance);
bool CreateMainWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The main window answers this registered message with the number of frames
// drawn since the game was set up, so a tester outside the process can watch
// the frame loop; answering it changes nothing. Registered with the class.
const char framesDrawnMessageName[] = "Brellix.FramesDrawn";

// Runs messages and frames until the quit message arrives; returns its exit code.
int RunFrameLoop(HACCEL accelerators);

// Puts the menu back to its normal state unless the game is in cheat mode.
void RefreshMenuState();

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK BackgroundEditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK VectorEditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
