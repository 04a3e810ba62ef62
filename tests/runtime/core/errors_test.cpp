// Error texts, and debug outputs that stay silent without a debugger.
#include "core/errors.h"

#include <gtest/gtest.h>

#include <string>

namespace qvt {
namespace {

TEST(ErrorStateTest, TextsOfTheCodesAndSilentDebugOutput) {
    const std::pair<std::int32_t, const char*> texts[] = {
        {kErrNoSuchFile, "0003 no such file"}, {12345, "12345 unknown error"}};
    for (auto [code, text] : texts) {
        SetLastError(code);
        EXPECT_EQ(LastErrorCode(), code);
        EXPECT_STREQ(LastErrorText().c_str(), text);
    }
    ClearLastError();
    EXPECT_STREQ(LastErrorText().c_str(), "0000 success");

    ASSERT_FALSE(DebuggerAttached()) << "run the suite without a debugger";
    testing::internal::CaptureStderr();
    DebugOut(RuntimeString("hello"));
    DebugBreakpoint(255);
    ErrorOut(RuntimeString("to stderr"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "to stderr");
}

}  // namespace
}  // namespace qvt
