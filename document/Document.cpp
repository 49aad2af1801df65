#include "Document.h"

#include <cstdio>

#include "../app/MainWindow.h"

namespace {

const char saveFilter[] = "Save Files (*.sav)\0*.sav\0";

// Tells the player, in a box owned by the main window, that the file `path`
// `problem` ("could not be saved"), with the system's own words for `error`
// when there is one (another program holds it, access is denied, the disk is
// full). Paths and the system's words are UTF-8, the program's code page.
void ReportFileProblem(const char* path, const char* problem, DWORD error)
{
    char reason[256] = "";
    DWORD length = 0;
    if (error != ERROR_SUCCESS) {
        length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                reason, sizeof reason, nullptr);
    }
    while (length > 0 && (reason[length - 1] == '\r' || reason[length - 1] == '\n' || reason[length - 1] == ' '))
        reason[--length] = '\0';
    char text[MAX_PATH + 400];
    if (length > 0) {
        snprintf(text, sizeof text, "\"%s\" %s: %s", path, problem, reason);
    } else {
        snprintf(text, sizeof text, "\"%s\" %s.", path, problem);
    }
    MessageBoxA(mainWindow, text, "Brellix", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

Document::Document()
    : filePath{}, fileDialog{}, modified(false)
{
}

Document::~Document()
{
}

bool Document::IsModified() const
{
    return modified;
}

void Document::PrepareFileDialog(char* file, const char* filter, const char* defaultExtension, DWORD flags)
{
    ZeroMemory(&fileDialog, sizeof fileDialog);
    fileDialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    // Owned by the main window, so the game stands still and no second file
    // command can refill this record while the dialog is open.
    fileDialog.hwndOwner = mainWindow;
    fileDialog.lpstrFilter = filter;
    fileDialog.nFilterIndex = 1;
    fileDialog.lpstrFile = file;
    fileDialog.nMaxFile = MAX_PATH;
    fileDialog.Flags = flags;
    fileDialog.lpstrDefExt = defaultExtension;
}

void Document::ReportFailedDialog(const char* caption)
{
    DWORD error = CommDlgExtendedError();
    if (error == 0) return;  // the player cancelled
    char text[200];
    if (error == FNERR_BUFFERTOOSMALL) {
        lstrcpyA(text, "The path of the chosen file is too long. Choose a file in a folder with a shorter path.");
    } else if (error == FNERR_INVALIDFILENAME) {
        lstrcpyA(text, "The chosen file name is not valid.");
    } else {
        snprintf(text, sizeof text, "The file dialog could not be shown (common dialog error 0x%04lX).", error);
    }
    MessageBoxA(mainWindow, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

bool Document::ConfirmDiscard(HWND window, const char* caption)
{
    if (!IsModified()) return true;
    int answer = MessageBoxA(window, "Do You want to save?", caption, MB_YESNOCANCEL);
    if (answer == IDYES) return FileSave();  // changes the player asked to keep are never dropped
    return answer == IDNO;
}

void Document::FileNew(HWND window)
{
    if (!ConfirmDiscard(window, "New")) return;
    Reset();
    filePath[0] = '\0';
    InvalidateRect(window, nullptr, TRUE);
}

void Document::FileOpen(HWND window)
{
    if (!ConfirmDiscard(window, "Open")) return;
    filePath[0] = '\0';
    PrepareFileDialog(filePath, saveFilter, "sav", OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    if (!GetOpenFileNameA(&fileDialog)) {
        filePath[0] = '\0';  // a dialog that failed may have left a length in the buffer
        ReportFailedDialog("Brellix");
        return;
    }
    // Held open while Load reads it, so a file that opens here cannot go away
    // before it is read: a load that fails after this is about the contents.
    HANDLE held = CreateFileA(filePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        ReportFileProblem(filePath, "could not be opened", GetLastError());
        filePath[0] = '\0';
    } else {
        // filePath keeps the full path, so a later Save goes back to this file
        // wherever the current directory has moved since.
        if (!Load(filePath)) {
            ReportFileProblem(filePath, "is not a saved game", ERROR_SUCCESS);
            filePath[0] = '\0';
        }
        CloseHandle(held);
    }
    InvalidateRect(window, nullptr, TRUE);
}

bool Document::FileSave()
{
    if (filePath[0] == '\0') return FileSaveAs();
    return SaveAndReport();
}

bool Document::FileSaveAs()
{
    // A dialog that fails for a name too long for the buffer writes the needed
    // length over the buffer's start, and a save that fails leaves the match
    // where it was: either way filePath gets its old path back, so Save goes
    // on to the file that really holds the match.
    char previousPath[MAX_PATH];
    lstrcpynA(previousPath, filePath, MAX_PATH);
    PrepareFileDialog(filePath, saveFilter, "sav", OFN_CREATEPROMPT | OFN_OVERWRITEPROMPT);
    if (!GetSaveFileNameA(&fileDialog)) {
        lstrcpynA(filePath, previousPath, MAX_PATH);
        ReportFailedDialog("Brellix");
        return false;
    }
    if (!SaveAndReport()) {
        lstrcpynA(filePath, previousPath, MAX_PATH);
        return false;
    }
    return true;
}

bool Document::SaveAndReport()
{
    if (Save(filePath)) return true;
    ReportFileProblem(filePath, "could not be saved", GetLastError());
    return false;
}
