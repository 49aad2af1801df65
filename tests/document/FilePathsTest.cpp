#include <gtest/gtest.h>

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
