#include "engine/parse/url_model.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane {
namespace {

TEST(UrlModel, SplitsEveryPart) {
    const TbrURL u("http://Host.com:8080/dir/sub/page.htm?x=1/2#top");
    EXPECT_EQ(u.Protocol, "http://");
    EXPECT_EQ(u.Host, "Host.com");
    EXPECT_EQ(u.Port, "8080");
    EXPECT_EQ(u.Path, "dir/sub/");
    EXPECT_EQ(u.Document, "page.htm");
    EXPECT_EQ(u.Ext, ".htm");
    EXPECT_EQ(u.Query, "?x=1/2#top");  // an anchor behind a query stays in the query
    EXPECT_EQ(u.Anchor, "");

    const TbrURL w("https://h\\a\\b.gif#pic");
    EXPECT_EQ(w.Path, "a/");
    EXPECT_EQ(w.Document, "b.gif");
    EXPECT_EQ(w.Anchor, "#pic");
}

TEST(UrlModel, LastSegmentWithoutExtensionIsADirectory) {
    EXPECT_EQ(URLPath("http://h/a/dir"), "a/dir/");
    EXPECT_EQ(URLDocument("http://h/a/dir"), "");
    const TbrURL u("http://h/a/page#top");
    EXPECT_EQ(u.Path, "a/page/");
    EXPECT_EQ(u.Anchor, "#top");
    EXPECT_EQ(URLDocument("http://h/a.htm?x=1#y"), "a.htm?x=1#y");
    EXPECT_EQ(URLPath("http://h/?q"), "");
    EXPECT_EQ(URLDocument("http://h/?q"), "?q");
}

TEST(UrlModel, HostEndsAtQueryAndAnchorAndDotHostIsEmpty) {
    EXPECT_EQ(URLHost("http://host?x=1"), "host");
    EXPECT_EQ(URLQuery("http://host?x=1"), "?x=1");
    EXPECT_EQ(URLHost("http://host#a"), "host");
    EXPECT_EQ(URLHost("http://./x.htm"), "");
    EXPECT_EQ(URLHost("www.site.com/a.htm"), "www.site.com");
    // A "://" inside a query is no scheme.
    EXPECT_EQ(URLProtocol("a.htm?u=http://x/"), "");
}

TEST(UrlModel, FileExtension) {
    EXPECT_EQ(URLFileExt("http://h/A.GIF"), ".gif");
    EXPECT_EQ(URLFileExt("http://h/s.cgi?a=b"), ".html");
    EXPECT_EQ(URLFileExt("http://h/dir/"), "");
    EXPECT_EQ(ExtractFileExt("a.b:c"), "");
    EXPECT_EQ(ExtractFileExt("x.tar.gz"), ".gz");
}

TEST(UrlModel, BaseDirTakesSchemeAndAuthorityThenLastSlashBeforeQuery) {
    EXPECT_EQ(URLBaseDir("http://host/a/b/c.htm"), "http://host/a/b/");
    EXPECT_EQ(URLBaseDir("https://host"), "https://host/");
    EXPECT_EQ(URLBaseDir("http://host?x=1"), "http://host/");
    EXPECT_EQ(URLBaseDir("http://host?x=a/b"), "http://host/");
    EXPECT_EQ(URLBaseDir("http://host/a/p.cgi?u=/x/y"), "http://host/a/");
    EXPECT_EQ(URLBaseDir("http://host/a/p.htm#s/t"), "http://host/a/");
    EXPECT_EQ(URLBaseDir("http://host/a/"), "http://host/a/");
}

TEST(UrlModel, ParentPrefix) {
    const std::string base = "http://h/a/b/c/";
    EXPECT_EQ(URLParentPrefix(base, 0), "http://h/");
    EXPECT_EQ(URLParentPrefix(base, 1), "http://h/a/b/");
    EXPECT_EQ(URLParentPrefix(base, 2), "http://h/a/");
    EXPECT_EQ(URLParentPrefix(base, 3), "http://h/");
    EXPECT_EQ(URLParentPrefix(base, 9), "http://h/");
    EXPECT_EQ(URLParentPrefix("https://h/a/b/", 1), "https://h/a/");
    EXPECT_EQ(URLParentPrefix("http://h", 0), "http://h/");
}

TEST(UrlResolve, SpecialForms) {
    const std::string base = "http://h/a/b/c/";
    EXPECT_EQ(ResolveURL("x.htm", base), "http://h/a/b/c/x.htm");
    EXPECT_EQ(ResolveURL("./x.htm", base), "http://h/a/b/c/x.htm");
    EXPECT_EQ(ResolveURL("../../x.htm", base), "http://h/a/x.htm");
    EXPECT_EQ(ResolveURL("../../../../../x.htm", base), "http://h/x.htm");
    EXPECT_EQ(ResolveURL("/top/x.htm", base), "http://h/top/x.htm");
    EXPECT_EQ(ResolveURL("NEWS://group/item", base), "NEWS://group/item");
    EXPECT_EQ(ResolveURL("HTTPS://Other/x", base), "HTTPS://Other/x");
    EXPECT_EQ(ResolveURL("?q=1", base), "http://h/a/b/c/?q=1");
    EXPECT_EQ(ResolveURL("p.cgi?a=1&amp;b=2&AMP;c=3", base), "http://h/a/b/c/p.cgi?a=1&b=2&c=3");
    EXPECT_EQ(ResolveURL("x\r\n.htm", base), "http://h/a/b/c/x.htm");
}

TEST(UrlResolve, NetworkPathTakesTheBaseScheme) {
    EXPECT_EQ(ResolveURL("//cdn.example/lib.js", "https://h/a/"), "https://cdn.example/lib.js");
    EXPECT_EQ(ResolveURL("//cdn.example/x/../lib.js", "http://h/a/"), "http://cdn.example/lib.js");
    EXPECT_EQ(URLHost(ResolveLink("//other/p.htm", "http://h/a/")), "other");
}

TEST(UrlResolve, DotSegmentsAreRemovedEverywhereInThePath) {
    const std::string base = "http://h/a/b/";
    EXPECT_EQ(ResolveURL("c/../d.htm", base), "http://h/a/b/d.htm");
    EXPECT_EQ(ResolveURL("a/../../../../tmp/x.htm", base), "http://h/tmp/x.htm");
    EXPECT_EQ(ResolveURL("http://h/../../home/u/.bashrc", base), "http://h/home/u/.bashrc");
    EXPECT_EQ(ResolveURL("x/./y/.", base), "http://h/a/b/x/y/");
    EXPECT_EQ(ResolveURL("x/..", base), "http://h/a/b/");
    // The query is not a path.
    EXPECT_EQ(ResolveURL("p.cgi?f=../x", base), "http://h/a/b/p.cgi?f=../x");
    EXPECT_EQ(RemoveDotSegments("http://h/a/..#x/../y"), "http://h/#x/../y");
}

TEST(UrlResolve, ResolveLinkRefusesWhatNormalizeRefuses) {
    EXPECT_EQ(ResolveLink("///x.htm", "http://h/"), "");
    EXPECT_EQ(ResolveLink("sub", "http://h/a/"), "http://h/a/sub/");
}

TEST(UrlModel, RelativeUrl) {
    EXPECT_EQ(RelativeURL("http://h/a/c/x.htm", "http://h/a/b/"), "../c/x.htm");
    EXPECT_EQ(RelativeURL("http://h/a/b/x.htm", "http://h/a/b/"), "x.htm");
    EXPECT_EQ(RelativeURL("http://h/x.htm?q=1", "http://h/a/b/"), "../../x.htm?q=1");
    EXPECT_EQ(RelativeURL("http://o/x.htm", "http://h/a/"), "http://o/x.htm");
    EXPECT_EQ(RelativeURL("/x.htm", "http://h/a/b/"), "../../x.htm");
    // Segments compare whole: "ab/" is not inside "a/".
    EXPECT_EQ(RelativeURL("http://h/ab/x.htm", "http://h/a/"), "../ab/x.htm");
}

TEST(UrlModel, AnchorAndProtocolTests) {
    EXPECT_EQ(StripAnchor("http://h/a.htm?x#y#z"), "http://h/a.htm?x");
    EXPECT_TRUE(HasWebProtocol("HTTPS://x"));
    EXPECT_TRUE(HasWebProtocol("ftp:x"));
    EXPECT_FALSE(HasWebProtocol("mailto:x"));
    EXPECT_FALSE(HasWebProtocol(" http://x"));
}

TEST(UrlUserCheck, NormalizeCompletesTypedUrls) {
    std::string url = "www.site.com";
    EXPECT_TRUE(NormalizeURL(url));
    EXPECT_EQ(url, "http://www.site.com/");
    url = "C:\\pages\\index.htm";
    EXPECT_TRUE(NormalizeURL(url));
    EXPECT_EQ(url, "file://C:/pages/index.htm");
    url = "file:///home/u/x.htm";
    EXPECT_TRUE(NormalizeURL(url));
    url = "http://h/a/page#top";
    EXPECT_TRUE(NormalizeURL(url));
    EXPECT_EQ(url, "http://h/a/page/#top");  // the directory's "/" goes before the anchor
    url = "http://h/s.cgi?a=1&amp;b=2";
    EXPECT_TRUE(NormalizeURL(url));
    EXPECT_EQ(url, "http://h/s.cgi?a=1&b=2");
    url = "http://h/a/../../b/";
    EXPECT_TRUE(NormalizeURL(url));
    EXPECT_EQ(url, "http://h/b/");
    url = "http:///x.htm";
    EXPECT_FALSE(NormalizeURL(url));
    url = "";
    EXPECT_FALSE(NormalizeURL(url));
}

TEST(UrlUserCheck, CheckReportsEachRefusal) {
    std::vector<std::string> shown;
    const UserMessageFn record = [&shown](const std::string& m) { shown.push_back(m); };
    std::string url;
    EXPECT_FALSE(CheckUserURL(url, record));
    url = "file:///home/u/x.htm";
    EXPECT_FALSE(CheckUserURL(url, record));
    url = "ftp://x/http://y/";
    EXPECT_FALSE(CheckUserURL(url, record));
    EXPECT_EQ(url, "ftp://x/http://y/");  // a refused text is left as typed
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], "Invalid URL.");
    EXPECT_EQ(shown[1], "Invalid URL.\nNOTE: file:// && ftp:// not supported in this version of Corvane.");
    EXPECT_EQ(shown[2], shown[1]);

    shown.clear();
    url = "HTTPS://Site.com/dir";
    EXPECT_TRUE(CheckUserURL(url, record));
    EXPECT_EQ(url, "HTTPS://Site.com/dir/");
    url = "site.com";
    EXPECT_TRUE(CheckUserURL(url, nullptr));
    EXPECT_EQ(url, "http://site.com/");
    EXPECT_TRUE(shown.empty());
}

TEST(UrlModel, SiteShortName) {
    EXPECT_EQ(SiteShortName("http://www.site.com/x"), "site");
    EXPECT_EQ(SiteShortName("http://news.site.com/x"), "news_site");
    EXPECT_EQ(SiteShortName("http://site.com/"), "site_com");
    EXPECT_EQ(SiteShortName("http://localhost/"), "localhost");
    EXPECT_EQ(SiteShortName("http://www.localhost"), "");
}

}  // namespace
}  // namespace corvane
