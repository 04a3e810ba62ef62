#include "core/callbyname.h"

#include <gtest/gtest.h>

#include "core/errors.h"

namespace qvt {
namespace {

int mainGameCalls = 0;
int titleCalls = 0;

const NamedRoutine kTable[] = {
    {[] { ++mainGameCalls; }, "MainGame"},
    {[] { ++titleCalls; }, "TitleScreen"},
    {[] { titleCalls += 100; }, "TitleScreen"},  // shadowed: the first equal name wins
    {nullptr, nullptr},
};

class CallByNameTest : public testing::Test {
protected:
    void SetUp() override {
        SetCallByNameTable(kTable);
        mainGameCalls = titleCalls = 0;
    }
    void TearDown() override { SetCallByNameTable(nullptr); }
};

TEST_F(CallByNameTest, FindsAndCallsByExactName) {
    EXPECT_EQ(CallByName(RuntimeString("MainGame")), 1.0);
    EXPECT_EQ(mainGameCalls, 1);
    EXPECT_EQ(CallByName(RuntimeString("TitleScreen")), 1.0);
    EXPECT_EQ(titleCalls, 1) << "the first entry of a name wins";
}

TEST_F(CallByNameTest, NamesAreCaseSensitiveAndMissesAreHarmless) {
    EXPECT_EQ(CallByName(RuntimeString("maingame")), 0.0);
    EXPECT_EQ(CallByName(RuntimeString("MainGam")), 0.0) << "a prefix is not a match";
    EXPECT_EQ(CallByName(RuntimeString("")), 0.0);
    EXPECT_EQ(CallByName(RuntimeString("QVT_ON_PAUSE")), 0.0);
    EXPECT_EQ(mainGameCalls, 0);
    EXPECT_EQ(FindByName(RuntimeString("MainGame")), kTable[0].routine);
    EXPECT_EQ(FindByName(RuntimeString("Nothing")), nullptr);
}

TEST(CallByNameNoTable, EveryLookupMisses) {
    SetCallByNameTable(nullptr);
    EXPECT_EQ(CallByName(RuntimeString("MainGame")), 0.0);
}

TEST(ErrorStateTest, TextsOfTheCodes) {
    SetLastError(kErrNoSuchFile);
    EXPECT_STREQ(LastErrorText().c_str(), "0003 no such file");
    SetLastError(kErrOutOfMemory);
    EXPECT_STREQ(LastErrorText().c_str(), "0007 out of memory");
    SetLastError(kErrOutOfBounds);
    EXPECT_STREQ(LastErrorText().c_str(), "0009 out of bounds");
    SetLastError(kErrOutOfData);
    EXPECT_STREQ(LastErrorText().c_str(), "0020 out of data");
    SetLastError(42);
    EXPECT_STREQ(LastErrorText().c_str(), "0042 unknown error");
    SetLastError(12345);
    EXPECT_STREQ(LastErrorText().c_str(), "12345 unknown error") << "at least four digits";
    ClearLastError();
    EXPECT_EQ(LastErrorCode(), 0);
    EXPECT_STREQ(LastErrorText().c_str(), "0000 success");
}

TEST(ErrorStateTest, DebugOutputIsSilentWithoutADebugger) {
    ASSERT_FALSE(DebuggerAttached()) << "run the suite without a debugger";
    testing::internal::CaptureStderr();
    DebugOut(RuntimeString("hello"));
    DebugBreakpoint(255);
    SetCallByNameTable(nullptr);
    CallByName(RuntimeString("QVT_ON_PAUSE"));
    ErrorOut(RuntimeString("to stderr"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "to stderr");
}

}  // namespace
}  // namespace qvt
