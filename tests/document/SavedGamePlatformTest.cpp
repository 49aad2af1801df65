#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ImportStandIn.h"
#include "SavedGameFixture.h"
#include "TestSupport.h"

namespace {

// The system's own words for an error, however long, without the line end.
std::string SystemWords(DWORD error)
{
    char* words = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, reinterpret_cast<char*>(&words), 0, nullptr);
    std::string text(words != nullptr ? words : "", length);
    LocalFree(words);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

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

// A reason in another language, longer than 256 bytes in UTF-8.
const char longReason[] =
    u8"ディスクに十分な空き領域がありませ"
    u8"ん。不要なファイルを削除するか、別"
    u8"のドライブを選んで、もう一度保存し"
    u8"てください。共有フォルダーの場合は"
    u8"、その割り当て量も確かめてください"
    u8"。";
static_assert(sizeof longReason > 257, "a reason longer than 256 bytes");

// FormatMessageA as Windows answers with that reason: into a buffer of its
// own when asked to allocate one, otherwise only into a buffer with room.
DWORD WINAPI LongReason(DWORD flags, LPCVOID, DWORD, DWORD, LPSTR buffer, DWORD size, va_list*)
{
    std::string text = std::string(longReason) + "\r\n";
    DWORD length = static_cast<DWORD>(text.size());
    if ((flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0) {
        LPSTR allocated = static_cast<LPSTR>(LocalAlloc(LMEM_FIXED, length + 1));
        CopyMemory(allocated, text.c_str(), length + 1);
        *reinterpret_cast<LPSTR*>(buffer) = allocated;
        return length;
    }
    if (size <= length) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    CopyMemory(buffer, text.c_str(), length + 1);
    return length;
}

// A write that reports success with the file's last byte not written, as a
// disk that fills up part way may answer.
BOOL WINAPI WriteAllButOne(HANDLE, LPCVOID, DWORD size, LPDWORD written, LPOVERLAPPED)
{
    *written = size - 1;
    return TRUE;
}

struct UnkindPlatformRow {
    const char* name;
    StandIns (*failOnPurpose)();
    DWORD reported;  // ERROR_SUCCESS: the save works in the end; otherwise the error it names
    int calls = -1;  // calls the first stand-in took, when that is what the row is about
    const char* words = nullptr;  // the reason shown, when not the system's own words for `reported`
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
            if (row.calls >= 0) {
                EXPECT_EQ(row.calls, failing.front()->Calls());
            }
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
        // The reason whole and last: no line end of the system's after it.
        std::string words = row.words != nullptr ? row.words : SystemWords(row.reported);
        ASSERT_FALSE(words.empty());
        EXPECT_EQ("\"" + path + "\" could not be saved: " + words, report);
    }
}

const UnkindPlatformRow unkindPlatformRows[] = {
    {"HeldForAMoment", [] { return MoveFails(ERROR_SHARING_VIOLATION, 2); }, ERROR_SUCCESS},
    {"LockedForAMoment", [] { return MoveFails(ERROR_LOCK_VIOLATION, 2); }, ERROR_SUCCESS},
    {"DeniedForAMoment", [] { return MoveFails(ERROR_ACCESS_DENIED, 2); }, ERROR_SUCCESS},
    // Tried once and five more times.
    {"HeldForGood", [] { return MoveFails(ERROR_SHARING_VIOLATION, ImportStandIn::everyCall); },
     ERROR_SHARING_VIOLATION, 6},
    {"TemporaryNamePendingDelete",
     [] {
         StandIns standIns;
         standIns.emplace_back(new ImportStandIn("kernel32.dll", "CreateFileA", &CreateFileA, INVALID_HANDLE_VALUE,
                                                 ERROR_ACCESS_DENIED, 1));
         return standIns;
     },
     ERROR_SUCCESS},
    // A folder that denies every temporary name is given up after 16 of them.
    {"EveryTemporaryNameDenied",
     [] {
         StandIns standIns;
         standIns.emplace_back(new ImportStandIn("kernel32.dll", "CreateFileA", &CreateFileA, INVALID_HANDLE_VALUE,
                                                 ERROR_ACCESS_DENIED));
         return standIns;
     },
     ERROR_ACCESS_DENIED, 16},
    {"DiskFull",
     [] {
         StandIns standIns;
         standIns.emplace_back(
             new ImportStandIn("kernel32.dll", "WriteFile", &WriteFile, FALSE, ERROR_DISK_FULL));
         return standIns;
     },
     ERROR_DISK_FULL},
    // The reason's buffer is given back: LocalFree is called once.
    {"DiskFullInAnotherLanguage",
     [] {
         StandIns standIns;
         standIns.emplace_back(new ImportStandIn("kernel32.dll", "LocalFree", &LocalFree, HLOCAL(nullptr),
                                                 ERROR_SUCCESS, 0));
         standIns.emplace_back(
             new ImportStandIn("kernel32.dll", "WriteFile", &WriteFile, FALSE, ERROR_DISK_FULL));
         standIns.emplace_back(new ImportStandIn("kernel32.dll", "FormatMessageA", &FormatMessageA, &LongReason));
         return standIns;
     },
     ERROR_DISK_FULL, 1, longReason},
    {"DiskFullPartWay",
     [] {
         StandIns standIns;
         standIns.emplace_back(new ImportStandIn("kernel32.dll", "WriteFile", &WriteFile, &WriteAllButOne));
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
                         [](const ::testing::TestParamInfo<UnkindPlatformRow>& row) {
                             return std::string(row.param.name);
                         });
