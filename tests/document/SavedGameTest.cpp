#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "ImportStandIn.h"
#include "SavedGameFixture.h"
#include "TestSupport.h"

TEST_F(SavedGameFile, SaveWritesFourCrLfLinesWithCheatModeBeforeTheOpponent)
{
    SetMatch(3, 7, false, true);
    std::string path = folder + "match.sav";
    ASSERT_TRUE(match->Save(path.c_str()));
    EXPECT_EQ(std::string("\x33\x0D\x0A\x37\x0D\x0A\x30\x0D\x0A\x31\x0D\x0A", 12), ReadWholeFile(path));
    EXPECT_FALSE(match->modified);
    EXPECT_EQ(std::vector<std::string>{"match.sav"}, Entries(folder));
}

TEST_F(SavedGameFile, NegativeScoreIsWrittenWithAMinusSignAndReadBack)
{
    SetMatch(-2, 0, true, false);
    std::string path = folder + "negative.sav";
    ASSERT_TRUE(match->Save(path.c_str()));
    EXPECT_EQ("-2\r\n0\r\n1\r\n0\r\n", ReadWholeFile(path));

    PaddleGame* loaded = new PaddleGame();
    loaded->modified = true;
    EXPECT_TRUE(loaded->Load(path.c_str()));
    EXPECT_EQ(-2, loaded->leftScore);
    EXPECT_EQ(0, loaded->rightScore);
    EXPECT_TRUE(loaded->cheatMode);
    EXPECT_FALSE(loaded->computerOpponent);
    EXPECT_FALSE(loaded->modified);
    delete loaded;
}

TEST_F(SavedGameFile, SavingTwiceLeavesOneFileWithTheLatestMatch)
{
    std::string path = folder + "twice.sav";
    SetMatch(INT_MIN, INT_MAX, true, true);
    ASSERT_TRUE(match->Save(path.c_str()));
    SetMatch(12, 0, false, false);
    ASSERT_TRUE(match->Save(path.c_str()));
    // The second file is shorter: nothing of the first may remain after it.
    EXPECT_EQ("12\r\n0\r\n0\r\n0\r\n", ReadWholeFile(path));
    EXPECT_EQ(std::vector<std::string>{"twice.sav"}, Entries(folder));
}

TEST_F(SavedGameFile, BareNameIsSavedInTheCurrentDirectory)
{
    char startDirectory[pathBufferSize];
    GetCurrentDirectoryA(sizeof startDirectory, startDirectory);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    SetMatch(5, 6, false, true);
    bool saved = match->Save("bare.sav");
    SetCurrentDirectoryA(startDirectory);
    EXPECT_TRUE(saved);
    EXPECT_EQ("5\r\n6\r\n0\r\n1\r\n", ReadWholeFile(folder + "bare.sav"));
    EXPECT_EQ(std::vector<std::string>{"bare.sav"}, Entries(folder));
}

// The Save As dialog accepts paths of up to 259 characters; the temporary file
// must find room beside the shortest name the dialog makes, "a.sav".
TEST_F(SavedGameFile, PathOfTheLongestLengthSaves)
{
    const size_t longest = MAX_PATH - 1;
    std::string name = "a.sav";
    std::string deep = folder + std::string(longest - folder.size() - name.size() - 1, 'd');
    // The A functions stop short of MAX_PATH for folders; the W ones go further.
    std::wstring wideDeep = L"\\\\?\\" + std::wstring(deep.begin(), deep.end());
    ASSERT_TRUE(CreateDirectoryW(wideDeep.c_str(), nullptr));
    std::string path = deep + "\\" + name;
    ASSERT_EQ(longest, path.size());
    SetMatch(3, 7, false, true);
    EXPECT_TRUE(match->Save(path.c_str()));
    EXPECT_EQ("3\r\n7\r\n0\r\n1\r\n", ReadWholeFile(path));
    EXPECT_EQ(std::vector<std::string>{name}, Entries(deep + "\\"));
    EXPECT_FALSE(match->modified);
}

