// Path helpers of the zip component.

#include "archive/zip_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace corvane {
namespace {

TEST(XcdPaths, RemoveTrailingBackslashKeepsRoots) {
    EXPECT_EQ(RemoveTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(RemoveTrailingBackslash("/"), "/");
    EXPECT_EQ(RemoveTrailingBackslash("C:\\dir\\"), "C:\\dir");
    EXPECT_EQ(RemoveTrailingBackslash("/tmp/dir//"), "/tmp/dir/") << "one separator only";
    EXPECT_EQ(RemoveTrailingBackslash("dir"), "dir");
    EXPECT_EQ(RemoveTrailingBackslash(""), "");
}

TEST(XcdPaths, RelativePathBelowEqualAndOutside) {
    EXPECT_EQ(RelativePath("/cap/Corvane/site/a.htm", "/cap/Corvane"), "site/a.htm");
    EXPECT_EQ(RelativePath("/cap/Corvane/site/a.htm", "/cap/Corvane/"), "site/a.htm");
    EXPECT_EQ(RelativePath("/CAP/corvane/site/a.htm", "/cap/Corvane"), "site/a.htm") << "case is ignored";
    EXPECT_EQ(RelativePath("/cap/Corvane", "/cap/Corvane/"), "");
    EXPECT_EQ(RelativePath("/cap/CorvaneX/a.htm", "/cap/Corvane"), "/cap/CorvaneX/a.htm") << "a prefix is no folder";
    EXPECT_EQ(RelativePath("/elsewhere/a.htm", "/cap"), "/elsewhere/a.htm");
    EXPECT_EQ(RelativePath("\\cap\\x\\..\\y\\.\\a.htm", "/cap"), "y/a.htm");
    EXPECT_EQ(RelativePath("/a/b", "/"), "a/b");
}

TEST(XcdPaths, RelativePathHasNoLengthLimit) {
    std::string deep = "/cap";
    for (int i = 0; i < 40; ++i) deep += "/folder" + std::to_string(i);
    deep += "/page.htm";
    const std::string rel = RelativePath(deep, "/cap");
    EXPECT_GT(rel.size(), 255u);
    EXPECT_EQ("/cap/" + rel, deep);
}

TEST(XcdPaths, RelativeInputsStartAtTheWorkingFolder) {
    char buffer[4096];
    ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
    EXPECT_EQ(RelativePath("sub/a.htm", buffer), "sub/a.htm");
    EXPECT_EQ(ExpandFileName("sub/../a.htm"), ExpandFileName(std::string(buffer) + "/a.htm"));
}

}  // namespace
}  // namespace corvane
