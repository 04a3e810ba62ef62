// The replies built from ranked entries: the game's list reads back with the game's own
// cipher, names never leave the page as markup, CSV quotes what needs quoting.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/cipher.h"
#include "pages.h"
#include "query.h"

namespace hiscored {
namespace {

std::vector<Entry> entries(int n) {
    std::vector<Entry> out;
    for (int i = 0; i < n; ++i) out.push_back(Entry{i + 1, "N" + std::to_string(i), 1000 - i, 1765080000 + i});
    return out;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

std::string plain(const std::string& hex) { return qvt::DecryptText(kWireKey, hex.c_str()).c_str(); }

TEST(PagesTest, ListHoldsTheTenBestRankedThenEof) {
    for (int n : {0, 3, 10, 15}) {
        std::vector<std::string> l = lines(ListReply(entries(n)));
        int shown = std::min(n, kListEntries);
        ASSERT_EQ(l.size(), static_cast<std::size_t>(3 * shown + 1)) << n;
        for (int i = 0; i < shown; ++i) {
            EXPECT_EQ(l[3 * i], std::to_string(i + 1));
            EXPECT_EQ(plain(l[3 * i + 1]), "N" + std::to_string(i));
            EXPECT_EQ(plain(l[3 * i + 2]), std::to_string(1000 - i));
        }
        EXPECT_EQ(l.back(), "eof");
    }
}

TEST(PagesTest, NamesAreTextOnThePageAndQuotedInCsv) {
    std::vector<Entry> e = {{7, "<b>x</b>", 50, 0}, {8, "a\"b;c,'&", 40, 0}};
    std::string html = LeaderboardHtml(e);
    EXPECT_EQ(html.find("<b>x"), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;x&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(html.find("a&quot;b;c,&#39;&amp;"), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    std::string json = LeaderboardJson(e);
    EXPECT_NE(json.find(R"("name":"a\"b;c,'&")"), std::string::npos) << json;
    std::vector<std::string> csv = lines(ExportCsv(e));
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(csv[2], "8,2,\"a\"\"b;c,'&\",40,1970-01-01T00:00:00Z");
}

TEST(PagesTest, PageAndJsonStopAtOneHundred) {
    std::string json = LeaderboardJson(entries(150));
    EXPECT_NE(json.find("\"rank\":100,"), std::string::npos);
    EXPECT_EQ(json.find("\"rank\":101,"), std::string::npos);
    std::string html = LeaderboardHtml(entries(150));
    EXPECT_NE(html.find(">N99<"), std::string::npos);
    EXPECT_EQ(html.find(">N100<"), std::string::npos);
}

}  // namespace
}  // namespace hiscored
