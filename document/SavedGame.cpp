#include "SavedGame.h"

#include <cstdio>
#include <fstream>
#include <locale>
#include <sstream>

#include "../game/PaddleGame.h"

std::string FormatSavedGame(const SavedGame& match)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << match.leftScore << "\r\n" << match.rightScore << "\r\n"
        << match.cheatMode << "\r\n" << match.computerOpponent << "\r\n";
    return out.str();
}

bool ParseSavedGame(std::istream& in, SavedGame& match)
{
    in.imbue(std::locale::classic());
    SavedGame read = {};
    in >> read.leftScore >> read.rightScore >> read.cheatMode >> read.computerOpponent;
    if (in.fail()) return false;
    match = read;
    return true;
}

namespace {

// Another program holding a file for a moment (a virus scanner or the search
// indexer opens a file right after it is written) makes a rename or a delete
// fail with one of these.
bool HeldForAMoment(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Runs `step` until it works, trying again while the file is held for a
// moment: five more times, 100 ms apart, about half a second in all. The last
// error is the last try's.
template <typename Step>
bool TryWhileHeld(Step step)
{
    const int retries = 5;
    const DWORD pauseMs = 100;
    for (int retry = 0;; ++retry) {
        if (step()) return true;
        if (retry == retries || !HeldForAMoment(GetLastError())) return false;
        Sleep(pauseMs);
    }
}

// Makes a new, empty file in `folder` (a full path ending in a backslash)
// under a short name that no file there has, and opens it for writing; the
// name goes to `temporary`. Names are "~" and a counter, the shortest that are
// still free, so that a target whose path takes nearly all the 259 characters
// Windows allows has room beside it. Any program may use such a name:
// CREATE_NEW makes the file only where no file of that name exists, so a file
// already there, whoever made it, is never opened or written, and the next
// name is tried. A name whose delete is still pending answers access denied,
// so the search goes on past it; a folder that denies 16 names in a row is
// given up. INVALID_HANDLE_VALUE, with the last error, when no name fits or
// the folder refuses.
HANDLE CreateTemporaryFile(const char* folder, DWORD attributes, char (&temporary)[pathBufferSize])
{
    const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    const int attempts = 36 + 36 * 36;  // every name of one and two digits
    const int deniedInARow = 16;
    int denied = 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        char name[4] = "~";
        if (attempt < 36) {
            name[1] = digits[attempt];
        } else {
            name[1] = digits[(attempt - 36) / 36];
            name[2] = digits[(attempt - 36) % 36];
        }
        int length = snprintf(temporary, sizeof temporary, "%s%s", folder, name);
        if (length < 0 || length >= static_cast<int>(sizeof temporary)) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return INVALID_HANDLE_VALUE;
        }
        HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED && ++denied < deniedInARow) continue;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
        denied = 0;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// Writes the whole file under a temporary name in the target's folder, forces
// it to the disk, and only then moves it into the target's place (a rename,
// not the platform's ReplaceFile): a failed save, or a power cut right after
// one, leaves the old file or the new one whole. False, with the last error
// of the step that failed, when the target was not written; the temporary
// file is deleted then (tried again while it is held for a moment), and one
// that still cannot be deleted is left behind.
//
// A game killed in the middle of a save (ended from the task manager, or the
// power gone before the move) can leave its temporary file, "~" and one or
// two letters or digits, beside the target. The temporary file is made with
// the old file's hidden and system marks, so the new file keeps them and a
// file left behind has them too. Nothing else of the old file is copied: not
// its owner, creation time, own access rights, compression or encryption (the
// temporary file is made with what any new file in that folder gets), nor its
// alternate data streams or the other names of a hard link. A symbolic link
// in the target's place is itself replaced by a plain file, and the file it
// pointed to keeps the old match.
bool WriteThenMoveIntoPlace(const char* path, const std::string& contents)
{
    char fullPath[pathBufferSize];
    DWORD length = GetFullPathNameA(path, sizeof fullPath, fullPath, nullptr);
    if (length == 0) return false;
    // The name part is found from the full path itself; a path ending in a
    // backslash names no file.
    const char* namePart = NamePart(fullPath);
    if (length >= sizeof fullPath || *namePart == '\0') {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    // Windows refuses to move a file onto a read-only one, Wine run as root
    // replaces it: a target the player has protected, or a folder of the
    // target's name, is refused here, alike everywhere, with access denied.
    DWORD attributes = GetFileAttributesA(fullPath);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // The new file takes the old one's place, so it is made with the marks a
    // player or the system gave the old one.
    DWORD kept = attributes == INVALID_FILE_ATTRIBUTES
                     ? 0
                     : attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    std::string folder(fullPath, namePart - fullPath);
    char temporary[pathBufferSize];
    HANDLE file = CreateTemporaryFile(folder.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL, temporary);
    if (file == INVALID_HANDLE_VALUE) return false;

    DWORD written = 0;
    bool whole = WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) != FALSE;
    if (whole && written != contents.size()) {
        SetLastError(ERROR_DISK_FULL);
        whole = false;
    }
    // MOVEFILE_WRITE_THROUGH does not cover the file's own bytes: without the
    // flush a power cut after the move could leave the target empty. A drive
    // that cannot flush (ERROR_INVALID_FUNCTION) has nothing waiting to flush.
    if (whole && !FlushFileBuffers(file) && GetLastError() != ERROR_INVALID_FUNCTION) whole = false;
    DWORD error = GetLastError();
    CloseHandle(file);
    if (whole) {
        whole = TryWhileHeld([&] {
            return MoveFileExA(temporary, fullPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        });
        error = GetLastError();
    }
    if (!whole) {
        TryWhileHeld([&] { return DeleteFileA(temporary) != FALSE; });
        SetLastError(error);
    }
    return whole;
}

}  // namespace

bool PaddleGame::Save(const char* path)
{
    SavedGame match = {leftScore, rightScore, cheatMode, computerOpponent};
    if (!WriteThenMoveIntoPlace(path, FormatSavedGame(match))) return false;
    modified = false;
    return true;
}

bool PaddleGame::Load(const char* path)
{
    std::ifstream fin(path);
    SavedGame match;
    if (!fin.is_open() || !ParseSavedGame(fin, match)) return false;
    fin.close();
    leftScore = match.leftScore;
    rightScore = match.rightScore;
    cheatMode = match.cheatMode;
    computerOpponent = match.computerOpponent;
    modified = false;
    return true;
}
