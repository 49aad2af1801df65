// Saved game file: the text of a match's scores and mode flags, and the
// game's Save and Load (SavedGame.cpp), which put a file in place whole or not
// at all and read one back. Choosing the path belongs to the file commands.
#pragma once

#include <istream>
#include <string>

struct SavedGame {
    int leftScore;
    int rightScore;
    bool cheatMode;
    bool computerOpponent;
};

// The file's bytes: four lines ending in CR LF, cheat mode before the opponent flag.
std::string FormatSavedGame(const SavedGame& match);

// Reads the four values, skipping any white space between them and ignoring
// whatever follows the fourth. False, with `match` untouched, when any value is
// missing, not a 32-bit integer, or a flag other than 0 or 1.
bool ParseSavedGame(std::istream& in, SavedGame& match);
