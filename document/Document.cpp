#include "Document.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "../app/MainWindow.h"

namespace {

const wchar_t saveFilter[] = L"Save Files (*.sav)\0*.sav\0";
const char tooLongText[] = "The path of the chosen file is too long. Choose a file in a folder with a shorter path.";

// The chosen path in the program's code page, exactly: false when it holds a
// character the code page lacks, which a conversion with best fit would have
// turned into a look-alike (c for a c with a circumflex, a backslash for the
// yen sign in Japanese) or a question mark, naming another file.
bool ToCodePage(const wchar_t* wide, char (&chosen)[pathBufferSize])
{
    // UTF-8 holds every character but takes neither the best-fit flag nor
    // the default character's mark: there the conversion fails instead for
    // half of a surrogate pair, which a file name may hold and UTF-8 cannot.
    bool utf8 = GetACP() == CP_UTF8;
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, wide, -1, chosen,
                                     sizeof chosen, nullptr, utf8 ? nullptr : &usedDefault);
    return length > 0 && !usedDefault;
}

// Tells the player that the chosen file cannot be used, naming it as it was
// typed: a wide box, since an ANSI one cannot show the letters the code page
// lacks. The captions are the program's own words, in plain ASCII.
void RefuseName(const wchar_t* path, const char* caption)
{
    std::wstring text = L"\"" + std::wstring(path) +
                        L"\" cannot be used by this game on this system: its name has letters that the system cannot "
                        L"pass on to the game. Choose a file whose name and folders are written in the system's own "
                        L"letters.";
    std::wstring title(caption, caption + std::strlen(caption));
    MessageBoxW(mainWindow, text.c_str(), title.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

// Tells the player, in a box owned by the main window, that the file `path`
// `problem` ("could not be saved"), with the system's own words for `error`
// when there is one (another program holds it, access is denied, the disk is
// full). Paths and the system's words are in the program's code page; the
// text is made whole, so no name in it is ever cut.
void ReportFileProblem(const char* path, const char* problem, DWORD error)
{
    // The system's words in a buffer of their own length, however long.
    char* reason = nullptr;
    DWORD length = 0;
    if (error != ERROR_SUCCESS) {
        length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, reinterpret_cast<char*>(&reason), 0, nullptr);
    }
    // Cut between characters: no character of UTF-8 or of a double-byte code
    // page holds a byte below 0x40 after its first.
    while (length > 0 && (reason[length - 1] == '\r' || reason[length - 1] == '\n' || reason[length - 1] == ' '))
        --length;
    std::string text = "\"" + std::string(path) + "\" " + problem;
    text += length > 0 ? ": " + std::string(reason, length) : ".";
    LocalFree(reason);
    MessageBoxA(mainWindow, text.c_str(), "Brellix", MB_OK | MB_ICONEXCLAMATION);
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

bool Document::ChooseFile(bool save, char (&chosen)[pathBufferSize], const wchar_t* filter,
                          const wchar_t* defaultExtension, DWORD flags, const char* caption)
{
    // Asked in UTF-16, so the program converts the chosen path itself and can
    // tell when it does not convert exactly. Every path Windows accepts fits,
    // with its NUL. The name Save As offers came from a dialog, so it converts
    // exactly; should it not, nothing is offered.
    wchar_t wide[MAX_PATH] = L"";
    if (save && MultiByteToWideChar(CP_ACP, 0, chosen, -1, wide, MAX_PATH) == 0) wide[0] = L'\0';
    ZeroMemory(&fileDialog, sizeof fileDialog);
    fileDialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    // Owned by the main window, so the game stands still and no second file
    // command can refill this record while the dialog is open.
    fileDialog.hwndOwner = mainWindow;
    fileDialog.lpstrFilter = filter;
    fileDialog.nFilterIndex = 1;
    fileDialog.lpstrFile = wide;
    fileDialog.nMaxFile = MAX_PATH;
    fileDialog.Flags = flags;
    fileDialog.lpstrDefExt = defaultExtension;
    BOOL picked = save ? GetSaveFileNameW(&fileDialog) : GetOpenFileNameW(&fileDialog);

    const char* text = tooLongText;
    char failure[100];
    if (picked) {
        // A path with no NUL in the buffer is longer than any Windows accepts.
        // One with it fits `chosen` in any code page, at three bytes at most
        // a character, so it converts whole or not at all.
        if (std::wmemchr(wide, L'\0', MAX_PATH) != nullptr) {
            if (ToCodePage(wide, chosen)) return true;
            RefuseName(wide, caption);
            return false;
        }
    } else {
        DWORD error = CommDlgExtendedError();
        if (error == 0) return false;  // the player cancelled
        if (error == FNERR_INVALIDFILENAME) {
            text = "The chosen file name is not valid.";
        } else if (error != FNERR_BUFFERTOOSMALL) {
            snprintf(failure, sizeof failure, "The file dialog could not be shown (common dialog error 0x%04lX).",
                     error);
            text = failure;
        }
    }
    MessageBoxA(mainWindow, text, caption, MB_OK | MB_ICONEXCLAMATION);
    return false;
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
    char chosen[pathBufferSize] = "";
    if (!ChooseFile(false, chosen, saveFilter, L"sav", OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, "Brellix")) return;
    // Held open while Load reads it, so a file that opens here cannot go away
    // before it is read: a load that fails after this is about the contents.
    HANDLE held = CreateFileA(chosen, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        ReportFileProblem(chosen, "could not be opened", GetLastError());
    } else {
        // filePath keeps the full path, so a later Save goes back to this file
        // wherever the current directory has moved since.
        if (Load(chosen)) {
            std::memcpy(filePath, chosen, sizeof filePath);
        } else {
            ReportFileProblem(chosen, "is not a saved game", ERROR_SUCCESS);
        }
        CloseHandle(held);
    }
    InvalidateRect(window, nullptr, TRUE);
}

bool Document::FileSave()
{
    if (filePath[0] == '\0') return FileSaveAs();
    return SaveAndReport(filePath);
}

bool Document::FileSaveAs()
{
    // The dialog works on a copy: filePath changes only once the match is in
    // the chosen file, so after a Cancel, a failed dialog or a failed save,
    // Save goes on to the file that really holds the match.
    char chosen[pathBufferSize];
    std::memcpy(chosen, filePath, sizeof chosen);
    if (!ChooseFile(true, chosen, saveFilter, L"sav", OFN_CREATEPROMPT | OFN_OVERWRITEPROMPT, "Brellix")) return false;
    if (!SaveAndReport(chosen)) return false;
    std::memcpy(filePath, chosen, sizeof filePath);
    return true;
}

bool Document::SaveAndReport(const char* path)
{
    if (Save(path)) return true;
    ReportFileProblem(path, "could not be saved", GetLastError());
    return false;
}
