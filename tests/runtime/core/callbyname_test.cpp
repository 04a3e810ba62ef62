#include "core/callbyname.h"

#include <gtest/gtest.h>

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

TEST(CallByNameTest, CallsTheFirstExactMatchAndMissesHarmlessly) {
    SetCallByNameTable(kTable);
    EXPECT_EQ(CallByName(RuntimeString("TitleScreen")), 1.0);
    EXPECT_EQ(titleCalls, 1) << "the first entry of a name wins";
    for (const char* miss : {"maingame", "MainGam", ""}) {
        EXPECT_EQ(CallByName(RuntimeString(miss)), 0.0) << miss;
    }
    EXPECT_EQ(mainGameCalls, 0);
    EXPECT_EQ(FindByName(RuntimeString("MainGame")), kTable[0].routine);
    SetCallByNameTable(nullptr);
    EXPECT_EQ(CallByName(RuntimeString("TitleScreen")), 0.0) << "no table, no match";
}

}  // namespace
}  // namespace qvt
