#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../../app/MainWindow.h"
#include "../../game/PaddleGame.h"
#include "ImportStandIn.h"
#include "TestSupport.h"

namespace {

// How a player answers whatever the file commands show.
struct Plan {
    int prompt = IDCANCEL;    // "Do You want to save?"
    std::string openFile;     // typed into the Open dialog; empty: Cancel
    std::string saveAsFile;   // typed into the Save As dialog; empty: Cancel
    int replace = IDNO;       // the Save As dialog's question before replacing a file
};

// What the file commands showed.
struct Seen {
    int prompts = 0;
    std::string promptCaption;
    std::string promptText;
    HWND promptOwner = nullptr;
    int openDialogs = 0;
    std::string openNameField;  // the Open dialog's file name as first shown
    int saveAsDialogs = 0;
    HWND dialogOwner = nullptr;
    int replaceQuestions = 0;
    int problems = 0;          // message boxes about a file
    std::string problemText;
    HWND problemOwner = nullptr;
};

// Answers, from other threads, every window a file command can show, while
// it lives. Read `seen` only after it is destroyed. "Open" is the title of both
// the prompt before Open and the Open dialog; only the dialog has a file-name box.
class Player {
public:
    Player(const Plan& plan, Seen& seen) : plan(plan), seen(seen)
    {
        // The question before replacing a file is titled "Error" by Wine and
        // "Confirm Save As" by Windows.
        for (const char* title : {"New", "Open", "Save As", "Brellix", "Open Wave File", "Error", "Confirm Save As"}) {
            std::string name = title;
            answerers.emplace_back(new DialogAnswerer(name, [this, name](HWND shown) { Answer(name, shown); }));
        }
    }

private:
    void Answer(const std::string& title, HWND shown)
    {
        std::unique_lock<std::mutex> lock(mutex);
        HWND owner = GetWindow(shown, GW_OWNER);
        HWND nameBox = FileNameBox(shown);
        if (title == "Brellix" || title == "Open Wave File") {
            ++seen.problems;
            seen.problemText = MessageText(shown);
            seen.problemOwner = owner;
            PressButton(IDOK)(shown);
        } else if (title == "Open" && nameBox != nullptr) {
            ++seen.openDialogs;
            char name[MAX_PATH] = "";
            GetWindowTextA(nameBox, name, sizeof name);
            seen.openNameField = name;
            seen.dialogOwner = owner;
            AnswerFileDialog(shown, plan.openFile);
        } else if (title == "Save As" && nameBox != nullptr) {
            ++seen.saveAsDialogs;
            seen.dialogOwner = owner;
            AnswerFileDialog(shown, plan.saveAsFile);
        } else if (title == "New" || title == "Open") {
            ++seen.prompts;
            seen.promptCaption = title;
            seen.promptText = MessageText(shown);
            seen.promptOwner = owner;
            PressButton(plan.prompt)(shown);
        } else if (nameBox == nullptr) {
            ++seen.replaceQuestions;
            PressButton(plan.replace)(shown);
            lock.unlock();
            if (plan.replace != IDYES) {
                // No sends the player back to the Save As dialog, which stays
                // open for another name: cancel it once the question has gone.
                WaitUntil([shown] { return !IsWindow(shown); }, 5000);
                PressButton(IDCANCEL)(owner);
            }
        }
    }

    void AnswerFileDialog(HWND dialog, const std::string& file)
    {
        if (file.empty()) {
            PressButton(IDCANCEL)(dialog);
        } else {
            ChooseFile(file)(dialog);
        }
    }

    Plan plan;
    Seen& seen;
    std::mutex mutex;
    std::vector<std::unique_ptr<DialogAnswerer>> answerers;
};

}  // namespace

class FileCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        GetCurrentDirectoryA(MAX_PATH, startDirectory);
        window = CreateTestWindow(320, 240);
        mainWindow = window;
        folder = MakeTempFolder();
        match = new PaddleGame();
    }

    void TearDown() override
    {
        delete match;
        mainWindow = nullptr;
        DestroyWindow(window);
        SetCurrentDirectoryA(startDirectory);
        if (!readOnlyFile.empty()) SetFileAttributesA(readOnlyFile.c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    // A match in play that New, Open or a failed Load would visibly change.
    void PlayAMatch(bool modified)
    {
        match->leftScore = 4;
        match->rightScore = 6;
        match->cheatMode = true;
        match->computerOpponent = false;
        match->modified = modified;
    }

    void ExpectMatchInPlay()
    {
        EXPECT_EQ(4, match->leftScore);
        EXPECT_EQ(6, match->rightScore);
        EXPECT_TRUE(match->cheatMode);
        EXPECT_FALSE(match->computerOpponent);
    }

    // What PlayAMatch's match looks like on disk.
    const std::string matchInPlayFile = SavedGameText(4, 6, true, false);

    void SetFilePath(const std::string& path)
    {
        lstrcpyA(match->filePath, path.c_str());
    }

    void ExpectRepainting(bool expected)
    {
        RECT update;
        EXPECT_EQ(expected, GetUpdateRect(window, &update, FALSE) != FALSE);
    }

    char startDirectory[MAX_PATH] = "";
    HWND window = nullptr;
    std::string folder;
    PaddleGame* match = nullptr;
    std::string readOnlyFile;
};

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
    Seen seen;
    {
        Player player(plan, seen);
        if (open) {
            match->FileOpen(window);
        } else {
            match->FileNew(window);
        }
    }

    if (row.modified) {
        EXPECT_EQ(1, seen.prompts);
        EXPECT_EQ(row.command, seen.promptCaption);
        EXPECT_EQ("Do You want to save?", seen.promptText);
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
    [](const ::testing::TestParamInfo<PromptRow>& info) { return std::string(info.param.name); });

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
    bool open = std::string(row.command) == "Open";
    std::string unwritable = folder + "missing\\match.sav";
    std::string other = folder + "other.sav";
    WriteWholeFile(other, SavedGameText(1, 2, false, true));
    PlayAMatch(true);
    if (row.hasFile) SetFilePath(unwritable);
    ValidateRect(window, nullptr);

    Plan plan;
    plan.prompt = IDYES;
    plan.openFile = other;
    Seen seen;
    {
        Player player(plan, seen);
        if (open) {
            match->FileOpen(window);
        } else {
            match->FileNew(window);
        }
    }

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
    [](const ::testing::TestParamInfo<UnsavedRow>& info) { return std::string(info.param.name); });

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
    Seen seen;
    {
        Player player(plan, seen);
        match->FileOpen(window);
    }

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
    Seen seen;
    {
        Player player(plan, seen);
        match->FileOpen(window);
    }
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);

    EXPECT_EQ(1, seen.problems);
    EXPECT_NE(std::string::npos, seen.problemText.find(bad)) << seen.problemText;
    EXPECT_EQ(held, seen.problemText.find("could not be opened") != std::string::npos) << seen.problemText;
    EXPECT_EQ(!held, seen.problemText.find("not a saved game") != std::string::npos) << seen.problemText;
    EXPECT_EQ(window, seen.problemOwner);
    ExpectMatchInPlay();
    EXPECT_TRUE(match->modified);
    EXPECT_STREQ("", match->filePath);
}

INSTANTIATE_TEST_SUITE_P(Files, FileCommandsBadOpen, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "HeldByAnotherProgram" : "NotASavedGame");
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
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == IDYES ? "Yes" : "No");
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
                         [](const ::testing::TestParamInfo<FailedSaveRow>& info) {
                             return std::string(info.param.name);
                         });

