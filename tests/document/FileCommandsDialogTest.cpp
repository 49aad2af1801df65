#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FileCommandsFixture.h"
#include "ImportStandIn.h"
#include "SavedGameFixture.h"

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
    EXPECT_EQ(DWORD(pathBufferSize), record.nMaxFile);
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
    [](const ::testing::TestParamInfo<DialogSetUpRow>& row) { return std::string(row.param.name); });

// A file dialog that fails is told to the player in plain words, in a box
// titled for the command, never taken for a Cancel, and changes nothing: not
// the match, its path, the music's name, the title or what plays. A dialog
// that fails because the chosen path does not fit its buffer writes the
// length it needs over the buffer's start, as Windows does, so a path or name
// not put back afterwards shows here. Wine's dialog instead reports success
// with as many whole characters of such a path as fit, leaving the rest of
// the buffer as it was: that path is too long just the same, whether it
// fills the buffer or an old NUL ends it, and nothing is written.
namespace {

struct FailedDialogRow {
    const char* name;
    const char* command;  // "Open", "SaveAs" or "OpenWave"
    DWORD error;          // what CommDlgExtendedError answers
    const char* words;    // what the player is told
    // 0: the dialog fails. Otherwise it reports success with tooLongPath cut,
    // whose long folder names start this many bytes in: at 102 the cut stops
    // a byte short of the 781-byte buffer's end, at 100 it fills the buffer.
    size_t longFoldersAt;
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

// The plain report, which names no file: a system's "too long" about a
// path read past its buffer's end is no such report.
const char pathTooLong[] = "The path of the chosen file is too long";

// A path longer than any buffer of the program: 26 folders of ten Japanese
// letters in the test's folder, over 800 bytes in UTF-8.
std::string tooLongPath;

void WriteCutPath(LPOPENFILENAMEA record)
{
    CopyWholeCharacters(tooLongPath, record->lpstrFile, record->nMaxFile);
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
    tooLongPath = folder;
    if (row.longFoldersAt != 0) {
        ASSERT_LT(folder.size() + 1, row.longFoldersAt);
        tooLongPath += std::string(row.longFoldersAt - folder.size() - 1, 'x') + "\\";
    }
    for (int level = 0; level < 26; ++level)
        tooLongPath += u8"\u9577\u3044\u540D\u524D\u306E\u30D5\u30A9\u30EB\u30C0\u30FC\\";
    tooLongPath += "match.sav";
    Plan plan;
    plan.prompt = IDNO;
    Seen seen;
    {
        Player player(plan, seen);
        ImportStandIn dialog("comdlg32.dll", saveAs ? "GetSaveFileNameA" : "GetOpenFileNameA",
                             saveAs ? &GetSaveFileNameA : &GetOpenFileNameA, row.longFoldersAt != 0 ? TRUE : FALSE,
                             ERROR_SUCCESS, ImportStandIn::everyCall,
                             row.longFoldersAt != 0              ? &WriteCutPath
                             : row.error == FNERR_BUFFERTOOSMALL ? &WriteNeededLength
                                                                 : nullptr);
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
    EXPECT_EQ(command == "OpenWave" ? "Open Wave File" : "Brellix", seen.problemCaption);
    EXPECT_NE(std::string::npos, seen.problemText.find(row.words)) << seen.problemText;
    EXPECT_EQ(window, seen.problemOwner);
    ExpectMatchInPlay();
    EXPECT_TRUE(match->modified);
    EXPECT_EQ(command == "Open" ? "" : folder + "kept.sav", match->filePath);
    EXPECT_EQ(std::vector<std::string>(), Entries(folder));
    EXPECT_EQ(command == "OpenWave" ? "" : "Rovor.wav", std::string(match->musicFile));
    char title[MAX_PATH] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ("Rovor.wav", title);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FileCommandsFailedDialog,
    ::testing::Values(FailedDialogRow{"Open", "Open", FNERR_BUFFERTOOSMALL, "too long", 0},
                      FailedDialogRow{"SaveAs", "SaveAs", FNERR_BUFFERTOOSMALL, "too long", 0},
                      FailedDialogRow{"OpenWave", "OpenWave", FNERR_BUFFERTOOSMALL, "too long", 0},
                      FailedDialogRow{"SaveAsInvalidName", "SaveAs", FNERR_INVALIDFILENAME, "name is not valid", 0},
                      FailedDialogRow{"OpenWaveNotShown", "OpenWave", CDERR_DIALOGFAILURE,
                                      "could not be shown (common dialog error 0xFFFF)", 0},
                      FailedDialogRow{"OpenPathCut", "Open", 0, pathTooLong, 102},
                      FailedDialogRow{"SaveAsPathCut", "SaveAs", 0, pathTooLong, 102},
                      FailedDialogRow{"OpenWavePathCut", "OpenWave", 0, pathTooLong, 102},
                      FailedDialogRow{"SaveAsPathCutAtTheBuffersEnd", "SaveAs", 0, pathTooLong, 100}),
    [](const ::testing::TestParamInfo<FailedDialogRow>& row) { return std::string(row.param.name); });

// The program's code page is UTF-8, so a folder and names with letters that
// no Western code page has reach the files whole: the match is saved and
// opened again, and the music is chosen and named in the title. Six folders
// of fifteen Japanese letters make a path of about 150 characters, which
// Windows accepts, in over 300 bytes. The match goes exactly where it was
// chosen: no file anywhere else in the folders on the way.
TEST_F(FileCommands, SaveOpenAndMusicWorkUnderNamesInAnyLanguage)
{
    const std::string gameName = u8"\u042E\u043B\u044F \u8A66\u5408.sav";
    const std::string musicName = u8"\u041C\u0435\u043B\u043E\u0434\u0438\u044F \u266A.wav";
    const std::string longName =
        u8"\u65E5\u672C\u8A9E\u306E\u3068\u3066\u3082\u9577\u3044\u30D5\u30A9\u30EB\u30C0\u540D";
    const std::vector<std::vector<std::string>> chains = {
        {u8"Spiele \u00DCn\u00EF \u65E5\u672C \u042E\u043B\u044F"},
        {longName + u8"\u4E00", longName + u8"\u4E8C", longName + u8"\u4E09", longName + u8"\u56DB",
         longName + u8"\u4E94", longName + u8"\u516D"}};
    // Wide names made here from UTF-8 by name, not through the code page.
    auto wide = [](const std::string& text) {
        std::wstring converted(text.size(), L'\0');
        converted.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &converted[0],
                                             static_cast<int>(converted.size())));
        return converted;
    };
    auto sorted = [](std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        return names;
    };
    for (const std::vector<std::string>& chain : chains) {
        std::string games = MakeTempFolder();
        std::vector<std::string> levels;
        for (const std::string& name : chain) {
            levels.push_back(games);
            games += name + "\\";
            ASSERT_TRUE(CreateDirectoryW(wide(games).c_str(), nullptr));
        }
        SCOPED_TRACE(games);
        std::wstring wideGames = wide(games);
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
        EXPECT_EQ(matchInPlayFile, ReadWholeFile(games + gameName));
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
        for (size_t level = 0; level < chain.size(); ++level)
            EXPECT_EQ(std::vector<std::string>{chain[level]}, Entries(levels[level]));
        EXPECT_EQ(sorted({gameName, musicName}), sorted(Entries(games)));
    }
}
