#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../../document/SavedGame.h"
#include "../../game/PaddleGame.h"
#include "ImportStandIn.h"
#include "TestSupport.h"

namespace {

// Values no row of the tables below produces, so a field that a failed load
// overwrote shows at once.
void SetUntouchedValues(PaddleGame& match)
{
    match.leftScore = 41;
    match.rightScore = 42;
    match.cheatMode = true;
    match.computerOpponent = false;
    match.modified = true;
}

void ExpectUntouchedValues(const PaddleGame& match)
{
    EXPECT_EQ(41, match.leftScore);
    EXPECT_EQ(42, match.rightScore);
    EXPECT_TRUE(match.cheatMode);
    EXPECT_FALSE(match.computerOpponent);
    EXPECT_TRUE(match.modified);
}

// Names of the files and folders in `folder`, so a save that left its
// temporary file behind shows.
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

// The system's own words for an error, without the line end.
std::string SystemWords(DWORD error)
{
    char words[256] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  words, sizeof words, nullptr);
    std::string text(words, length);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

class SavedGameFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeTempFolder();
        match = new PaddleGame();
    }

    void TearDown() override
    {
        delete match;
        if (!readOnlyFile.empty()) SetFileAttributesA(readOnlyFile.c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    void SetMatch(int left, int right, bool cheat, bool computer)
    {
        match->leftScore = left;
        match->rightScore = right;
        match->cheatMode = cheat;
        match->computerOpponent = computer;
        match->modified = true;
    }

    std::string folder;
    PaddleGame* match = nullptr;
    std::string readOnlyFile;
};

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
    char startDirectory[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, startDirectory);
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
    EXPECT_FALSE(match->Save(path.c_str()));
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

// Every match Save writes comes back unchanged through Load.
struct RoundTripRow {
    const char* name;
    SavedGame match;
    const char* bytes;
};

class SavedGameRoundTrip : public SavedGameFile, public ::testing::WithParamInterface<RoundTripRow> {};

TEST_P(SavedGameRoundTrip, EveryFileSaveWritesLoads)
{
    const RoundTripRow& row = GetParam();
    SetMatch(row.match.leftScore, row.match.rightScore, row.match.cheatMode, row.match.computerOpponent);
    std::string path = folder + "round.sav";
    ASSERT_TRUE(match->Save(path.c_str()));
    EXPECT_EQ(row.bytes, ReadWholeFile(path));

    PaddleGame* loaded = new PaddleGame();
    SetUntouchedValues(*loaded);
    EXPECT_TRUE(loaded->Load(path.c_str()));
    EXPECT_EQ(row.match.leftScore, loaded->leftScore);
    EXPECT_EQ(row.match.rightScore, loaded->rightScore);
    EXPECT_EQ(row.match.cheatMode, loaded->cheatMode);
    EXPECT_EQ(row.match.computerOpponent, loaded->computerOpponent);
    EXPECT_FALSE(loaded->modified);
    delete loaded;
}

INSTANTIATE_TEST_SUITE_P(
    Matches, SavedGameRoundTrip,
    ::testing::Values(RoundTripRow{"AllZero", {0, 0, false, false}, "0\r\n0\r\n0\r\n0\r\n"},
                      RoundTripRow{"BothFlags", {10, 9, true, true}, "10\r\n9\r\n1\r\n1\r\n"},
                      RoundTripRow{"Extremes", {INT_MIN, INT_MAX, false, true},
                                   "-2147483648\r\n2147483647\r\n0\r\n1\r\n"},
                      RoundTripRow{"NegativeRight", {0, -1, true, false}, "0\r\n-1\r\n1\r\n0\r\n"}),
    [](const ::testing::TestParamInfo<RoundTripRow>& info) { return std::string(info.param.name); });

// Files that hold a match, read straight from text and through Load.
struct GoodFileRow {
    const char* name;
    std::string text;
    SavedGame expected;
};

class SavedGameGoodFile : public SavedGameFile, public ::testing::WithParamInterface<GoodFileRow> {};

TEST_P(SavedGameGoodFile, ReadsAllFourValues)
{
    const GoodFileRow& row = GetParam();
    std::istringstream in(row.text);
    SavedGame parsed = {41, 42, true, false};
    ASSERT_TRUE(ParseSavedGame(in, parsed));
    EXPECT_EQ(row.expected.leftScore, parsed.leftScore);
    EXPECT_EQ(row.expected.rightScore, parsed.rightScore);
    EXPECT_EQ(row.expected.cheatMode, parsed.cheatMode);
    EXPECT_EQ(row.expected.computerOpponent, parsed.computerOpponent);

    std::string path = folder + "good.sav";
    WriteWholeFile(path, row.text);
    SetUntouchedValues(*match);
    ASSERT_TRUE(match->Load(path.c_str()));
    EXPECT_EQ(row.expected.leftScore, match->leftScore);
    EXPECT_EQ(row.expected.rightScore, match->rightScore);
    EXPECT_EQ(row.expected.cheatMode, match->cheatMode);
    EXPECT_EQ(row.expected.computerOpponent, match->computerOpponent);
    EXPECT_FALSE(match->modified);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SavedGameGoodFile,
    ::testing::Values(
        GoodFileRow{"FourCrLfLines", "3\r\n7\r\n0\r\n1\r\n", {3, 7, false, true}},
        GoodFileRow{"OneLineWithoutEnd", "3 7 0 1", {3, 7, false, true}},
        GoodFileRow{"OneLineWithEnd", "3 7 0 1\r\n", {3, 7, false, true}},
        GoodFileRow{"LfLines", "3\n7\n0\n1\n", {3, 7, false, true}},
        GoodFileRow{"AnyWhiteSpace", " \t3\v\f\r\n\n7  0\t1", {3, 7, false, true}},
        GoodFileRow{"LeadingZerosInFlags", "3\r\n7\r\n0001\r\n000\r\n", {3, 7, true, false}},
        GoodFileRow{"LeadingZerosInScores", "007\r\n-0003\r\n1\r\n1\r\n", {7, -3, true, true}},
        GoodFileRow{"SignedScores", "-2\r\n+5\r\n0\r\n0\r\n", {-2, 5, false, false}},
        GoodFileRow{"Int32Extremes", "-2147483648\r\n2147483647\r\n1\r\n0\r\n", {INT_MIN, INT_MAX, true, false}},
        GoodFileRow{"TextAfterTheFourthValue", "3\r\n7\r\n0\r\n1\r\nmore 99\r\n", {3, 7, false, true}},
        GoodFileRow{"FourthValueRunsIntoText", "3 7 0 1abc", {3, 7, false, true}}),
    [](const ::testing::TestParamInfo<GoodFileRow>& info) { return std::string(info.param.name); });

// Files that are not a saved game: nothing of the match changes.
struct BadFileRow {
    const char* name;
    std::string text;
};

class SavedGameBadFile : public SavedGameFile, public ::testing::WithParamInterface<BadFileRow> {};

TEST_P(SavedGameBadFile, ChangesNothing)
{
    const BadFileRow& row = GetParam();
    std::istringstream in(row.text);
    SavedGame parsed = {41, 42, true, false};
    EXPECT_FALSE(ParseSavedGame(in, parsed));
    EXPECT_EQ(41, parsed.leftScore);
    EXPECT_EQ(42, parsed.rightScore);
    EXPECT_TRUE(parsed.cheatMode);
    EXPECT_FALSE(parsed.computerOpponent);

    std::string path = folder + "bad.sav";
    WriteWholeFile(path, row.text);
    SetUntouchedValues(*match);
    EXPECT_FALSE(match->Load(path.c_str()));
    ExpectUntouchedValues(*match);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SavedGameBadFile,
    ::testing::Values(
        BadFileRow{"SecondLineAbc", "3\r\nabc\r\n0\r\n1\r\n"},
        BadFileRow{"ThirdLineTwo", "3\r\n7\r\n2\r\n1\r\n"},
        BadFileRow{"FlagMinusOne", "3\r\n7\r\n0\r\n-1\r\n"},
        BadFileRow{"FlagAsWord", "3\r\n7\r\ntrue\r\n1\r\n"},
        BadFileRow{"FlagBeyond32Bits", "3\r\n7\r\n4294967297\r\n1\r\n"},
        BadFileRow{"OnlyTwoLines", "3\r\n7\r\n"},
        BadFileRow{"OnlyThreeValues", "3 7 0"},
        BadFileRow{"Empty", ""},
        BadFileRow{"WhiteSpaceOnly", " \r\n\t\r\n"},
        BadFileRow{"BinaryNoise", std::string("\x89\x00\xff\x1a\x80\x01\x7f\xfe\x0d\x0a\x00\x33", 12)},
        BadFileRow{"ScoreJustAbove32Bits", "2147483648\r\n7\r\n0\r\n1\r\n"},
        BadFileRow{"ScoreJustBelow32Bits", "3\r\n-2147483649\r\n0\r\n1\r\n"},
        BadFileRow{"ScoreThatWrapsToZero", "4294967296\r\n7\r\n0\r\n1\r\n"},
        BadFileRow{"MegabyteOfDigits", std::string(1 << 20, '9') + "\r\n7\r\n0\r\n1\r\n"},
        BadFileRow{"SignWithoutDigits", "-\r\n7\r\n0\r\n1\r\n"}),
    [](const ::testing::TestParamInfo<BadFileRow>& info) { return std::string(info.param.name); });

// What Windows does to a save and Wine never does, made on purpose: a file
// held for a moment by a virus scanner or the search indexer, a temporary
// name whose delete is still pending, a full disk, a drive that cannot flush.
// A save that works in the end shows nothing; one that fails names the file
// with the system's words for the step that failed. Neither leaves a file
// behind.
using StandIns = std::vector<std::unique_ptr<ImportStandIn>>;

StandIns MoveFails(DWORD error, int calls)
{
    StandIns standIns;
    standIns.emplace_back(new ImportStandIn("kernel32.dll", "MoveFileExA", &MoveFileExA, FALSE, error, calls));
    return standIns;
}

StandIns FlushFails(DWORD error)
{
    StandIns standIns;
    standIns.emplace_back(new ImportStandIn("kernel32.dll", "FlushFileBuffers", &FlushFileBuffers, FALSE, error));
    return standIns;
}

struct UnkindPlatformRow {
    const char* name;
    StandIns (*failOnPurpose)();
    DWORD reported;  // ERROR_SUCCESS: the save works in the end; otherwise the error it names
};

void PrintTo(const UnkindPlatformRow& row, std::ostream* out)
{
    *out << row.name;
}

class SavedGameUnkindPlatform : public SavedGameFile, public ::testing::WithParamInterface<UnkindPlatformRow> {};

TEST_P(SavedGameUnkindPlatform, SaveThatWorksInTheEndShowsNothingAndOneThatFailsSaysWhy)
{
    const UnkindPlatformRow& row = GetParam();
    bool works = row.reported == ERROR_SUCCESS;
    std::string path = folder + "match.sav";
    WriteWholeFile(path, "1\r\n2\r\n0\r\n1\r\n");
    lstrcpyA(match->filePath, path.c_str());
    SetMatch(8, 9, true, false);
    bool saved = !works;
    int reports = 0;
    std::string report;
    {
        DialogAnswerer problems("Brellix", PressButton(IDOK));
        {
            StandIns failing = row.failOnPurpose();
            saved = match->FileSave();
        }
        WaitUntil([&problems] { return problems.Answered() > 0; }, works ? 0 : 2000);
        reports = problems.Answered();
        report = problems.LastText();
    }
    EXPECT_EQ(works, saved);
    EXPECT_EQ(!works, match->modified);
    EXPECT_EQ(works ? "8\r\n9\r\n1\r\n0\r\n" : "1\r\n2\r\n0\r\n1\r\n", ReadWholeFile(path));
    EXPECT_EQ(std::vector<std::string>{"match.sav"}, Entries(folder));
    EXPECT_EQ(works ? 0 : 1, reports) << report;
    if (!works) {
        std::string words = SystemWords(row.reported);
        ASSERT_FALSE(words.empty());
        EXPECT_NE(std::string::npos, report.find(path)) << report;
        EXPECT_NE(std::string::npos, report.find(words)) << report << "\nnot: " << words;
    }
}

const UnkindPlatformRow unkindPlatformRows[] = {
    {"HeldForAMoment", [] { return MoveFails(ERROR_SHARING_VIOLATION, 2); }, ERROR_SUCCESS},
    {"LockedForAMoment", [] { return MoveFails(ERROR_LOCK_VIOLATION, 2); }, ERROR_SUCCESS},
    {"DeniedForAMoment", [] { return MoveFails(ERROR_ACCESS_DENIED, 2); }, ERROR_SUCCESS},
    {"HeldForGood", [] { return MoveFails(ERROR_SHARING_VIOLATION, ImportStandIn::everyCall); },
     ERROR_SHARING_VIOLATION},
    {"TemporaryNamePendingDelete",
     [] {
         StandIns standIns;
         standIns.emplace_back(new ImportStandIn("kernel32.dll", "CreateFileA", &CreateFileA, INVALID_HANDLE_VALUE,
                                                 ERROR_ACCESS_DENIED, 1));
         return standIns;
     },
     ERROR_SUCCESS},
    {"DiskFull",
     [] {
         StandIns standIns;
         standIns.emplace_back(
             new ImportStandIn("kernel32.dll", "WriteFile", &WriteFile, FALSE, ERROR_DISK_FULL));
         return standIns;
     },
     ERROR_DISK_FULL},
    {"DriveCannotFlush", [] { return FlushFails(ERROR_INVALID_FUNCTION); }, ERROR_SUCCESS},
    {"FlushFailsAndTheTemporaryFileIsHeldForAMoment",
     [] {
         StandIns standIns = FlushFails(ERROR_IO_DEVICE);
         standIns.emplace_back(
             new ImportStandIn("kernel32.dll", "DeleteFileA", &DeleteFileA, FALSE, ERROR_SHARING_VIOLATION, 1));
         return standIns;
     },
     ERROR_IO_DEVICE},
};

INSTANTIATE_TEST_SUITE_P(Failures, SavedGameUnkindPlatform, ::testing::ValuesIn(unkindPlatformRows),
                         [](const ::testing::TestParamInfo<UnkindPlatformRow>& info) {
                             return std::string(info.param.name);
                         });
