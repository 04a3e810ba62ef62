// The operator's side of hiscored: flags, and the list, delete and export commands on a
// database a server filled.
#include <gtest/gtest.h>

#include <regex>

#include "support/loopback_server.h"

namespace qvt::test {
namespace {

TEST(HiscoredCommandsTest, FlagsAndTheListDeleteAndExportCommands) {
    std::string out;
    std::vector<std::string> bad[] = {{"--listen", "nocolon"}, {"--listen", "127.0.0.1:70000"}, {"--write-limit", "-1"},
                                      {"--bogus", "1"}, {"frobnicate"}, {"--threads"}};
    for (const auto& args : bad) EXPECT_EQ(runHiscored(args, out), 2) << args[0];

    ScratchFolder scratch;
    std::string db = scratch / "ops.db";
    {
        HiscoredProcess server(db);
        ASSERT_TRUE(server.ok());
        for (const char* name : {"FIRST", "SE\"MI;", "THIRD"}) ASSERT_EQ(rawGet(server.port(), writePath(name, "5")).status, 200);
    }
    ASSERT_EQ(runHiscored({"export", "--database", db}, out), 0);
    EXPECT_TRUE(std::regex_search(out, std::regex("\r\n" R"re(2,2,"SE""MI;",5,\d{4}-\d\d-\d\dT)re"))) << out;
    ASSERT_EQ(runHiscored({"delete", "2", "--database", db}, out), 0);
    EXPECT_EQ(runHiscored({"delete", "2", "--database", db}, out), 1) << "already gone";
    ScopedEnv fromEnvironment("HISCORED_DATABASE", db.c_str());
    ASSERT_EQ(runHiscored({"list"}, out), 0);
    EXPECT_EQ(out.find("SE\"MI;"), std::string::npos);
    EXPECT_TRUE(std::regex_search(out, std::regex("\n\\s+2\\s+3\\s+THIRD\\s+5\\s"))) << out;
}

}  // namespace
}  // namespace qvt::test
