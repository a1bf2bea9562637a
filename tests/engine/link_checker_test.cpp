#include "tests/support/link_checker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

TEST(LinkChecker, FindsMissingFilesAndLinksThatLeaveTheCapture) {
    const fs::path root = fs::temp_directory_path() / "corvane-linkcheck-test";
    fs::remove_all(root);
    Write(root / "h.com/index.htm",
          "<a href=\"a%20b.htm#x\">ok</a><img src=\"img/p.gif\"><a href=\"http://other/x\">ext</a>"
          "<a href=\"missing.htm\">no</a><a href=\"../../../etc/passwd\">out</a><a href=\"#top\">t</a>");
    Write(root / "h.com/a b.htm", "<a href=\"index.htm\">back</a>");
    Write(root / "h.com/img/p.gif", "GIF89a");
    const LinkCheckReport report = CheckCapturedLinks(root.string());
    EXPECT_EQ(report.PagesChecked, 2);
    EXPECT_EQ(report.LinksChecked, 5);
    ASSERT_EQ(report.Broken.size(), 2u);
    EXPECT_EQ(report.Broken[0].Link, "missing.htm");
    EXPECT_EQ(report.Broken[0].Target, "h.com/missing.htm");
    EXPECT_EQ(report.Broken[1].Link, "../../../etc/passwd");
    EXPECT_EQ(report.Broken[1].Target, "");
    EXPECT_EQ(ListCapturedFiles(root.string()),
              (std::vector<std::string>{"h.com/a b.htm", "h.com/img/p.gif", "h.com/index.htm"}));

    // Named from inside, the same capture gives the same answer.
    const fs::path was = fs::current_path();
    fs::current_path(root);
    const LinkCheckReport here = CheckCapturedLinks(".");
    EXPECT_EQ(ListCapturedFiles("."), ListCapturedFiles(root.string()));
    fs::current_path(was);
    EXPECT_EQ(here.PagesChecked, 2);
    EXPECT_EQ(here.LinksChecked, 5);
    EXPECT_EQ(here.Broken.size(), 2u);
    fs::remove_all(root);
}

}  // namespace
}  // namespace corvane::testing
