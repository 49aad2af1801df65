#include <gtest/gtest.h>

#include <string>

#include "ImportStandIn.h"
#include "TestSupport.h"

// The stand-in fails only the calls it was told to fail, passes the others on
// to the real function, and the real function is back once it is gone.
TEST(ImportStandIn, FailsTheFirstCallsThenPassesOnAndPutsTheRealFunctionBack)
{
    std::string folder = MakeTempFolder();
    {
        ImportStandIn attributes("kernel32.dll", "GetFileAttributesA", &GetFileAttributesA,
                                 INVALID_FILE_ATTRIBUTES, ERROR_SHARING_VIOLATION, 2);
        for (int call = 1; call <= 2; ++call) {
            SetLastError(ERROR_SUCCESS);
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.c_str())) << "call " << call;
            EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError()) << "call " << call;
        }
        EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
        EXPECT_EQ(3, attributes.Calls());
    }
    {
        ImportStandIn attributes("kernel32.dll", "GetFileAttributesA", &GetFileAttributesA,
                                 INVALID_FILE_ATTRIBUTES, ERROR_ACCESS_DENIED);
        for (int call = 1; call <= 3; ++call)
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.c_str())) << "call " << call;
    }
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    RemoveDirectoryA(folder.c_str());
}
