// Menu states: the Two Player and Cheat Mode switches and the menu refresh after
// New and Open. The menu keeps the marks; the game keeps the flags.
#include "../game/PaddleGame.h"
#include "MainWindow.h"
#include "resource.h"

void RefreshMenuState()
{
    if (game.cheatMode) return;
    CheckMenuItem(mainMenu, IDM_CHEAT_MODE, MF_BYCOMMAND | MF_UNCHECKED);
    EnableMenuItem(mainMenu, IDM_VECTOR, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(mainMenu, IDM_SAVE, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(mainMenu, IDM_SAVE_AS, MF_BYCOMMAND | MF_ENABLED);
}

void PaddleGame::ToggleTwoPlayer(HMENU menu, UINT id)
{
    // Decided by the flag, not the mark: a loaded game may have changed the flag.
    if (computerOpponent) {
        CheckMenuItem(menu, id, MF_BYCOMMAND | MF_CHECKED);
        computerOpponent = false;
    } else {
        CheckMenuItem(menu, id, MF_BYCOMMAND | MF_UNCHECKED);
        computerOpponent = true;
    }
}

void PaddleGame::EnableCheatMode(HMENU menu, UINT id)
{
    if (cheatMode) return;
    CheckMenuItem(menu, id, MF_BYCOMMAND | MF_CHECKED);
    cheatMode = true;
    // Points no longer mark the match as changed, so nothing is left to save.
    modified = false;
    ToggleMenuItemEnabled(menu, IDM_VECTOR);
    EnableMenuItem(menu, IDM_SAVE, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(menu, IDM_SAVE_AS, MF_BYCOMMAND | MF_GRAYED);
}

void PaddleGame::ToggleMenuItemEnabled(HMENU menu, UINT id)
{
    DWORD previous = EnableMenuItem(menu, id, MF_BYCOMMAND | MF_GRAYED);
    if (previous != 0) EnableMenuItem(menu, id, MF_BYCOMMAND | MF_ENABLED);
}
