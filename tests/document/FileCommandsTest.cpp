#include <gtest/gtest.h>

#include <string>

#include "FileCommandsFixture.h"

TEST_F(FileCommands, SaveAfterOpenWritesBackToTheOpenedFileWhereverTheDirectoryMoves)
{
    std::string games = folder + "games\\";
    std::string elsewhere = folder + "elsewhere\\";
    ASSERT_TRUE(CreateDirectoryA(games.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
    std::string opened = games + "match.sav";
    WriteWholeFile(opened, SavedGameText(1, 2, false, true));

    Plan plan;
    plan.openFile = opened;
    Seen seen;
    {
        Player player(plan, seen);
        match->FileOpen(window);
        EXPECT_EQ(opened, match->filePath);
        ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.c_str()));
        match->leftScore = 5;
        match->modified = true;
        EXPECT_TRUE(match->FileSave());
    }

    EXPECT_EQ(1, seen.openDialogs);
    EXPECT_EQ(0, seen.saveAsDialogs);
    EXPECT_EQ(SavedGameText(5, 2, false, true), ReadWholeFile(opened));
    EXPECT_FALSE(FileExists(elsewhere + "match.sav"));
    EXPECT_FALSE(match->modified);
}

TEST_F(FileCommands, CancelledOpenEmptiesThePathAndKeepsTheMatch)
{
    PlayAMatch(true);
    SetFilePath(folder + "current.sav");
    ValidateRect(window, nullptr);

    Plan plan;
    plan.prompt = IDNO;
    Seen seen = RunCommand("Open", plan);

    EXPECT_EQ(1, seen.openDialogs);
    EXPECT_EQ(0, seen.problems) << seen.problemText;
    EXPECT_STREQ("", match->filePath);
    ExpectMatchInPlay();
    EXPECT_TRUE(match->modified);
    ExpectRepainting(false);
}

// A file that opens but holds no saved game, and one that another program
// holds so it cannot be opened at all: each is told for what it is.
class FileCommandsBadOpen : public FileCommands, public ::testing::WithParamInterface<bool> {};

TEST_P(FileCommandsBadOpen, SaysWhatWentWrongAndChangesNothing)
{
    bool held = GetParam();
    std::string bad = folder + "bad.sav";
    WriteWholeFile(bad, held ? SavedGameText(1, 2, false, true) : "3\r\nabc\r\n0\r\n1\r\n");
    HANDLE holder = INVALID_HANDLE_VALUE;
    if (held) {
        holder = CreateFileA(bad.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    }
    PlayAMatch(true);

    Plan plan;
    plan.prompt = IDNO;
    plan.openFile = bad;
    Seen seen = RunCommand("Open", plan);
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);

    EXPECT_EQ(1, seen.problems);
    EXPECT_NE(std::string::npos, seen.problemText.find(bad)) << seen.problemText;
    EXPECT_EQ(held, seen.problemText.find("could not be opened") != std::string::npos) << seen.problemText;
    EXPECT_EQ(!held, seen.problemText == "\"" + bad + "\" is not a saved game.") << seen.problemText;
    EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), seen.problemStyle);
    EXPECT_EQ(window, seen.problemOwner);
    ExpectMatchInPlay();
    EXPECT_TRUE(match->modified);
    EXPECT_STREQ("", match->filePath);
}

INSTANTIATE_TEST_SUITE_P(Files, FileCommandsBadOpen, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& row) {
                             return std::string(row.param ? "HeldByAnotherProgram" : "NotASavedGame");
                         });

TEST_F(FileCommands, SaveAsAddsTheDefaultExtensionAndASaveAfterItNeedsNoDialog)
{
    PlayAMatch(true);
    Plan plan;
    plan.saveAsFile = folder + "match";
    Seen seen;
    bool savedAs = false;
    bool savedAgain = false;
    {
        Player player(plan, seen);
        savedAs = match->FileSaveAs();
        match->leftScore = 7;
        match->modified = true;
        savedAgain = match->FileSave();
    }

    EXPECT_TRUE(savedAs);
    EXPECT_TRUE(savedAgain);
    EXPECT_EQ(1, seen.saveAsDialogs);
    EXPECT_EQ(window, seen.dialogOwner);
    EXPECT_EQ(0, seen.replaceQuestions);
    EXPECT_EQ(folder + "match.sav", match->filePath);
    EXPECT_EQ(SavedGameText(7, 6, true, false), ReadWholeFile(folder + "match.sav"));
    EXPECT_FALSE(match->modified);
}

