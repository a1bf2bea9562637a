#include "engine/parse/mirror_naming.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/parse/url_model.h"
#include "platform/rtl/hex_text.h"

namespace corvane {
namespace {

const std::string kFolder = "/srv/sentinel/capture/";

// "." and ".." resolved, "//" collapsed: the path the file system would open.
std::string Lexical(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        const std::string part = path.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    return out;
}

// Every element of the path fits a file name.
bool ElementsFit(const std::string& path) {
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        if (slash - start > kMaxLocalNameBytes) return false;
        start = slash + 1;
    }
    return true;
}

TEST(MirrorNaming, SanitizeSubstitutesInOrder) {
    EXPECT_EQ(SanitizeURLName("s.cgi?a=1/2?b"), "s.cgi\xC2\xBF" "a=1\xC2\xA1" "2\xC2\xBF" "b");
    EXPECT_EQ(SanitizeURLName("a%20b%3ac|d*e:f//g&AMP;h"), "a b\xC2\xA6" "c\xC2\xA6" "d\xC2\xB0" "e\xC2\xA6" "f/g&h");
    EXPECT_EQ(SanitizeURLName("a/b?c//d"), "a/b\xC2\xBF" "c\xC2\xA1\xC2\xA1" "d");
}

TEST(MirrorNaming, QueryPagesGetAnHtmlNameAndImagesKeepTheirs) {
    EXPECT_EQ(GetLocalFileName(kFolder, "", "http://h/cgi/s.php?a=1/2"),
              kFolder + "h/cgi/s.php\xC2\xBF" "a=1\xC2\xA1" "2.html");
    EXPECT_EQ(GetLocalFileName(kFolder, "", "http://h/img.php?f=x.gif"), kFolder + "h/img.php\xC2\xBF" "f=x.gif");
    EXPECT_EQ(GetLocalFileName(kFolder, "", "http://h?x=1"), kFolder + "h/\xC2\xBF" "x=1.html");
}

TEST(MirrorNaming, DirectoriesAreStoredAsAPageInsideThem) {
    EXPECT_EQ(DirPageName("http://h/a/b/"), "b.html");
    EXPECT_EQ(DirPageName("http://www.e.com/"), "www.e.html");
    EXPECT_EQ(DirPageName("http://localhost/"), "html");
    EXPECT_EQ(GetLocalFileName(kFolder, "", "http://h/a/b/"), kFolder + "h/a/b/b.html");
    EXPECT_EQ(GetLocalFileName(kFolder, "", "http://h/a/b"), kFolder + "h/a/b/b.html");
    EXPECT_EQ(GetLocalFileName(kFolder, "", "http://www.e.com/"), kFolder + "www.e.com/www.e.html");
    EXPECT_EQ(MakeLocalLink("http://h/a/b/", "http://h/a/"), "b/b.html");
    EXPECT_EQ(MakeLocalLink("http://h/a/", "http://h/a/"), "a.html");
    EXPECT_EQ(MakeLocalLink("http://h.com/", "http://h.com/a/"), "../h.html");
}

TEST(MirrorNaming, LinksBetweenHostsClimbToTheCaptureFolder) {
    EXPECT_EQ(MakeLocalLink("http://o.com/x.htm", "http://h.com/a/b/"), "../../../o.com/x.htm");
    EXPECT_EQ(MakeLocalLink("http://h.com/a/c/x.htm", "http://h.com/a/b/"), "../c/x.htm");
    // Host names are case-insensitive and map to lower-case folders.
    EXPECT_EQ(MakeLocalLink("http://H.COM/a/x.htm", "http://h.com/a/"), "x.htm");
    EXPECT_EQ(GetLocalFileName(kFolder, "", "http://WWW.Site.COM/Dir/X.htm"), kFolder + "www.site.com/Dir/X.htm");
    // Paths keep their case.
    EXPECT_EQ(MakeLocalLink("http://h/A/x.htm", "http://h/a/"), "../A/x.htm");
}

TEST(MirrorNaming, DynamicExtensionsBecomeHtmlInTheFileNameOnly) {
    EXPECT_EQ(MakeLocalLink("http://h/a/Default.ASP", "http://h/a/"), "Default.html");
    EXPECT_EQ(MakeLocalLink("http://h/x.shtml", "http://h/"), "x.html");
    EXPECT_EQ(GetLocalFileName(kFolder, "", "http://forums.asp.net/t.phtml"), kFolder + "forums.asp.net/t.html");
    EXPECT_EQ(GetLocalFileName(kFolder, "", "http://h/x.asp/y.htm"), kFolder + "h/x.asp/y.htm");
}

TEST(MirrorNaming, AnchorsNeverReachTheFileName) {
    EXPECT_EQ(MakeLocalLink("http://h/p.php?x=1#frag", "http://h/"), "p.php\xC2\xBF" "x=1.html");
    EXPECT_EQ(GetLocalFileName(kFolder, "", "http://h/p.php?x=1#frag"), kFolder + "h/p.php\xC2\xBF" "x=1.html");
    EXPECT_EQ(PageLinkText("http://h/p.php?x=1#frag", "http://h/"), "p.php%C2%BFx%3D1.html#frag");
    EXPECT_EQ(PageLinkText("http://h/a.htm#\"><b", "http://h/"), "a.htm#%22%3E%3Cb");
    EXPECT_EQ(PageLinkText("http://h/a/page#top", "http://h/"), "a/page/page.html#top");
}

TEST(MirrorNaming, LongNamesFitTheFileSystem) {
    // Cut names keep their beginning, a "~" and an 8-digit hash, and their extension.
    const std::string name300(296, 'n');
    const std::string cut = MakeLocalLink("http://h/" + name300 + ".htm", "http://h/");
    EXPECT_EQ(cut.size(), kMaxLocalNameBytes);
    EXPECT_EQ(cut.substr(0, 242), std::string(242, 'n'));
    EXPECT_EQ(cut.substr(242, 1), "~");
    EXPECT_EQ(cut.substr(251), ".htm");
    // A cut never splits a UTF-8 character: "é" is two bytes and would straddle byte 242.
    std::string wide = std::string(241, 'a');
    for (int i = 0; i < 30; ++i) wide += "\xC3\xA9";
    const std::string fitted = MakeLocalLink("http://h/" + wide + ".htm", "http://h/");
    EXPECT_EQ(fitted.substr(0, 242), std::string(241, 'a') + "~");
    EXPECT_EQ(fitted.size(), 254u);
    // A long extension takes its room from the name part; one too long is not kept apart.
    const std::string long_ext = "." + std::string(20, 'e');
    const std::string with_ext = MakeLocalLink("http://h/" + name300 + long_ext, "http://h/");
    EXPECT_EQ(with_ext.size(), kMaxLocalNameBytes);
    EXPECT_EQ(with_ext.substr(with_ext.size() - long_ext.size()), long_ext);
    EXPECT_EQ(MakeLocalLink("http://h/a." + std::string(300, 'e'), "http://h/").size(), kMaxLocalNameBytes);
    // Long folders are shortened as well, identically in the link and the file.
    const std::string dir(400, 'd');
    const std::string link = MakeLocalLink("http://h/" + dir + "/x.htm", "http://h/");
    EXPECT_EQ(link.substr(0, 247), std::string(246, 'd') + "~");
    EXPECT_EQ(GetLocalFileName(kFolder, "", "http://h/" + dir + "/x.htm"), kFolder + "h/" + link);
}

TEST(MirrorNaming, FolderMustBeAbsoluteAndGetsItsSeparator) {
    EXPECT_EQ(GetLocalFileName("", "", "http://h/x.htm"), "");
    EXPECT_EQ(GetLocalFileName("capture/", "", "http://h/x.htm"), "");
    EXPECT_EQ(GetLocalFileName("/srv/cap", "", "http://h/x.htm"), "/srv/cap/h/x.htm");
}

TEST(MirrorNaming, PageLinksArePercentEncoded) {
    EXPECT_EQ(EncodePageLink("../a b/\xC2\xBF%41~x-y_z.htm"), "../a%20b/%C2%BF%2541~x-y_z.htm");
    EXPECT_EQ(LocalBaseDir("http://h:81/a/b"), "http://h:81/a/b/");
    EXPECT_EQ(LocalBaseDir("http://h/a/b.htm?x=/y"), "http://h/a/");
}

// Nothing a URL holds may place a file outside the capture folder.
TEST(MirrorHostile, EveryResultLiesUnderTheFolderOrIsRefused) {
    const std::vector<std::string> hostile = {
        "http://h/a/../../../../tmp/x.htm",
        "http://h/../../home/u/.bashrc",
        "http://../x.htm",
        "http://../../../etc/passwd",
        "http://./x.htm",
        "http:///x.htm",
        "http://h/..",
        "http://h/../..",
        "http://h/./../.",
        "http://h/.../x",
        "http://h//..//..//x",
        "http://h///../x",
        "http://h\\..\\..\\x.htm",
        "..\\..\\etc\\passwd",
        "../../../../etc/passwd",
        "/../../etc/passwd",
        "http://h/%2e%2e/%2e%2e/x",
        "http://h/a/..%2f..%2fx",
        "http://h/a/?x=/../../y",
        "http://h/x.htm#/../../y",
        "http://h/..?x",
        "http://h/..#x",
        "http://..:80/x",
        "http://h:../x",
        "file:///etc/passwd",
        "http://h/a" + std::string(1, '\0') + "b/x.htm",
        "http://h/" + std::string(5000, '.') + "/x",
        "http://h/" + std::string(300, 'x') + "/" + std::string(300, 'y') + "." + std::string(300, 'z'),
        "",
    };
    for (const std::string& url : hostile) {
        for (const std::string& candidate : {url, ResolveURL(url, "http://h/a/b/")}) {
            const std::string file = GetLocalFileName(kFolder, "", candidate);
            if (file.empty()) continue;
            EXPECT_EQ(file.rfind(kFolder, 0), 0u) << candidate;
            EXPECT_EQ(Lexical(file), Lexical(file + "/.")) << candidate;
            EXPECT_EQ(Lexical(file).rfind(Lexical(kFolder) + "/", 0), 0u) << candidate;
            EXPECT_EQ(file.find("/../"), std::string::npos) << candidate;
            EXPECT_EQ(file.find("/./"), std::string::npos) << candidate;
            EXPECT_EQ(file.find("//"), std::string::npos) << candidate;
            EXPECT_TRUE(ElementsFit(file)) << candidate;
        }
    }
    // The NUL byte is refused outright.
    EXPECT_EQ(GetLocalFileName(kFolder, "", "http://h/a" + std::string(1, '\0') + "b.htm"), "");
}

// The link written into a page, read back by a browser from the page's file, leads to the file the
// linked URL is stored in.
TEST(MirrorProperty, RewrittenLinksLeadToTheStoredFile) {
    const std::vector<std::string> hosts = {"h.com", "H.Com", "other.org", "localhost", "www.x.co.uk"};
    const std::vector<std::string> segments = {"a", "b", "Dir", "x.asp", "sp ace", "%20s", "c:d", "p|q",
                                               "st*r", "\xC3\xBCml", "..", ".", "", "d.d", "forums.asp.net"};
    const std::vector<std::string> documents = {"", "p.htm", "img.gif", "s.php", "Default.ASP", "noext",
                                                "a.b.c", "\xE6\x97\xA5.htm", "x.shtml"};
    const std::vector<std::string> queries = {"", "", "?x=1", "?u=/a/b", "?f=x.gif", "?q=a?b#c", "?a=1&amp;b=2",
                                              "?p=..%2F.."};
    const std::vector<std::string> anchors = {"", "", "#top", "#a/b", "#\xC3\xA9"};
    std::mt19937 rng(20261209);
    auto pick = [&rng](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    auto path = [&]() {
        std::string p;
        const int depth = std::uniform_int_distribution<int>(0, 3)(rng);
        for (int i = 0; i < depth; ++i) p += pick(segments) + "/";
        return p;
    };

    int checked = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::string page = "http://" + pick(hosts) + "/" + path() + pick(documents) + pick(queries);
        std::string link;
        switch (std::uniform_int_distribution<int>(0, 6)(rng)) {
            case 0: link = "http://" + pick(hosts) + "/" + path() + pick(documents); break;
            case 1: link = path() + pick(documents); break;
            case 2: link = "../" + path() + pick(documents); break;
            case 3: link = "../../../../" + path() + pick(documents); break;
            case 4: link = "/" + path() + pick(documents); break;
            case 5: link = "//" + pick(hosts) + "/" + path() + pick(documents); break;
            default: link = pick(segments) + "/../" + pick(segments) + "/" + pick(documents); break;
        }
        link += pick(queries) + pick(anchors);

        const std::string url = ResolveLink(link, URLBaseDir(page));
        if (url.empty()) continue;
        const std::string page_file = GetLocalFileName(kFolder, URLBaseDir(page), page);
        const std::string target = GetLocalFileName(kFolder, URLBaseDir(url), url);
        ASSERT_FALSE(page_file.empty()) << page;
        ASSERT_FALSE(target.empty()) << url;
        ASSERT_EQ(target.rfind(kFolder, 0), 0u) << url;

        std::string text = PageLinkText(url, LocalBaseDir(page));
        text = text.substr(0, text.find('#'));
        const std::string page_dir = page_file.substr(0, page_file.rfind('/') + 1);
        ASSERT_EQ(Lexical(page_dir + PercentDecode(text)), Lexical(target))
            << "page " << page << "\nlink " << link << "\nurl " << url << "\ntext " << text;
        ++checked;
    }
    EXPECT_GT(checked, 3000);
}

}  // namespace
}  // namespace corvane
