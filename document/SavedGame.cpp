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

// Writes the whole file under a temporary name in the target's folder and only
// then puts it in the target's place, so a failed save leaves the old file whole.
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
    if (GetTempFileNameA(folder, "brx", 0, temporary) == 0) return false;

    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << contents;
    out.close();
    if (out.fail() ||
        !MoveFileExA(temporary, fullPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
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
