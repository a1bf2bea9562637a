#include "engine/parse/link_acceptance.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

const std::string kStart = "http://site.com/docs/";

struct Rules {
    TStringList file_types, exclude, include, task_exclude, task_include;
    LinkRules rules;
    Rules() {
        rules.FileTypes = &file_types;
        rules.FiltersExclude = &exclude;
        rules.FiltersInclude = &include;
        rules.TaskExclude = &task_exclude;
        rules.TaskInclude = &task_include;
    }
    bool Accept(const std::string& url, const std::string& type = "HTML", int level = 1) const {
        return AcceptLink(rules, url, kStart, level, type);
    }
};

TEST(AcceptLink, ProtocolsAdmitHttpAndHttpsOnly) {
    Rules r;
    EXPECT_TRUE(r.Accept("http://site.com/docs/a.htm"));
    EXPECT_TRUE(r.Accept("https://site.com/docs/a.htm"));
    EXPECT_TRUE(r.Accept("HTTPS://site.com/b.htm"));
    EXPECT_FALSE(r.Accept("ftp://site.com/docs/a.htm"));
    EXPECT_FALSE(r.Accept("file:///etc/passwd"));
    EXPECT_FALSE(r.Accept(""));
}

TEST(AcceptLink, FileTypesWithAndWithoutScripts) {
    Rules r;
    r.rules.ResourceLocation = 1;  // within the site
    // An empty list takes every type, but gives .js no exception from the location rule.
    EXPECT_FALSE(r.Accept("http://cdn.net/lib.js", "Scripts"));
    r.file_types = TStringList({".htm", ".GIF"});
    EXPECT_TRUE(r.Accept("http://site.com/i/a.gif", "Images"));
    EXPECT_FALSE(r.Accept("http://site.com/lib.js", "Scripts"));
    EXPECT_TRUE(r.Accept("http://site.com/docs/", "HTML"));  // no extension passes
    r.file_types.Add(".js");
    EXPECT_TRUE(r.Accept("http://cdn.net/lib.js", "Scripts"));  // taken wherever it lives
}

TEST(AcceptLink, DepthCountsPagesOnly) {
    Rules r;
    r.rules.Depth = 1;
    EXPECT_TRUE(r.Accept("http://site.com/docs/a.htm", "HTML", 1));
    EXPECT_FALSE(r.Accept("http://site.com/docs/b.htm", "HTML", 2));
    EXPECT_TRUE(r.Accept("http://site.com/docs/i.gif", "Images", 5));
    r.rules.Depth = 0;
    EXPECT_TRUE(r.Accept("http://site.com/docs/frame.htm", "HTML", 0));  // a frame keeps its page's level
    EXPECT_FALSE(r.Accept("http://site.com/docs/next.htm", "HTML", 1));
    r.rules.Depth = -1;
    EXPECT_TRUE(r.Accept("http://site.com/docs/deep.htm", "HTML", 99));
}

TEST(AcceptLink, FilterRulesWithScopeMarkers) {
    Rules r;
    r.exclude = TStringList({"[RL]banner"});
    EXPECT_FALSE(r.Accept("http://site.com/docs/BANNER.gif", "Images"));
    EXPECT_TRUE(r.Accept("http://site.com/docs/banner.htm", "HTML"));
    r.exclude = TStringList({"[pl]private"});
    EXPECT_FALSE(r.Accept("http://site.com/docs/Private.htm"));
    EXPECT_TRUE(r.Accept("http://site.com/docs/private.gif", "Images"));
    r.exclude = TStringList({"", "[AL]"});  // empty patterns match nothing
    EXPECT_TRUE(r.Accept("http://site.com/docs/a.htm"));

    r.exclude.Clear();
    r.include = TStringList({"?.gif"});
    EXPECT_TRUE(r.Accept("http://site.com/docs/x.gif", "Images"));
    EXPECT_FALSE(r.Accept("http://site.com/docs/x.htm"));
    r.include = TStringList({"[PL]docs"});
    EXPECT_TRUE(r.Accept("http://site.com/docs/x.htm"));
    EXPECT_FALSE(r.Accept("http://site.com/docs/x.gif", "Images"));  // only page rules: resources out
}

TEST(AcceptLink, TheTasksOwnLists) {
    Rules r;
    r.task_exclude = TStringList({"logout"});
    EXPECT_FALSE(r.Accept("http://site.com/docs/LOGOUT.htm"));
    r.task_exclude.Clear();
    r.task_include = TStringList({"docs", ".htm"});
    EXPECT_TRUE(r.Accept("http://site.com/docs/a.htm"));
    EXPECT_FALSE(r.Accept("http://site.com/docs/a.gif", "Images"));
}

TEST(AcceptLink, Locations) {
    Rules r;
    r.rules.PageLocation = 0;
    EXPECT_TRUE(r.Accept("http://site.com/docs/sub/a.htm"));
    EXPECT_FALSE(r.Accept("http://site.com/other/a.htm"));
    r.rules.PageLocation = 1;
    EXPECT_TRUE(r.Accept("http://SITE.com/other/a.htm"));
    EXPECT_TRUE(r.Accept("https://site.com/other/a.htm"));
    EXPECT_FALSE(r.Accept("http://site.com:8080/other/a.htm"));
    EXPECT_FALSE(r.Accept("http://evil.com/?u=http://site.com/"));    // look-alike query
    EXPECT_FALSE(r.Accept("http://site.com.evil.com/a.htm"));
    EXPECT_FALSE(r.Accept("http://evil.com/http://site.com/docs/"));
    r.rules.PageLocation = 2;
    EXPECT_TRUE(r.Accept("http://anywhere.org/a.htm"));
    r.rules.PageLocation = 3;
    EXPECT_FALSE(r.Accept("http://site.com/docs/a.htm"));
    r.rules.ResourceLocation = 0;
    EXPECT_FALSE(r.Accept("http://site.com/img/a.gif", "Images"));
}

TEST(AcceptLink, SplitFilterMarker) {
    std::string rule = "[RL]ads";
    EXPECT_EQ(SplitFilterMarker(rule), FilterScope::ResourceLinks);
    EXPECT_EQ(rule, "ads");
    rule = "plain";
    EXPECT_EQ(SplitFilterMarker(rule), FilterScope::AllLinks);
    EXPECT_EQ(rule, "plain");
}

}  // namespace
}  // namespace corvane