// What each file dialog is given, seen as the program calls it.
namespace {

struct DialogCall {
    OPENFILENAMEA record;
    std::string file;              // the name the dialog offers
    std::string filter;            // the filter's strings, each followed by '|'
    std::string defaultExtension;
};

DialogCall dialogCall;

void WatchDialog(LPOPENFILENAMEA record)
{
    dialogCall.record = *record;
    dialogCall.file = record->lpstrFile != nullptr ? record->lpstrFile : "(none)";
    dialogCall.filter.clear();
    for (const char* part = record->lpstrFilter; part != nullptr && *part != '\0'; part += lstrlenA(part) + 1)
        dialogCall.filter += std::string(part) + "|";
    dialogCall.defaultExtension = record->lpstrDefExt != nullptr ? record->lpstrDefExt : "(none)";
}

struct DialogSetUpRow {
    const char* name;  // "Open", "SaveAs" or "OpenWaveFile"
    const char* filter;
    DWORD flags;
    const char* defaultExtension;
    bool offersCurrentName;
};

void PrintTo(const DialogSetUpRow& row, std::ostream* out)
{
    *out << row.name;
}

class FileCommandsDialogSetUp : public FileCommands, public ::testing::WithParamInterface<DialogSetUpRow> {};

}  // namespace

TEST_P(FileCommandsDialogSetUp, GivesEachDialogItsFilterFlagsExtensionAndName)
{
    const DialogSetUpRow& row = GetParam();
    std::string command = row.name;
    bool saveAs = command == "SaveAs";
    SetFilePath(folder + "current.sav");
    lstrcpyA(match->musicFile, "Rovor.wav");
    dialogCall = DialogCall();
    {
        // Answered as a cancelled dialog: zero, and no extended error.
        ImportStandIn dialog("comdlg32.dll", saveAs ? "GetSaveFileNameA" : "GetOpenFileNameA",
                             saveAs ? &GetSaveFileNameA : &GetOpenFileNameA, FALSE, ERROR_SUCCESS,
                             ImportStandIn::everyCall, &WatchDialog);
        if (command == "Open") {
            match->FileOpen(window);
        } else if (saveAs) {
            match->FileSaveAs();
        } else {
            match->FileOpenWave(window);
        }
        ASSERT_EQ(1, dialog.Calls());
    }
    const OPENFILENAMEA& record = dialogCall.record;
    EXPECT_EQ(DWORD(OPENFILENAME_SIZE_VERSION_400A), record.lStructSize);
    EXPECT_EQ(window, record.hwndOwner);
    EXPECT_EQ(row.filter, dialogCall.filter);
    EXPECT_EQ(1u, record.nFilterIndex);
    EXPECT_EQ(row.offersCurrentName ? folder + "current.sav" : "", dialogCall.file);
    EXPECT_EQ(DWORD(MAX_PATH), record.nMaxFile);
    EXPECT_EQ(row.flags, record.Flags);
    EXPECT_EQ(row.defaultExtension, dialogCall.defaultExtension);
    // Nothing else is set: no initial folder, title, file-title buffer or hook.
    OPENFILENAMEA rest = record;
    rest.lStructSize = 0;
    rest.hwndOwner = nullptr;
    rest.lpstrFilter = nullptr;
    rest.nFilterIndex = 0;
    rest.lpstrFile = nullptr;
    rest.nMaxFile = 0;
    rest.Flags = 0;
    rest.lpstrDefExt = nullptr;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&rest);
    EXPECT_EQ(sizeof rest, static_cast<size_t>(std::count(bytes, bytes + sizeof rest, 0)));
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, FileCommandsDialogSetUp,
    ::testing::Values(DialogSetUpRow{"Open", "Save Files (*.sav)|*.sav|", OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, "sav",
                                     false},
                      DialogSetUpRow{"SaveAs", "Save Files (*.sav)|*.sav|", OFN_CREATEPROMPT | OFN_OVERWRITEPROMPT,
                                     "sav", true},
                      DialogSetUpRow{"OpenWaveFile", "Wave Files (*.wav)|*.wav|",
                                     OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, "wav", false}),
    [](const ::testing::TestParamInfo<DialogSetUpRow>& info) { return std::string(info.param.name); });

// A file dialog that fails, here because the chosen path does not fit its
// buffer, is told to the player in plain words, never taken for a Cancel.
class FileCommandsFailedDialog : public FileCommands, public ::testing::WithParamInterface<std::string> {};

