#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../../document/FilePaths.h"
#include "ImportStandIn.h"
#include "TestSupport.h"

namespace {

// CharNextA as it steps where the system's code page is Shift-JIS (932).
LPSTR WINAPI CharNextInShiftJis(LPCSTR at)
{
    return CharNextExA(932, at, 0);
}

}  // namespace

// Where Windows keeps the system's code page for the program (before version
// 1903), a double-byte code page puts the byte of a backslash inside
// characters: in Shift-JIS ソ is 83 5C, 表 95 5C, 能 94 5C. Such a name
// stays whole.
TEST(FilePaths, NamePartStepsByCharactersInADoubleByteCodePage)
{
    ImportStandIn shiftJis("user32.dll", "CharNextA", &CharNextA, &CharNextInShiftJis);
    EXPECT_STREQ("\x83\x5C\x95\x5C.wav", NamePart("C:\\\x94\x5C\\\x83\x5C\x95\x5C.wav"));
}

// A data file in the current folder wins over the one beside the program,
// named so that no other can take its place; the program's folder is used
// only when its path came back whole. The program's path is stood in: it
// names a folder of the test's that holds its own copy of the file.
namespace {

// What GetModuleFileNameA answers, as Wine does: as many whole characters as
// fit, ended by a NUL when there is room, and no error then.
std::string programPath;

DWORD WINAPI ProgramPathAsWineGivesIt(HMODULE, LPSTR buffer, DWORD size)
{
    size_t length = CopyWholeCharacters(programPath, buffer, size);
    if (length == size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    buffer[length] = '\0';
    return static_cast<DWORD>(length);
}

struct DataFileRow {
    const char* name;
    bool inCurrentFolder;  // the current folder has the file too
    bool fullPathTooLong;  // GetFullPathNameA answers that the full path needs more than the buffer
    bool programPathCut;   // the program's path is longer than the buffer, so it comes back cut
    const char* expected;  // "current", "dotted" (.\name) or "bare"
};

void PrintTo(const DataFileRow& row, std::ostream* out)
{
    *out << row.name;
}

class DataFiles : public ::testing::TestWithParam<DataFileRow> {};

}  // namespace

TEST_P(DataFiles, AreFoundInTheCurrentFolderFirstAndNeverInACutFolder)
{
    const DataFileRow& row = GetParam();
    const char name[] = "barrier.bmp";
    std::string current = MakeTempFolder();
    std::string program = MakeTempFolder();
    WriteWholeFile(program + name, "the program's");
    if (row.inCurrentFolder) WriteWholeFile(current + name, "the player's");
    programPath = program;
    if (row.programPathCut) {
        // A folder name of Japanese letters starting at a multiple of three
        // bytes: the whole letters that fit end a byte before the buffer's
        // end, where Wine puts the NUL.
        programPath += std::string((3 - program.size() % 3) % 3, 'x');
        for (int letter = 0; letter < 250; ++letter) programPath += u8"\u9577";
        programPath += "\\";
    }
    programPath += "Brellix.exe";

    char start[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, start);
    ASSERT_TRUE(SetCurrentDirectoryA(current.c_str()));
    std::string path;
    {
        ImportStandIn module("kernel32.dll", "GetModuleFileNameA", &GetModuleFileNameA, &ProgramPathAsWineGivesIt);
        std::unique_ptr<ImportStandIn> fullPath;
        if (row.fullPathTooLong) {
            fullPath.reset(new ImportStandIn("kernel32.dll", "GetFullPathNameA", &GetFullPathNameA,
                                             DWORD(pathBufferSize + 30), ERROR_SUCCESS));
        }
        path = DataFilePath(name);
    }
    SetCurrentDirectoryA(start);
    std::string expected = row.expected;
    if (expected == "current") {
        EXPECT_EQ(current + name, path);
    } else if (expected == "dotted") {
        EXPECT_EQ(std::string(".\\") + name, path);
    } else {
        EXPECT_EQ(name, path);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, DataFiles,
    ::testing::Values(DataFileRow{"CurrentFolderBeforeTheProgramsFolder", true, false, false, "current"},
                      DataFileRow{"CurrentFolderWhoseFullPathDoesNotFit", true, true, false, "dotted"},
                      DataFileRow{"ProgramsPathCutAtACharacter", false, false, true, "bare"}),
    [](const ::testing::TestParamInfo<DataFileRow>& row) { return std::string(row.param.name); });
