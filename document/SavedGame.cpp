#include "SavedGame.h"

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

// Makes a new, empty file under a short name of this program's own in `folder`
// (a full path ending in a backslash) and opens it for writing; the name goes
// to `temporary`. Names are "~" and a counter, the shortest that are still
// free, so that a target whose path takes nearly all of MAX_PATH has room
// beside it. INVALID_HANDLE_VALUE when no name fits or the folder refuses.
HANDLE CreateTemporaryFile(const char* folder, char (&temporary)[MAX_PATH])
{
    const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    const int attempts = 36 + 36 * 36;  // every name of one and two digits
    int folderLength = lstrlenA(folder);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        char name[4] = "~";
        if (attempt < 36) {
            name[1] = digits[attempt];
        } else {
            name[1] = digits[(attempt - 36) / 36];
            name[2] = digits[(attempt - 36) % 36];
        }
        if (folderLength + lstrlenA(name) >= MAX_PATH) return INVALID_HANDLE_VALUE;
        lstrcpyA(temporary, folder);
        lstrcatA(temporary, name);
        HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

// Writes the whole file under a temporary name in the target's folder, forces
// it to the disk, and only then puts it in the target's place: a failed save,
// or a power cut right after one, leaves the old file or the new one whole.
bool ReplaceFileContents(const char* path, const std::string& contents)
{
    char fullPath[MAX_PATH];
    char* namePart = nullptr;
    DWORD length = GetFullPathNameA(path, MAX_PATH, fullPath, &namePart);
    if (length == 0 || length >= MAX_PATH || namePart == nullptr) return false;
    // Moving a file onto a read-only one is allowed on some file systems, so a
    // target the player has protected is refused here rather than replaced.
    DWORD attributes = GetFileAttributesA(fullPath);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        return false;
    }

    char folder[MAX_PATH];
    lstrcpynA(folder, fullPath, static_cast<int>(namePart - fullPath) + 1);
    char temporary[MAX_PATH];
    HANDLE file = CreateTemporaryFile(folder, temporary);
    if (file == INVALID_HANDLE_VALUE) return false;

    DWORD written = 0;
    bool whole = WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
                 written == contents.size();
    // MOVEFILE_WRITE_THROUGH does not cover the file's own bytes: without the
    // flush a power cut after the move could leave the target empty.
    whole = whole && FlushFileBuffers(file);
    CloseHandle(file);
    if (!whole || !MoveFileExA(temporary, fullPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary);
        return false;
    }
    return true;
}

}  // namespace

bool PaddleGame::Save(const char* path)
{
    SavedGame match = {leftScore, rightScore, cheatMode, computerOpponent};
    if (!ReplaceFileContents(path, FormatSavedGame(match))) return false;
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