TEST_P(FileCommandsFailedDialog, SaysThePathIsTooLongAndChangesNothing)
{
    const std::string& command = GetParam();
    bool saveAs = command == "SaveAs";
    PlayAMatch(true);
    SetFilePath(folder + "kept.sav");
    Plan plan;
    plan.prompt = IDNO;
    Seen seen;
    {
        Player player(plan, seen);
        ImportStandIn dialog("comdlg32.dll", saveAs ? "GetSaveFileNameA" : "GetOpenFileNameA",
                             saveAs ? &GetSaveFileNameA : &GetOpenFileNameA, FALSE, ERROR_SUCCESS);
        ImportStandIn reason("comdlg32.dll", "CommDlgExtendedError", &CommDlgExtendedError,
                             DWORD(FNERR_BUFFERTOOSMALL), ERROR_SUCCESS);
        if (command == "Open") {
            match->FileOpen(window);
        } else if (saveAs) {
            EXPECT_FALSE(match->FileSaveAs());
        } else {
            match->FileOpenWave(window);
        }
        EXPECT_EQ(1, dialog.Calls());
    }
    EXPECT_EQ(1, seen.problems);
    EXPECT_NE(std::string::npos, seen.problemText.find("too long")) << seen.problemText;
    EXPECT_EQ(window, seen.problemOwner);
    ExpectMatchInPlay();
    EXPECT_TRUE(match->modified);
    EXPECT_EQ(command == "Open" ? "" : folder + "kept.sav", match->filePath);
    EXPECT_FALSE(FileExists(folder + "kept.sav"));
}

INSTANTIATE_TEST_SUITE_P(Commands, FileCommandsFailedDialog, ::testing::Values("Open", "SaveAs", "OpenWave"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// The program's code page is UTF-8, so a folder and names with letters that
// no Western code page has reach the files whole: the match is saved and
// opened again, and the music is chosen and named in the title.
TEST_F(FileCommands, SaveOpenAndMusicWorkUnderNamesInAnyLanguage)
{
    const std::string folderName = u8"Spiele \u00DCn\u00EF \u65E5\u672C \u042E\u043B\u044F";
    const std::string gameName = u8"\u042E\u043B\u044F \u8A66\u5408.sav";
    const std::string musicName = u8"\u041C\u0435\u043B\u043E\u0434\u0438\u044F \u266A.wav";
    // Wide names made here from UTF-8 by name, not through the code page.
    auto wide = [](const std::string& text) {
        std::wstring converted(text.size(), L'\0');
        converted.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &converted[0],
                                             static_cast<int>(converted.size())));
        return converted;
    };
    std::string games = folder + folderName + "\\";
    std::wstring wideGames = wide(games);
    ASSERT_TRUE(CreateDirectoryW(wideGames.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(wide(std::string(startDirectory) + "\\Rovor.wav").c_str(),
                          (wideGames + wide(musicName)).c_str(), FALSE));
    PlayAMatch(true);
    LoopBound bound;  // a name that arrives mangled leaves a file dialog open
    Seen seen;
    {
        Plan plan;
        plan.saveAsFile = games + gameName;
        Player player(plan, seen);
        EXPECT_TRUE(match->FileSaveAs());
    }
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((wideGames + wide(gameName)).c_str()));
    match->leftScore = 0;
    {
        Plan plan;
        plan.openFile = games + gameName;
        Player player(plan, seen);
        match->FileOpen(window);
    }
    EXPECT_EQ(4, match->leftScore);
    EXPECT_EQ(games + gameName, match->filePath);
    {
        Plan plan;
        plan.openFile = games + musicName;
        Player player(plan, seen);
        match->FileOpenWave(window);
    }
    EXPECT_EQ(0, seen.problems) << seen.problemText;
    wchar_t title[MAX_PATH] = L"";
    GetWindowTextW(window, title, MAX_PATH);
    EXPECT_EQ(wide(musicName), title);
    match->StopMusic();
}
