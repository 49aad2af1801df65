#include <gtest/gtest.h>

#include <string>

#include "FileCommandsFixture.h"

// The unsaved-changes prompt on New and Open.
struct PromptRow {
    const char* name;
    const char* command;  // "New" or "Open"
    bool modified;
    int answer;           // the prompt's answer, when it is shown
    bool saved;           // the match was written to its file first
    bool goesOn;          // the command went on after the prompt
};

class FileCommandsPrompt : public FileCommands, public ::testing::WithParamInterface<PromptRow> {};

TEST_P(FileCommandsPrompt, AsksOnlyAboutUnsavedChangesAndFollowsTheAnswer)
{
    const PromptRow& row = GetParam();
    bool open = std::string(row.command) == "Open";
    std::string current = folder + "current.sav";
    std::string other = folder + "other.sav";
    WriteWholeFile(current, SavedGameText(9, 9, false, false));
    WriteWholeFile(other, SavedGameText(1, 2, false, true));
    PlayAMatch(row.modified);
    SetFilePath(current);
    ValidateRect(window, nullptr);

    Plan plan;
    plan.prompt = row.answer;
    plan.openFile = other;
    Seen seen = RunCommand(row.command, plan);

    if (row.modified) {
        EXPECT_EQ(1, seen.prompts);
        EXPECT_EQ(row.command, seen.promptCaption);
        EXPECT_EQ("Do You want to save?", seen.promptText);
        EXPECT_EQ(UINT(MB_YESNOCANCEL), seen.promptStyle);
        EXPECT_EQ(window, seen.promptOwner);
    } else {
        EXPECT_EQ(0, seen.prompts);
    }
    EXPECT_EQ(0, seen.saveAsDialogs);
    EXPECT_EQ(0, seen.problems) << seen.problemText;
    EXPECT_EQ(row.saved ? matchInPlayFile : SavedGameText(9, 9, false, false), ReadWholeFile(current));
    EXPECT_EQ(open && row.goesOn ? 1 : 0, seen.openDialogs);
    ExpectRepainting(row.goesOn);

    if (!row.goesOn) {
        ExpectMatchInPlay();
        EXPECT_EQ(current, match->filePath);
        EXPECT_TRUE(match->modified);
    } else if (open) {
        EXPECT_EQ("", seen.openNameField);
        EXPECT_EQ(window, seen.dialogOwner);
        EXPECT_EQ(1, match->leftScore);
        EXPECT_EQ(2, match->rightScore);
        EXPECT_FALSE(match->cheatMode);
        EXPECT_TRUE(match->computerOpponent);
        EXPECT_EQ(other, match->filePath);
        EXPECT_FALSE(match->modified);
    } else {
        EXPECT_EQ(0, match->leftScore);
        EXPECT_EQ(0, match->rightScore);
        EXPECT_FALSE(match->cheatMode);
        EXPECT_STREQ("", match->filePath);
        // New leaves the mark alone: only the save before it clears it.
        EXPECT_EQ(row.modified && !row.saved, match->modified);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FileCommandsPrompt,
    ::testing::Values(PromptRow{"NewUnchanged", "New", false, IDCANCEL, false, true},
                      PromptRow{"NewYes", "New", true, IDYES, true, true},
                      PromptRow{"NewNo", "New", true, IDNO, false, true},
                      PromptRow{"NewCancel", "New", true, IDCANCEL, false, false},
                      PromptRow{"OpenUnchanged", "Open", false, IDCANCEL, false, true},
                      PromptRow{"OpenYes", "Open", true, IDYES, true, true},
                      PromptRow{"OpenNo", "Open", true, IDNO, false, true},
                      PromptRow{"OpenCancel", "Open", true, IDCANCEL, false, false}),
    [](const ::testing::TestParamInfo<PromptRow>& row) { return std::string(row.param.name); });

// New or Open answered Yes stops, changing nothing, when that save did not happen.
struct UnsavedRow {
    const char* name;
    const char* command;
    bool hasFile;  // true: the save fails writing; false: its Save As is cancelled
};

class FileCommandsUnsaved : public FileCommands, public ::testing::WithParamInterface<UnsavedRow> {};

TEST_P(FileCommandsUnsaved, YesStopsWhenTheSaveDidNotHappen)
{
    const UnsavedRow& row = GetParam();
    std::string unwritable = folder + "missing\\match.sav";
    std::string other = folder + "other.sav";
    WriteWholeFile(other, SavedGameText(1, 2, false, true));
    PlayAMatch(true);
    if (row.hasFile) SetFilePath(unwritable);
    ValidateRect(window, nullptr);

    Plan plan;
    plan.prompt = IDYES;
    plan.openFile = other;
    Seen seen = RunCommand(row.command, plan);

    EXPECT_EQ(1, seen.prompts);
    EXPECT_EQ(row.hasFile ? 0 : 1, seen.saveAsDialogs);
    EXPECT_EQ(row.hasFile ? 1 : 0, seen.problems);
    EXPECT_EQ(0, seen.openDialogs);
    ExpectMatchInPlay();
    EXPECT_TRUE(match->modified);
    EXPECT_EQ(row.hasFile ? unwritable : "", match->filePath);
    EXPECT_FALSE(FileExists(folder + "missing"));
    ExpectRepainting(false);
}

INSTANTIATE_TEST_SUITE_P(
    Saves, FileCommandsUnsaved,
    ::testing::Values(UnsavedRow{"NewSaveAsCancelled", "New", false},
                      UnsavedRow{"NewWriteFailed", "New", true},
                      UnsavedRow{"OpenSaveAsCancelled", "Open", false},
                      UnsavedRow{"OpenWriteFailed", "Open", true}),
    [](const ::testing::TestParamInfo<UnsavedRow>& row) { return std::string(row.param.name); });