TEST_F(SavedGameFile, ReadOnlyTargetIsRefusedAndLeftWhole)
{
    std::string path = folder + "locked.sav";
    WriteWholeFile(path, "1\r\n2\r\n0\r\n1\r\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    readOnlyFile = path;
    SetMatch(8, 9, true, false);
    EXPECT_FALSE(match->Save(path.c_str()));
    EXPECT_TRUE(match->modified);
    EXPECT_EQ("1\r\n2\r\n0\r\n1\r\n", ReadWholeFile(path));
    EXPECT_EQ(std::vector<std::string>{"locked.sav"}, Entries(folder));
}

TEST_F(SavedGameFile, TargetHeldOpenByAnotherProgramIsLeftWholeWithNoTemporaryFile)
{
    std::string path = folder + "held.sav";
    WriteWholeFile(path, "1\r\n2\r\n0\r\n1\r\n");
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    SetMatch(8, 9, true, false);
    bool saved = match->Save(path.c_str());
    CloseHandle(held);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(match->modified);
    EXPECT_EQ("1\r\n2\r\n0\r\n1\r\n", ReadWholeFile(path));
    EXPECT_EQ(std::vector<std::string>{"held.sav"}, Entries(folder));
}

// The new file takes the old one's place: a target the player hid, or that
// the system marks as its own, stays so.
TEST_F(SavedGameFile, HiddenSystemTargetStaysHiddenAndSystem)
{
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    std::string path = folder + "hidden.sav";
    WriteWholeFile(path, "1\r\n2\r\n0\r\n1\r\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), kept));
    ASSERT_EQ(kept, GetFileAttributesA(path.c_str()) & kept);
    SetMatch(8, 9, true, false);
    EXPECT_TRUE(match->Save(path.c_str()));
    EXPECT_EQ("8\r\n9\r\n1\r\n0\r\n", ReadWholeFile(path));
    EXPECT_EQ(kept, GetFileAttributesA(path.c_str()) & kept);
    EXPECT_EQ(std::vector<std::string>{"hidden.sav"}, Entries(folder));
}

TEST_F(SavedGameFile, SaveIntoAMissingFolderFails)
{
    SetMatch(8, 9, true, false);
    EXPECT_FALSE(match->Save((folder + "missing\\match.sav").c_str()));
    EXPECT_TRUE(match->modified);
    EXPECT_TRUE(Entries(folder).empty());
}

TEST_F(SavedGameFile, SaveOntoAFolderFails)
{
    std::string path = folder + "taken.sav";
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    SetMatch(8, 9, true, false);
    {
        // Every call goes on to the platform; refused before any file is made.
        ImportStandIn create("kernel32.dll", "CreateFileA", &CreateFileA, INVALID_HANDLE_VALUE, ERROR_SUCCESS, 0);
        EXPECT_FALSE(match->Save(path.c_str()));
        EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
        EXPECT_EQ(0, create.Calls());
    }
    EXPECT_TRUE(match->modified);
    EXPECT_EQ(std::vector<std::string>{"taken.sav"}, Entries(folder));
}

TEST_F(SavedGameFile, LoadOfAMissingFileChangesNothing)
{
    SetUntouchedValues(*match);
    EXPECT_FALSE(match->Load((folder + "absent.sav").c_str()));
    ExpectUntouchedValues(*match);
}

TEST_F(SavedGameFile, LoadOfAFolderChangesNothing)
{
    std::string path = folder + "folder.sav";
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    SetUntouchedValues(*match);
    EXPECT_FALSE(match->Load(path.c_str()));
    ExpectUntouchedValues(*match);
}

TEST_F(SavedGameFile, LoadTouchesOnlyTheFourValuesAndTheMark)
{
    std::string path = folder + "match.sav";
    WriteWholeFile(path, "3\r\n7\r\n1\r\n0\r\n");
    match->winningScore = 10;
    match->ballVelX = -5;
    match->waveAmplitude = 6;
    lstrcpyA(match->filePath, "C:\\kept.sav");
    lstrcpyA(match->musicFile, "theme.wav");
    match->modified = true;
    ASSERT_TRUE(match->Load(path.c_str()));
    EXPECT_EQ(3, match->leftScore);
    EXPECT_EQ(7, match->rightScore);
    EXPECT_TRUE(match->cheatMode);
    EXPECT_FALSE(match->computerOpponent);
    EXPECT_FALSE(match->modified);
    EXPECT_EQ(10, match->winningScore);
    EXPECT_EQ(-5, match->ballVelX);
    EXPECT_EQ(6, match->waveAmplitude);
    EXPECT_STREQ("C:\\kept.sav", match->filePath);
    EXPECT_STREQ("theme.wav", match->musicFile);
}
