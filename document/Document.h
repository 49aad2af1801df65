// A match as a document: its file path, its unsaved-changes mark, the New,
// Open, Save and Save As commands that reach the game through Reset, Load and
// Save, and the file-dialog record that Open Wave File shares. Tells the
// player when a file could not be opened or saved, a file dialog failed, or
// the chosen name cannot be held by the program's code page.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "FilePaths.h"

class Document {
public:
    Document();
    virtual ~Document();
    virtual void Reset() = 0;
    // Both report whether the whole file was read or written; on failure they
    // change nothing. A Save that fails leaves the failing step's error as the
    // last error, for the report that names it.
    virtual bool Load(const char* path) = 0;
    virtual bool Save(const char* path) = 0;

    bool IsModified() const;
    void FileNew(HWND window);
    void FileOpen(HWND window);
    // Both report whether the match was written.
    bool FileSave();
    bool FileSaveAs();

    char filePath[pathBufferSize];  // current saved game, full path; empty: no file yet
    OPENFILENAMEW fileDialog;       // set up afresh before every file dialog of the game
    bool modified;                  // the match changed since it was last saved or loaded

protected:
    // Shows the Open dialog, or Save As when `save`, offering the name that
    // `chosen` holds. True when a file was chosen and `chosen` holds its whole
    // path in the program's code page. False after a Cancel, silently, and
    // after a dialog that failed, a path too long, or a name the code page
    // cannot hold exactly, each told to the player in a box titled `caption`
    // (plain ASCII); `chosen` is not to be used then.
    bool ChooseFile(bool save, char (&chosen)[pathBufferSize], const wchar_t* filter,
                    const wchar_t* defaultExtension, DWORD flags, const char* caption);

private:
    // Asks about unsaved changes; false when the command must stop.
    bool ConfirmDiscard(HWND window, const char* caption);
    // Saves to `path` and tells the player when that failed.
    bool SaveAndReport(const char* path);
};
