// The leaderboard replies built from ranked entries: names never leave the page as markup,
// and the page and the JSON stop at one hundred rows, in rank order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages.h"
#include "query.h"

namespace hiscored {
namespace {

TEST(PagesTest, NamesAreTextOnThePageAndListsStopAtOneHundred) {
    std::vector<Entry> e = {{7, "<b>x</b>", 50, 0}, {8, "a\"b;c,'&", 40, 0}};
    for (int i = 2; i < 150; ++i) e.push_back(Entry{i + 7, "N" + std::to_string(i), 40 - i, 0});
    const std::string html = LeaderboardHtml(e), json = LeaderboardJson(e);
    EXPECT_LT(html.find("&lt;b&gt;x&lt;/b&gt;"), html.find("a&quot;b;c,&#39;&amp;")) << html;
    EXPECT_LT(html.find("a&quot;b;c,&#39;&amp;"), html.find(">N99<"));
    EXPECT_NE(html.find(">N99<"), std::string::npos) << "the hundredth";
    EXPECT_EQ(html.find(">N100<"), std::string::npos);
    EXPECT_NE(json.find("\"rank\":100,"), std::string::npos);
    EXPECT_EQ(json.find("\"rank\":101,"), std::string::npos);
}

}  // namespace
}  // namespace hiscored
