#include "core/errors.h"

#include <gtest/gtest.h>

namespace qvt {
namespace {

TEST(ErrorStateTest, TextsOfTheCodes) {
    const std::pair<std::int32_t, const char*> texts[] = {
        {kErrNoSuchFile, "0003 no such file"}, {kErrOutOfMemory, "0007 out of memory"},
        {kErrOutOfBounds, "0009 out of bounds"}, {kErrOutOfData, "0020 out of data"},
        {42, "0042 unknown error"}, {12345, "12345 unknown error"}};
    for (auto [code, text] : texts) {
        SetLastError(code);
        EXPECT_EQ(LastErrorCode(), code);
        EXPECT_STREQ(LastErrorText().c_str(), text);
    }
    ClearLastError();
    EXPECT_EQ(LastErrorCode(), 0);
    EXPECT_STREQ(LastErrorText().c_str(), "0000 success");
}

TEST(ErrorStateTest, DebugOutputIsSilentWithoutADebugger) {
    ASSERT_FALSE(DebuggerAttached()) << "run the suite without a debugger";
    testing::internal::CaptureStderr();
    DebugOut(RuntimeString("hello"));
    DebugBreakpoint(255);
    ErrorOut(RuntimeString("to stderr"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "to stderr");
}

}  // namespace
}  // namespace qvt
