// Hostile titles, URLs and task names: the pages carry them as text only, link only to web and local
// addresses, and are written only inside the capture folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/support/text_routines.h"
#include "tasks/report/report_html.h"
#include "tests/tasks/report/report_fixture.h"

namespace corvane::testing {
namespace {

using TaskReportInjectionTest = ReportTest;

bool ValidUtf8(const std::string& s) {
    for (std::size_t i = 0, len = 0; i < s.size(); i += len)
        if ((len = Utf8SequenceLength(s, i)) == 0) return false;
    return true;
}

TEST_F(TaskReportInjectionTest, HostileTextStaysText) {
    task_->Name = "../x";
    task_->StartPageTitle = "<script>alert(1)</script>";
    Add("http://www.site.test/index.html", "HTML", isSaved, "</a><script>\"'&");
    Add("javascript:alert(1)", "HTML", isSaved, "js", "javascript:alert(2)");
    Add("http://www.site.test/b.html", "HTML", isSaved, "line\r\nbreak\xB6", "http://www.site.test/index.html");
    Add("JavaScript:alert(3)//x.gif", "Images", isSaved, "img", "http://www.site.test/\"><script>");
    Generate();

    // Files only inside the capture folder; the hostile name stands as a plain file name there.
    const std::string report = folder_ + "www.site.test/!.._x";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home_)) {
        const std::string path = entry.path().string();
        if (path.find("/Tasks") != std::string::npos || path.find("registry") != std::string::npos) continue;
        EXPECT_EQ(path.rfind(home_ + "capture", 0), 0u) << path;
    }
    const std::string summary = ReadBytes(report + "_summary.htm");
    const std::string pages = ReadBytes(report + "_pages_1.htm");
    const std::string images = ReadBytes(report + "_images_1.htm");

    // Our own popup script is the only one; every other "<" from outside is escaped.
    EXPECT_EQ(Count(summary, "<script"), 0);
    EXPECT_EQ(Count(pages, "<script"), 1);
    EXPECT_EQ(Count(images, "<script"), 1);
    EXPECT_NE(pages.find("<b>&lt;/a&gt;&lt;script&gt;&quot;&#39;&amp;</b>"), std::string::npos);
    EXPECT_NE(summary.find("<b>&lt;script&gt;alert(1)&lt;/script&gt;</b>"), std::string::npos);
    EXPECT_NE(pages.find("line  break\xEF\xBF\xBD"), std::string::npos);

    // Anchors: start page and task URL, the navigation line twice (Summary, 1), then per row the
    // local file, the URL and the referrer where they are http(s) or our own files.
    EXPECT_EQ(Count(summary, "<a "), 4);
    EXPECT_EQ(Count(pages, "<a "), 2 + 4 + 2 + 0 + 3);
    EXPECT_EQ(Count(images, "<a "), 2 + 4 + 1);
    EXPECT_EQ(images.find("<img src=\"JavaScript"), std::string::npos);
    for (const std::string* page : {&summary, &pages, &images}) {
        EXPECT_EQ(page->find("href=\"javascript"), std::string::npos);
        EXPECT_EQ(page->find("href=\"JavaScript"), std::string::npos);
        EXPECT_TRUE(ValidUtf8(*page));
    }
}

TEST_F(TaskReportInjectionTest, HrefsAreEscapedWebOrFileAddresses) {
    EXPECT_EQ(WebLink("https://h/?a=\"b\"&c=<d>", "t"), "<a href=\"https://h/?a=&quot;b&quot;&amp;c=&lt;d&gt;\">t</a>");
    EXPECT_EQ(WebLink("HTTP://h/a b\xB6", "t"), "<a href=\"HTTP://h/a%20b%B6\">t</a>");
    EXPECT_EQ(WebLink("data:text/html,x", "t"), "t");
    EXPECT_EQ(WebLink(" http://h/", "t"), "t");
    EXPECT_EQ(FileHref("/c/a\"b<c>'.html"), "file:///c/a%22b%3Cc%3E%27.html");
    EXPECT_EQ(HtmlText("\xE0\x80\xAF\xED\xA0\x80ok\xF4\x90\x80\x80"),
              "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDok\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace corvane::testing
