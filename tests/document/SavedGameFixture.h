// The saved-game tests share: a match and a fresh folder for its files, the
// values no row of their tables produces, and a look at what a folder holds.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../document/SavedGame.h"
#include "../../game/PaddleGame.h"

// Values no row of the tables produces, so a field that a failed load
// overwrote shows at once.
extern const SavedGame untouchedGame;
void SetUntouchedValues(PaddleGame& match);
void ExpectUntouchedValues(const PaddleGame& match);  // the mark stays set too

// The four values a saved game holds, taken from a match.
SavedGame ValuesOf(const PaddleGame& match);
void ExpectSameGame(const SavedGame& expected, const SavedGame& actual);

// Names of the files and folders in `folder`, so a save that left its
// temporary file behind shows.
std::vector<std::string> Entries(const std::string& folder);

class SavedGameFile : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void SetMatch(int left, int right, bool cheat, bool computer);

    // Reads `text` straight and as a file through Load, each time over the
    // untouched values: a readable text gives `expected` and clears the mark;
    // any other changes nothing.
    void ExpectRead(const std::string& text, bool readable, const SavedGame& expected);

    std::string folder;
    PaddleGame* match = nullptr;
    std::string readOnlyFile;
};
