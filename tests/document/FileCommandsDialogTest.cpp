#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "FileCommandsFixture.h"
#include "ImportStandIn.h"
#include "ProgramInCodePage.h"
#include "SavedGameFixture.h"

namespace {

// What each file dialog is given, seen as the program calls it.
struct DialogCall {
    OPENFILENAMEW record;
    std::wstring file;              // the name the dialog offers
    std::wstring filter;            // the filter's strings, each followed by '|'
    std::wstring defaultExtension;
};

DialogCall dialogCall;

void WatchDialog(LPOPENFILENAMEW record)
{
    dialogCall.record = *record;
    dialogCall.file = record->lpstrFile != nullptr ? record->lpstrFile : L"(none)";
    dialogCall.filter.clear();
    for (const wchar_t* part = record->lpstrFilter; part != nullptr && *part != L'\0'; part += lstrlenW(part) + 1)
        dialogCall.filter += std::wstring(part) + L"|";
    dialogCall.defaultExtension = record->lpstrDefExt != nullptr ? record->lpstrDefExt : L"(none)";
}

struct DialogSetUpRow {
    const char* name;  // "Open", "SaveAs" or "OpenWave"
    const wchar_t* filter;
    DWORD flags;
    const wchar_t* defaultExtension;
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
    SetFilePath(folder + "current\xE9.sav");  // offered as "currenté.sav" in code page 1252
    lstrcpyA(match->musicFile, "Rovor.wav");
    dialogCall = DialogCall();
    {
        ProgramInCodePage program(1252);
        // Answered as a cancelled dialog: zero, and no extended error.
        ImportStandIn dialog("comdlg32.dll", saveAs ? "GetSaveFileNameW" : "GetOpenFileNameW",
                             saveAs ? &GetSaveFileNameW : &GetOpenFileNameW, FALSE, ERROR_SUCCESS,
                             ImportStandIn::everyCall, &WatchDialog);
        RunDialogCommand(command);
        ASSERT_EQ(1, dialog.Calls());
    }
    const OPENFILENAMEW& record = dialogCall.record;
    EXPECT_EQ(DWORD(OPENFILENAME_SIZE_VERSION_400W), record.lStructSize);
    EXPECT_EQ(window, record.hwndOwner);
    EXPECT_EQ(row.filter, dialogCall.filter);
    EXPECT_EQ(1u, record.nFilterIndex);
    EXPECT_EQ(row.offersCurrentName ? std::wstring(folder.begin(), folder.end()) + L"current\u00E9.sav" : L"",
              dialogCall.file);
    EXPECT_EQ(DWORD(MAX_PATH), record.nMaxFile);
    EXPECT_EQ(row.flags, record.Flags);
    EXPECT_EQ(row.defaultExtension, dialogCall.defaultExtension);
    // Nothing else is set: no initial folder, title, file-title buffer or hook.
    OPENFILENAMEW rest = record;
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
    ::testing::Values(DialogSetUpRow{"Open", L"Save Files (*.sav)|*.sav|", OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST,
                                     L"sav", false},
                      DialogSetUpRow{"SaveAs", L"Save Files (*.sav)|*.sav|", OFN_CREATEPROMPT | OFN_OVERWRITEPROMPT,
                                     L"sav", true},
                      DialogSetUpRow{"OpenWave", L"Wave Files (*.wav)|*.wav|",
                                     OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, L"wav", false}),
    [](const ::testing::TestParamInfo<DialogSetUpRow>& row) { return std::string(row.param.name); });

// A file dialog that fails is told to the player in plain words, in a box
// titled for the command, never taken for a Cancel, and changes nothing: not
// the match, its path, the music's name, the title or what plays. A dialog
// that fails because the chosen path does not fit its buffer writes the
// length it needs over the buffer's start, as Windows does, so a path or name
// not put back afterwards shows here. A dialog that reports success with its
// buffer full and no NUL in it has a path longer than any Windows accepts,
// and nothing is written; nor for a name that UTF-8 cannot hold.
namespace {

struct FailedDialogRow {
    const char* name;
    const char* command;  // "Open", "SaveAs" or "OpenWave"
    DWORD error;          // what CommDlgExtendedError answers
    const char* words;    // what the player is told
    // Null: the dialog fails. Otherwise it reports success with this path,
    // or with its buffer full and no NUL when the path is empty.
    const wchar_t* chosen;
};

void PrintTo(const FailedDialogRow& row, std::ostream* out)
{
    *out << row.name;
}

void WriteNeededLength(LPOPENFILENAMEW record)
{
    WORD needed = static_cast<WORD>(record->nMaxFile + 40);
    CopyMemory(record->lpstrFile, &needed, sizeof needed);
}

// The plain report, which names no file: a system's "too long" about a
// path read past its buffer's end is no such report.
const char pathTooLong[] = "The path of the chosen file is too long";

const wchar_t* chosenPath;

void WriteChosenPath(LPOPENFILENAMEW record)
{
    std::fill(record->lpstrFile, record->lpstrFile + record->nMaxFile, L'\u9577');
    if (*chosenPath != L'\0') lstrcpynW(record->lpstrFile, chosenPath, record->nMaxFile);
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
        chosenPath = row.chosen;
        ImportStandIn dialog("comdlg32.dll", saveAs ? "GetSaveFileNameW" : "GetOpenFileNameW",
                             saveAs ? &GetSaveFileNameW : &GetOpenFileNameW, row.chosen != nullptr ? TRUE : FALSE,
                             ERROR_SUCCESS, ImportStandIn::everyCall,
                             row.chosen != nullptr               ? &WriteChosenPath
                             : row.error == FNERR_BUFFERTOOSMALL ? &WriteNeededLength
                                                                 : nullptr);
        ImportStandIn reason("comdlg32.dll", "CommDlgExtendedError", &CommDlgExtendedError, row.error,
                             ERROR_SUCCESS);
        ImportStandIn sound("winmm.dll", "PlaySoundA", &PlaySoundA, FALSE, ERROR_SUCCESS);
        EXPECT_EQ(!saveAs, RunDialogCommand(command));
        EXPECT_EQ(1, dialog.Calls());
        EXPECT_EQ(0, sound.Calls());  // the music neither stopped nor started
    }
    EXPECT_EQ(1, seen.problems);
    EXPECT_EQ(command == "OpenWave" ? "Open Wave File" : "Brellix", seen.problemCaption);
    EXPECT_NE(std::string::npos, seen.problemText.find(row.words)) << seen.problemText;
    EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), seen.problemStyle);
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
    ::testing::Values(FailedDialogRow{"Open", "Open", FNERR_BUFFERTOOSMALL, "too long", nullptr},
                      FailedDialogRow{"SaveAs", "SaveAs", FNERR_BUFFERTOOSMALL, "too long", nullptr},
                      FailedDialogRow{"OpenWave", "OpenWave", FNERR_BUFFERTOOSMALL, "too long", nullptr},
                      FailedDialogRow{"SaveAsInvalidName", "SaveAs", FNERR_INVALIDFILENAME, "name is not valid",
                                      nullptr},
                      FailedDialogRow{"OpenWaveNotShown", "OpenWave", CDERR_DIALOGFAILURE,
                                      "could not be shown (common dialog error 0xFFFF)", nullptr},
                      FailedDialogRow{"OpenPathFillsTheBuffer", "Open", 0, pathTooLong, L""},
                      FailedDialogRow{"SaveAsPathFillsTheBuffer", "SaveAs", 0, pathTooLong, L""},
                      FailedDialogRow{"OpenWavePathFillsTheBuffer", "OpenWave", 0, pathTooLong, L""},
                      // Half of a surrogate pair: a name Windows holds and UTF-8 cannot.
                      FailedDialogRow{"SaveAsHalfASurrogatePair", "SaveAs", 0,
                                      "cannot be used by this game on this system", L"C:\\x\xD800.sav"}),
    [](const ::testing::TestParamInfo<FailedDialogRow>& row) { return std::string(row.param.name); });

