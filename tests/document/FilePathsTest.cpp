#include <gtest/gtest.h>

#include <cstring>
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
    EXPECT_STREQ("x.wav", NamePart("C:/songs\\old/x.wav"));  // a slash ends a folder too
}

// A data file in the current folder wins over the one beside the program,
// named so that no other can take its place: the player's picture is the one
// read. The program's folder is used only when its path came back whole, no
// longer than 777 bytes. The program's path is stood in: it names a folder of
// the test's that holds another picture under the same name.
namespace {

// What GetModuleFileNameA answers, as Wine does: as many whole characters as
// fit, ended by a NUL when there is room, and no error then.
std::string programPath;
bool programPathCut;

DWORD WINAPI ProgramPathAsWineGivesIt(HMODULE, LPSTR buffer, DWORD size)
{
    size_t length = CopyWholeCharacters(programPath, buffer, size);
    programPathCut = length < programPath.size();
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
    // 0: the program's path is its folder's. Otherwise its folder is padded to
    // make the whole path this many bytes; over the buffer, it comes back cut.
    size_t programPathBytes;
    const char* expected;  // "current", "dotted" (.\name), "program" or "bare"
    bool folderInCurrentFolder = false;  // the current folder has a folder of the file's name
};

void PrintTo(const DataFileRow& row, std::ostream* out)
{
    *out << row.name;
}

class DataFiles : public ::testing::TestWithParam<DataFileRow> {};

// Width and height of the picture LoadImage reads from `path`.
std::string PictureSize(const std::string& path)
{
    HBITMAP picture = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    BITMAP info = {};
    GetObjectA(picture, sizeof info, &info);
    DeleteObject(picture);
    return std::to_string(info.bmWidth) + " x " + std::to_string(info.bmHeight);
}

}  // namespace

TEST_P(DataFiles, AreFoundInTheCurrentFolderFirstAndNeverInACutFolder)
{
    const DataFileRow& row = GetParam();
    const char name[] = "barrier.bmp";
    char start[pathBufferSize];
    GetCurrentDirectoryA(sizeof start, start);
    // Two different pictures: the player's, and the one beside the program.
    std::string players = std::string(start) + "\\barrier.bmp";
    std::string programs = std::string(start) + "\\particle_sheet.bmp";
    ASSERT_NE(PictureSize(players), PictureSize(programs));
    std::string current = MakeTempFolder();
    std::string program = MakeTempFolder();
    CopyFileA(programs.c_str(), (program + name).c_str(), FALSE);
    if (row.inCurrentFolder) CopyFileA(players.c_str(), (current + name).c_str(), FALSE);
    if (row.folderInCurrentFolder) CreateDirectoryA((current + name).c_str(), nullptr);
    programPath = program;
    if (row.programPathBytes > pathBufferSize) {
        // Japanese letters from a multiple of three bytes: the whole letters
        // that fit end a byte before the buffer's end, where Wine puts the NUL.
        programPath += std::string((3 - program.size() % 3) % 3, 'x');
        while (programPath.size() < row.programPathBytes) programPath += u8"\u9577";
        programPath += "\\";
    } else if (row.programPathBytes > 0) {
        programPath += std::string(row.programPathBytes - program.size() - std::strlen("\\Brellix.exe"), 'x') + "\\";
    }
    programPath += "Brellix.exe";

    ASSERT_TRUE(SetCurrentDirectoryA(current.c_str()));
    std::string path;
    {
        ImportStandIn module("kernel32.dll", "GetModuleFileNameA", &GetModuleFileNameA, &ProgramPathAsWineGivesIt);
        std::unique_ptr<ImportStandIn> fullPath;
        if (row.fullPathTooLong) {
            fullPath.reset(new ImportStandIn("kernel32.dll", "GetFullPathNameA", &GetFullPathNameA,
                                             DWORD(pathBufferSize + 30), ERROR_SUCCESS));
        }
        programPathCut = false;
        path = DataFilePath(name);
    }
    std::string picture = PictureSize(path);
    SetCurrentDirectoryA(start);
    EXPECT_EQ(row.programPathBytes > pathBufferSize, programPathCut);
    std::string expected = row.expected;
    std::string folder = expected == "current"   ? current
                         : expected == "dotted"  ? ".\\"
                         : expected == "program" ? programPath.substr(0, programPath.size() - std::strlen("Brellix.exe"))
                                                 : "";
    EXPECT_EQ(folder + name, path);
    // The player's picture is the one read, wherever it was named from.
    if (row.inCurrentFolder) {
        EXPECT_EQ(PictureSize(players), picture);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, DataFiles,
    ::testing::Values(DataFileRow{"CurrentFolderBeforeTheProgramsFolder", true, false, 0, "current"},
                      DataFileRow{"CurrentFolderWhoseFullPathDoesNotFit", true, true, 0, "dotted"},
                      DataFileRow{"ProgramsPathOfTheLongestLength", false, false, longestPath, "program"},
                      DataFileRow{"ProgramsPathOneByteLonger", false, false, longestPath + 1, "bare"},
                      DataFileRow{"ProgramsPathCutAtACharacter", false, false, pathBufferSize + 1, "bare"},
                      DataFileRow{"FolderOfThatNameInTheCurrentFolder", false, false, 0, "program", true}),
    [](const ::testing::TestParamInfo<DataFileRow>& row) { return std::string(row.param.name); });
