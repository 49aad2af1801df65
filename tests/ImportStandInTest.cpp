#include <gtest/gtest.h>

#include <string>

#include "ImportStandIn.h"
#include "TestSupport.h"

namespace {

// The compiler takes an import's address as fixed, so within one function it
// may keep what it read before a stand-in was put in place or after it was
// gone, and call the wrong one (it did with the undefined-behaviour checks
// built in). So each stand-in lives in a function of its own, which reads the
// import's address before the stand-in is in place, and every call is made by
// a function of its own, which reads the import afresh.
__attribute__((noinline)) DWORD AttributesOf(const std::string& path)
{
    return GetFileAttributesA(path.c_str());
}

__attribute__((noinline)) void FailTwiceThenPassOn(const std::string& folder)
{
    ImportStandIn attributes("kernel32.dll", "GetFileAttributesA", &GetFileAttributesA, INVALID_FILE_ATTRIBUTES,
                             ERROR_SHARING_VIOLATION, 2);
    for (int call = 1; call <= 2; ++call) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, AttributesOf(folder)) << "call " << call;
        EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError()) << "call " << call;
    }
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), AttributesOf(folder) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(3, attributes.Calls());
}

__attribute__((noinline)) void FailEveryCall(const std::string& folder)
{
    ImportStandIn attributes("kernel32.dll", "GetFileAttributesA", &GetFileAttributesA, INVALID_FILE_ATTRIBUTES,
                             ERROR_ACCESS_DENIED);
    for (int call = 1; call <= 3; ++call)
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, AttributesOf(folder)) << "call " << call;
}

}  // namespace

// The stand-in fails only the calls it was told to fail, passes the others on
// to the real function, and the real function is back once it is gone.
TEST(ImportStandIn, FailsTheFirstCallsThenPassesOnAndPutsTheRealFunctionBack)
{
    std::string folder = MakeTempFolder();
    FailTwiceThenPassOn(folder);
    FailEveryCall(folder);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), AttributesOf(folder) & FILE_ATTRIBUTE_DIRECTORY);
    RemoveDirectoryA(folder.c_str());
}