// Where Windows runs the program in the system's own code page (before
// Windows 10 version 1903), a name with letters that code page lacks is
// refused with a message in the dialog's box, and nothing is written, opened
// or played: not the look-alike file best fit would name (co.sav for ĉő.sav,
// e.sav for é.sav in Japanese). A name the code page holds is saved, opened
// and played.
namespace {

struct CodePageRow {
    const char* name;
    const char* command;  // "Open", "SaveAs" or "OpenWave"
    UINT codePage;
    const char* typed;    // the file's name as the player typed it
    const char* kept;     // that name in the code page's bytes; null: refused
};

void PrintTo(const CodePageRow& row, std::ostream* out)
{
    *out << row.name;
}

class FileCommandsInCodePage : public FileCommands, public ::testing::WithParamInterface<CodePageRow> {};

// Every file in `folder`, by name, with its contents.
std::map<std::string, std::string> Files(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const std::string& name : Entries(folder)) files[name] = ReadWholeFile(folder + name);
    return files;
}

}  // namespace

TEST_P(FileCommandsInCodePage, TakesNamesTheCodePageHoldsAndRefusesAllOthers)
{
    const CodePageRow& row = GetParam();
    std::string command = row.command;
    bool wave = command == "OpenWave";
    std::string extension = wave ? ".wav" : ".sav";
    std::string look = (row.codePage == 932 ? "e" : "co") + extension;  // what best fit makes of the name
    std::string chosen = folder + row.typed + extension;
    std::string sound = ReadWholeFile(std::string(startDirectory) + "\\Rovor.wav");
    WriteWholeFile(folder + look, wave ? sound : SavedGameText(7, 3, false, true));
    if (command != "SaveAs") WriteWholeFile(chosen, wave ? sound : SavedGameText(2, 5, false, true));
    std::map<std::string, std::string> before = Files(folder);
    PlayAMatch(true);
    SetFilePath(folder + "kept.sav");
    lstrcpyA(match->musicFile, "Rovor.wav");
    Plan plan;
    plan.prompt = IDNO;
    (command == "SaveAs" ? plan.saveAsFile : plan.openFile) = chosen;
    // What follows: a refusal changes nothing; a name the code page holds
    // reaches the file, which is saved, opened or played.
    std::string message, path = folder + "kept.sav", music = "Rovor.wav";
    int leftScore = 4, sounds = 0;
    if (row.kept == nullptr) {
        message = "\"" + chosen +
                  "\" cannot be used by this game on this system: its name has letters that the system cannot pass "
                  "on to the game. Choose a file whose name and folders are written in the system's own letters.";
        if (command == "Open") path = "";
        if (wave) music = "";
    } else if (wave) {
        music = row.kept + extension;
        sounds = 2;  // the old music stopped, the chosen one started
    } else {
        path = folder + row.kept + extension;
        if (command == "Open") leftScore = 2;
        if (command == "SaveAs") before[row.typed + extension] = matchInPlayFile;
    }
    Seen seen;
    {
        Player player(plan, seen);
        ProgramInCodePage program(row.codePage);
        EXPECT_EQ(message.empty() || command != "SaveAs", RunDialogCommand(command));
        EXPECT_EQ(sounds, program.sound.Calls());
    }
    match->StopMusic();
    EXPECT_EQ(message, seen.problemText);
    EXPECT_EQ(message.empty() ? 0 : UINT(MB_OK | MB_ICONEXCLAMATION), seen.problemStyle);
    EXPECT_EQ(message.empty() ? 0 : 1, seen.problems);
    EXPECT_EQ(message.empty() ? "" : wave ? "Open Wave File" : "Brellix", seen.problemCaption);
    EXPECT_EQ(message.empty() ? nullptr : window, seen.problemOwner);
    EXPECT_EQ(before, Files(folder));
    EXPECT_EQ(path, match->filePath);
    EXPECT_EQ(music, match->musicFile);
    EXPECT_EQ(leftScore, match->leftScore);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileCommandsInCodePage,
    ::testing::Values(CodePageRow{"SaveAsOutside1252", "SaveAs", 1252, u8"\u0109\u0151", nullptr},
                      CodePageRow{"OpenOutside1252", "Open", 1252, u8"\u0109\u0151", nullptr},
                      CodePageRow{"OpenWaveOutside1252", "OpenWave", 1252, u8"\u0109\u0151", nullptr},
                      CodePageRow{"SaveAsOutside932", "SaveAs", 932, u8"\u00E9", nullptr},
                      CodePageRow{"SaveAsIn1252", "SaveAs", 1252, u8"\u00E9", "\xE9"},
                      CodePageRow{"SaveAsInUtf8", "SaveAs", CP_UTF8, u8"\u0109\u0151", u8"\u0109\u0151"},
                      CodePageRow{"OpenIn932", "Open", 932, u8"\u8868", "\x95\x5C"},
                      CodePageRow{"OpenWaveIn932", "OpenWave", 932, u8"\u8868", "\x95\x5C"}),
    [](const ::testing::TestParamInfo<CodePageRow>& row) { return std::string(row.param.name); });

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
