#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/parse/page_pass.h"
#include "engine/model/profile.h"
#include "engine/parse/url_model.h"
#include "tests/engine/parser_page_fixture.h"

namespace corvane {
namespace {

// Links that go off the site are not followed, whatever their type.
class HostileParseBase : public testing::ParserPage {
protected:
    void SetUp() override {
        ParserPage::SetUp();
        profile_.ResourceLocation = lcSite;
    }

    std::string ParseText(const std::string& text) { return Parse(text).Text; }
    static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
};

TEST_F(HostileParseBase, UnconvertedRelativeLinksKeepPointingWhereTheWebBaseSent) {
    const std::string out = ParseText(
        "<base href=\"https://cdn.other.com/lib/doc.htm\"><a href=\"a.htm#x\">a</a><img src=\"/img/p.gif\">"
        "<a href=\"//third.com/t.htm\">t</a><a href=\"javascript:go()\">j</a><a href=\"http://else.com/x.htm\">s</a>");
    // Off the site and not converted: absolute against the BASE, the anchor kept.
    EXPECT_TRUE(Has(out, "href=\"https://cdn.other.com/lib/a.htm#x\"")) << out;
    EXPECT_TRUE(Has(out, "src=\"https://cdn.other.com/img/p.gif\"")) << out;
    EXPECT_TRUE(Has(out, "href=\"https://third.com/t.htm\"")) << out;
    // Links with a scheme of their own are left alone.
    EXPECT_TRUE(Has(out, "href=\"javascript:go()\"")) << out;
    EXPECT_TRUE(Has(out, "href=\"http://else.com/x.htm\"")) << out;
    EXPECT_FALSE(Has(out, "<base")) << out;
    EXPECT_TRUE(queued_.empty());
}

TEST_F(HostileParseBase, FollowedLinksLeftUnconvertedAreMadeAbsoluteToo) {
    profile_.ConvertFollowedLinks = 0;
    const std::string out = ParseText("<BASE HREF=\"http://site.com/docs/sub/\"><a href=\"p.htm\">p</a>");
    EXPECT_EQ(QueuedURLs(), (std::vector<std::string>{"http://site.com/docs/sub/p.htm"}));
    EXPECT_TRUE(Has(out, "href=\"http://site.com/docs/sub/p.htm\"")) << out;
}

TEST_F(HostileParseBase, ABaseOutsideTheWebIsIgnored) {
    for (const std::string base : {"file:///etc/", "javascript:alert(1)", "FILE:/x/"}) {
        queued_.clear();
        const std::string out = ParseText("<base href=\"" + base + "\"><a href=\"p.htm\">p</a><img src=\"i/q.gif\">");
        EXPECT_EQ(QueuedURLs(), (std::vector<std::string>{"http://site.com/docs/p.htm", "http://site.com/docs/i/q.gif"}))
            << base;
        EXPECT_TRUE(Has(out, "href=\"p.htm\"")) << out;
        EXPECT_TRUE(Has(out, "src=\"i/q.gif\"")) << out;
        EXPECT_FALSE(Has(out, "etc")) << out;
    }
}

TEST_F(HostileParseBase, AStopEndsTheParseOfAMillionLinkPageWithinAFewHundredLinks) {
    profile_.AggressiveParser = 1;
    std::string text = "<html>";
    for (int i = 0; i < 1000000; ++i) text += "<a href=\"p" + std::to_string(i) + ".htm\">x</a>";
    int added = 0;
    int after_stop = 0;
    bool stop = false;
    int asked = 0;
    PageParseContext c = Context();
    c.QueueLink = [&](const TCVQItem& item, bool& is_new) {
        is_new = true;
        if (stop) ++after_stop;
        if (++added == 5000) stop = true;  // the stop comes in the middle of the page
        return item.URL;
    };
    c.StopRequested = [&] {
        ++asked;
        return stop;
    };
    const PageParseOutcome out = ParsePageText(text, c);
    EXPECT_TRUE(out.Stopped);
    EXPECT_LE(after_stop, 512);
    EXPECT_GT(asked, 1);
    EXPECT_TRUE(out.Text.empty());  // nothing half-converted to save
}

}  // namespace
}  // namespace corvane
