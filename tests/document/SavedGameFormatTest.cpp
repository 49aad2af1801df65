#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "SavedGameFixture.h"
#include "TestSupport.h"

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
    ExpectSameGame(row.match, ValuesOf(*loaded));
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
    [](const ::testing::TestParamInfo<RoundTripRow>& row) { return std::string(row.param.name); });

// Files that hold a match, read straight from text and through Load.
struct GoodFileRow {
    const char* name;
    std::string text;
    SavedGame expected;
};

class SavedGameGoodFile : public SavedGameFile, public ::testing::WithParamInterface<GoodFileRow> {};

TEST_P(SavedGameGoodFile, ReadsAllFourValues)
{
    ExpectRead(GetParam().text, true, GetParam().expected);
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
    [](const ::testing::TestParamInfo<GoodFileRow>& row) { return std::string(row.param.name); });

// Files that are not a saved game: nothing of the match changes.
struct BadFileRow {
    const char* name;
    std::string text;
};

class SavedGameBadFile : public SavedGameFile, public ::testing::WithParamInterface<BadFileRow> {};

TEST_P(SavedGameBadFile, ChangesNothing)
{
    ExpectRead(GetParam().text, false, untouchedGame);
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
    [](const ::testing::TestParamInfo<BadFileRow>& row) { return std::string(row.param.name); });