TEST_F(FileCommands, SaveWithoutAFileShowsSaveAs)
{
    PlayAMatch(true);
    Plan plan;
    plan.saveAsFile = folder + "first.sav";
    Seen seen;
    {
        Player player(plan, seen);
        EXPECT_TRUE(match->FileSave());
    }
    EXPECT_EQ(1, seen.saveAsDialogs);
    EXPECT_EQ(matchInPlayFile, ReadWholeFile(folder + "first.sav"));
    EXPECT_EQ(folder + "first.sav", match->filePath);
    EXPECT_FALSE(match->modified);
}

TEST_F(FileCommands, CancelledSaveAsChangesNothing)
{
    PlayAMatch(true);
    SetFilePath(folder + "kept.sav");
    Seen seen;
    bool saved = true;
    {
        Player player(Plan(), seen);
        saved = match->FileSaveAs();
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(1, seen.saveAsDialogs);
    EXPECT_EQ(0, seen.problems) << seen.problemText;
    EXPECT_EQ(folder + "kept.sav", match->filePath);
    EXPECT_TRUE(match->modified);
    EXPECT_FALSE(FileExists(folder + "kept.sav"));
}

// Save As onto a file that exists asks before replacing it.
class FileCommandsReplace : public FileCommands, public ::testing::WithParamInterface<int> {};

TEST_P(FileCommandsReplace, SaveAsOntoAnExistingFileAsksFirst)
{
    bool replace = GetParam() == IDYES;
    std::string existing = folder + "existing.sav";
    WriteWholeFile(existing, SavedGameText(9, 9, false, false));
    PlayAMatch(true);
    Plan plan;
    plan.saveAsFile = existing;
    plan.replace = GetParam();
    Seen seen;
    bool saved = !replace;
    {
        Player player(plan, seen);
        saved = match->FileSaveAs();
    }
    EXPECT_EQ(1, seen.replaceQuestions);
    EXPECT_EQ(replace, saved);
    EXPECT_EQ(replace ? matchInPlayFile : SavedGameText(9, 9, false, false), ReadWholeFile(existing));
    EXPECT_EQ(replace ? existing : "", match->filePath);
    EXPECT_EQ(!replace, match->modified);
}

INSTANTIATE_TEST_SUITE_P(Answers, FileCommandsReplace, ::testing::Values(IDYES, IDNO),
                         [](const ::testing::TestParamInfo<int>& row) {
                             return std::string(row.param == IDYES ? "Yes" : "No");
                         });

// A save that fails keeps the old file and the mark, and says so. A Save As
// that fails gives the match back its old path, so Save goes on to the file
// that really holds it.
struct FailedSaveRow {
    const char* name;
    bool readOnly;  // true: a read-only file; false: a folder that does not exist
    bool saveAs;    // chosen in Save As rather than saved to filePath
};

class FileCommandsFailedSave : public FileCommands, public ::testing::WithParamInterface<FailedSaveRow> {};

TEST_P(FileCommandsFailedSave, KeepsTheOldFileAndTheMarkAndSaysSo)
{
    const FailedSaveRow& row = GetParam();
    std::string target = row.readOnly ? folder + "locked.sav" : folder + "missing\\match.sav";
    if (row.readOnly) {
        WriteWholeFile(target, SavedGameText(9, 9, false, false));
        ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
        readOnlyFile = target;
    }
    PlayAMatch(true);
    std::string kept = row.saveAs ? folder + "kept.sav" : target;
    SetFilePath(kept);
    Plan plan;
    plan.saveAsFile = target;
    plan.replace = IDYES;
    Seen seen;
    bool saved = true;
    {
        Player player(plan, seen);
        saved = row.saveAs ? match->FileSaveAs() : match->FileSave();
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(row.saveAs ? 1 : 0, seen.saveAsDialogs);
    EXPECT_EQ(1, seen.problems);
    // The system's words for why follow the colon.
    EXPECT_NE(std::string::npos, seen.problemText.find("could not be saved: ")) << seen.problemText;
    EXPECT_NE(std::string::npos, seen.problemText.find(target)) << seen.problemText;
    EXPECT_EQ(window, seen.problemOwner);
    EXPECT_TRUE(match->modified);
    EXPECT_EQ(kept, match->filePath);
    if (row.readOnly) {
        EXPECT_EQ(SavedGameText(9, 9, false, false), ReadWholeFile(target));
    } else {
        EXPECT_FALSE(FileExists(target));
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FileCommandsFailedSave,
                         ::testing::Values(FailedSaveRow{"ReadOnlyFile", true, false},
                                           FailedSaveRow{"MissingFolder", false, false},
                                           FailedSaveRow{"SaveAsOntoReadOnlyFile", true, true}),
                         [](const ::testing::TestParamInfo<FailedSaveRow>& row) {
                             return std::string(row.param.name);
                         });
