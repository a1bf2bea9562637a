#include "engine/parse/page_pass.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/model/profile.h"
#include "engine/model/task.h"
#include "engine/parse/mirror_naming.h"
#include "engine/parse/url_model.h"
#include "tests/engine/parser_page_fixture.h"

namespace corvane {
namespace {

using testing::ParserPage;

TEST_F(ParserPage, BaseIsRemovedAndHonouredTitleIsRead) {
    const PageParseOutcome out = Parse(
        "<html><head><title> The\r\nStart </title><base href=\"http://site.com/other/doc.htm\"></head>"
        "<a href=\"x.htm\">X</a><a href=\"http://site.com/docs/y.htm\">Y</a></html>");
    EXPECT_EQ(out.Title, "TheStart");
    EXPECT_EQ(out.Text.find("<base"), std::string::npos);
    EXPECT_EQ(QueuedURLs(), (std::vector<std::string>{"http://site.com/other/x.htm", "http://site.com/docs/y.htm"}));
    EXPECT_NE(out.Text.find("href=\"../other/x.htm\""), std::string::npos) << out.Text;
    EXPECT_NE(out.Text.find("href=\"y.htm\""), std::string::npos) << out.Text;
}

TEST_F(ParserPage, AnchorsStayInTheLinkButNotInTheQueue) {
    const PageParseOutcome out = Parse(
        "<a href=\"#top\">t</a><a href=\"mailto:me@site.com\">m</a><a href=\"page.htm#part\">p</a>"
        "<a href=\"PAGE.htm\">again</a>");
    ASSERT_EQ(queued_.size(), 1u);
    EXPECT_EQ(queued_[0].URL, "http://site.com/docs/page.htm");
    EXPECT_EQ(queued_[0].Title, "p");
    EXPECT_EQ(queued_[0].Referrer, page_.URL);
    EXPECT_EQ(queued_[0].Level, 1);
    EXPECT_EQ(queued_[0].Type, "HTML");
    EXPECT_NE(out.Text.find("href=\"page.htm#part\""), std::string::npos) << out.Text;
    // The second spelling is rewritten to the file of the queued one.
    EXPECT_NE(out.Text.find("href=\"page.htm\">again"), std::string::npos) << out.Text;
    EXPECT_NE(out.Text.find("href=\"#top\""), std::string::npos);
    EXPECT_NE(out.Text.find("mailto:me@site.com"), std::string::npos);
    EXPECT_EQ(out.LinksFound, 2);
    EXPECT_EQ(out.NewLinks, 1);
}

TEST_F(ParserPage, EachOccurrenceIsJudgedOnceAndNeverRewrittenTwice) {
    profile_.AggressiveParser = 1;  // quote passes find the tag values again
    const PageParseOutcome out = Parse(
        "<area href=\"../../b.com/x.js\"><a href=\"sub/p.htm\">p</a><a href=\"sub/p.htm\">again</a>"
        "<script>var s = \"img/pic.gif\";</script>");
    // AREA is found by the "A" row and the "AREA" row, and the quote passes see the values again;
    // each range is judged once, so the rewritten "../../b.com/..." is never resolved again.
    for (const auto& q : queued_) EXPECT_EQ(q.URL.find("b.com/x.js/"), std::string::npos) << q.URL;
    EXPECT_EQ(QueuedURLs(), (std::vector<std::string>{"http://site.com/b.com/x.js", "http://site.com/docs/sub/p.htm",
                                                      "http://site.com/docs/img/pic.gif"}));
    EXPECT_EQ(out.LinksFound, 4);  // the second p.htm is judged (and rewritten) as well
    EXPECT_NE(out.Text.find("href=\"sub/p.htm\">again"), std::string::npos) << out.Text;
    EXPECT_NE(out.Text.find("\"img/pic.gif\""), std::string::npos) << out.Text;
}

TEST_F(ParserPage, FramesKeepTheirPageLevelAndMapPagesSkipResources) {
    profile_.Depth = 0;
    page_.Mark = mkMap;
    Parse("<frame src=\"left.htm\"><a href=\"next.htm\">n</a><img src=\"pic.gif\">");
    ASSERT_EQ(queued_.size(), 2u);
    EXPECT_EQ(queued_[0].URL, "http://site.com/docs/left.htm");
    EXPECT_EQ(queued_[0].Frame, "Y");
    EXPECT_EQ(queued_[0].Mark, mkMap);
    EXPECT_EQ(queued_[1].URL, "http://site.com/docs/pic.gif");
    EXPECT_EQ(queued_[1].Mark, mkSkip);
}

TEST_F(ParserPage, RejectedLinksAreRewrittenOnlyOnTheSite) {
    profile_.URLFiltersExclude = TStringList({"private"});
    const PageParseOutcome out = Parse(
        "<a href=\"private.htm\">a</a><a href=\"http://other.com/x.htm\">b</a>"
        "<a href=\"http://evil.com/?u=http://site.com/\">c</a>");
    EXPECT_TRUE(queued_.empty());
    EXPECT_NE(out.Text.find("href=\"private.htm\""), std::string::npos);  // on the site: local link
    EXPECT_NE(out.Text.find("href=\"http://other.com/x.htm\""), std::string::npos);
    EXPECT_NE(out.Text.find("href=\"http://evil.com/?u=http://site.com/\""), std::string::npos);
    profile_.ConvertUnfollowedLinks = 2;
    queued_.clear();
    const PageParseOutcome all = Parse("<a href=\"http://other.com/x.htm\">b</a>");
    EXPECT_NE(all.Text.find("href=\"../../other.com/x.htm\""), std::string::npos) << all.Text;
}

TEST_F(ParserPage, EverySpellingOfALinkNamesOneQueuedURLAndOneFile) {
    const PageParseOutcome out = Parse("<a href=\"my page.htm\">1</a><a href=\"my%20page.htm\">2</a>");
    ASSERT_EQ(queued_.size(), 1u);
    EXPECT_EQ(queued_[0].URL, "http://site.com/docs/my%20page.htm");
    EXPECT_NE(out.Text.find("href=\"my%20page.htm\">1"), std::string::npos) << out.Text;
    EXPECT_NE(out.Text.find("href=\"my%20page.htm\">2"), std::string::npos) << out.Text;
    EXPECT_EQ(GetLocalFileName("/cap/", URLBaseDir(queued_[0].URL), queued_[0].URL), "/cap/site.com/docs/my page.htm");
}

TEST_F(ParserPage, CodebaseResolvesAgainstThePageDirectory) {
    profile_.ResourceLocation = lcAnywhere;
    Parse("<applet code=\"Main.class\" codebase=\"classes\" width=1>");
    ASSERT_EQ(queued_.size(), 1u);
    EXPECT_EQ(queued_[0].URL, "http://site.com/docs/classes/Main.class");
}

TEST_F(ParserPage, PagesWithoutAnExtensionLinkFromTheirOwnFolder) {
    page_.URL = "http://site.com/docs/guide";  // stored as site.com/docs/guide/guide.html
    const PageParseOutcome out = Parse("<a href=\"intro.htm\">i</a>");
    ASSERT_EQ(queued_.size(), 1u);
    EXPECT_EQ(queued_[0].URL, "http://site.com/docs/intro.htm");
    EXPECT_NE(out.Text.find("href=\"../intro.htm\""), std::string::npos) << out.Text;
}

TEST_F(ParserPage, EmptyAndLinklessPagesComeBackUnchanged) {
    EXPECT_EQ(Parse("").Text, "");
    using namespace std::string_literals;
    const std::string plain = "<p>no links \xC3\xB6\0 here</p>\r\n"s;
    ASSERT_EQ(plain.size(), 26u);
    EXPECT_EQ(Parse(plain).Text, plain);
}

}  // namespace
}  // namespace corvane
