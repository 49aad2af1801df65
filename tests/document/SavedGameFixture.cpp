#include "SavedGameFixture.h"

#include <sstream>

#include "TestSupport.h"

const SavedGame untouchedGame = {41, 42, true, false};

void SetUntouchedValues(PaddleGame& match)
{
    match.leftScore = untouchedGame.leftScore;
    match.rightScore = untouchedGame.rightScore;
    match.cheatMode = untouchedGame.cheatMode;
    match.computerOpponent = untouchedGame.computerOpponent;
    match.modified = true;
}

void ExpectUntouchedValues(const PaddleGame& match)
{
    ExpectSameGame(untouchedGame, ValuesOf(match));
    EXPECT_TRUE(match.modified);
}

SavedGame ValuesOf(const PaddleGame& match)
{
    return {match.leftScore, match.rightScore, match.cheatMode, match.computerOpponent};
}

void ExpectSameGame(const SavedGame& expected, const SavedGame& actual)
{
    EXPECT_EQ(expected.leftScore, actual.leftScore);
    EXPECT_EQ(expected.rightScore, actual.rightScore);
    EXPECT_EQ(expected.cheatMode, actual.cheatMode);
    EXPECT_EQ(expected.computerOpponent, actual.computerOpponent);
}

std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

void SavedGameFile::SetUp()
{
    folder = MakeTempFolder();
    match = new PaddleGame();
}

void SavedGameFile::TearDown()
{
    delete match;
    if (!readOnlyFile.empty()) SetFileAttributesA(readOnlyFile.c_str(), FILE_ATTRIBUTE_NORMAL);
}

void SavedGameFile::SetMatch(int left, int right, bool cheat, bool computer)
{
    match->leftScore = left;
    match->rightScore = right;
    match->cheatMode = cheat;
    match->computerOpponent = computer;
    match->modified = true;
}

void SavedGameFile::ExpectRead(const std::string& text, bool readable, const SavedGame& expected)
{
    std::istringstream in(text);
    SavedGame parsed = untouchedGame;
    EXPECT_EQ(readable, ParseSavedGame(in, parsed));
    ExpectSameGame(expected, parsed);

    std::string path = folder + "read.sav";
    WriteWholeFile(path, text);
    SetUntouchedValues(*match);
    EXPECT_EQ(readable, match->Load(path.c_str()));
    ExpectSameGame(expected, ValuesOf(*match));
    EXPECT_EQ(!readable, match->modified);
}
