#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "FileCommandsFixture.h"
#include "ImportStandIn.h"

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

// A file dialog that fails is told to the player in plain words, never taken
// for a Cancel, and changes nothing: not the match, its path, the music's
// name, the title or what plays. A dialog that fails because the chosen path
// does not fit its buffer writes the length it needs over the buffer's start,
// as Windows does, so a path or name not put back afterwards shows here.
namespace {

struct FailedDialogRow {
    const char* name;
    const char* command;  // "Open", "SaveAs" or "OpenWave"
    DWORD error;          // what CommDlgExtendedError answers
    const char* words;    // what the player is told
};

void PrintTo(const FailedDialogRow& row, std::ostream* out)
{
    *out << row.name;
}

void WriteNeededLength(LPOPENFILENAMEA record)
{
    WORD needed = static_cast<WORD>(record->nMaxFile + 40);
    CopyMemory(record->lpstrFile, &needed, sizeof needed);
}

class FileCommandsFailedDialog : public FileCommands, public ::testing::WithParamInterface<FailedDialogRow> {};

}  // namespace

TEST_P(FileCommandsFailedDialog, SaysThePathIsTooLongAndChangesNothing)
{
    const FailedDialogRow& row = GetParam();
    std::string command = row.command;
    bool saveAs = command == "SaveAs";
    PlayAMatch(true);
    SetFilePath(folder + "kept.sav");
    lstrcpyA(match->musicFile, "Rovor.wav");
    SetWindowTextA(window, "Rovor.wav");
    Plan plan;
    plan.prompt = IDNO;
    Seen seen;
    {
        Player player(plan, seen);
        ImportStandIn dialog("comdlg32.dll", saveAs ? "GetSaveFileNameA" : "GetOpenFileNameA",
                             saveAs ? &GetSaveFileNameA : &GetOpenFileNameA, FALSE, ERROR_SUCCESS,
                             ImportStandIn::everyCall,
                             row.error == FNERR_BUFFERTOOSMALL ? &WriteNeededLength : nullptr);
        ImportStandIn reason("comdlg32.dll", "CommDlgExtendedError", &CommDlgExtendedError, row.error,
                             ERROR_SUCCESS);
        ImportStandIn sound("winmm.dll", "PlaySoundA", &PlaySoundA, FALSE, ERROR_SUCCESS);
        if (command == "Open") {
            match->FileOpen(window);
        } else if (saveAs) {
            EXPECT_FALSE(match->FileSaveAs());
        } else {
            match->FileOpenWave(window);
        }
        EXPECT_EQ(1, dialog.Calls());
        EXPECT_EQ(0, sound.Calls());  // the music neither stopped nor started
    }
    EXPECT_EQ(1, seen.problems);
    EXPECT_NE(std::string::npos, seen.problemText.find(row.words)) << seen.problemText;
    EXPECT_EQ(window, seen.problemOwner);
    ExpectMatchInPlay();
    EXPECT_TRUE(match->modified);
    EXPECT_EQ(command == "Open" ? "" : folder + "kept.sav", match->filePath);
    EXPECT_FALSE(FileExists(folder + "kept.sav"));
    EXPECT_EQ(command == "OpenWave" ? "" : "Rovor.wav", std::string(match->musicFile));
    char title[MAX_PATH] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ("Rovor.wav", title);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FileCommandsFailedDialog,
    ::testing::Values(FailedDialogRow{"Open", "Open", FNERR_BUFFERTOOSMALL, "too long"},
                      FailedDialogRow{"SaveAs", "SaveAs", FNERR_BUFFERTOOSMALL, "too long"},
                      FailedDialogRow{"OpenWave", "OpenWave", FNERR_BUFFERTOOSMALL, "too long"},
                      FailedDialogRow{"SaveAsInvalidName", "SaveAs", FNERR_INVALIDFILENAME, "name is not valid"},
                      FailedDialogRow{"OpenWaveNotShown", "OpenWave", CDERR_DIALOGFAILURE,
                                      "could not be shown (common dialog error 0xFFFF)"}),
    [](const ::testing::TestParamInfo<FailedDialogRow>& info) { return std::string(info.param.name); });

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
