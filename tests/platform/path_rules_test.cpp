// The shared path, wildcard and escape rules, as a table per rule: each caller picks its row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/dot_segments.h"
#include "platform/rtl/hex_text.h"
#include "platform/rtl/wildcard.h"

namespace corvane {
namespace {

constexpr DotSegmentRules kPop{ParentSegment::Pop, false, false};
constexpr DotSegmentRules kDrop{ParentSegment::Drop, false, false};
constexpr DotSegmentRules kRefuse{ParentSegment::Refuse, false, false};

struct DotRow {
    const char* Path;
    const char* Url;     // kUrlPathRules: RFC 3986, empty segments and the trailing "/" kept
    const char* Popped;  // kPop: mirror names and the archive window's full paths
    const char* Dropped; // kDrop: entry names of files added to an archive
    const char* Refused; // kRefuse: extraction; "!" when the path is refused
};

const DotRow kDotRows[] = {
    {"/a/b/c", "/a/b/c", "a/b/c", "a/b/c", "a/b/c"},
    {"/a/./b/../c", "/a/c", "a/c", "a/b/c", "!"},
    {"/a/b/..", "/a/", "a", "a/b", "!"},
    {"/a/b/.", "/a/b/", "a/b", "a/b", "a/b"},
    {"/../../a", "/a", "a", "a", "!"},          // above the root: clamped, never kept
    {"/a//b/", "/a//b/", "a/b", "a/b", "a/b"},  // only a URL keeps the empty segment
    {"/a//../b", "/a/b", "b", "a/b", "!"},      // in a URL ".." takes back the empty segment
    {"a/../b", "/b", "b", "a/b", "!"},          // RFC 3986: a relative path that lost its head
    {"../a/./", "a/", "a", "a", "!"},
    {"./..", "", "", "", "!"},
    {"/", "/", "", "", ""},
    {"", "", "", "", ""},
    {"/a/..b/.c", "/a/..b/.c", "a/..b/.c", "a/..b/.c", "a/..b/.c"},  // dots inside a name are a name
};

std::string Joined(const std::vector<std::string>& segments) {
    std::string out;
    for (const std::string& s : segments) out += (out.empty() ? "" : "/") + s;
    return out;
}

std::string SplitText(const char* path, const DotSegmentRules& rules) {
    std::vector<std::string> segments{"stale"};
    if (!SplitDotSegments(path, rules, segments)) return segments.empty() ? "!" : "! with segments";
    return Joined(segments);
}

TEST(PathRules, DotSegmentsByRule) {
    for (const DotRow& row : kDotRows) {
        SCOPED_TRACE(row.Path);
        EXPECT_EQ(ResolveDotSegments(row.Path, kUrlPathRules), row.Url);
        EXPECT_EQ(SplitText(row.Path, kPop), row.Popped);
        EXPECT_EQ(SplitText(row.Path, kDrop), row.Dropped);
        EXPECT_EQ(SplitText(row.Path, kRefuse), row.Refused);
    }
}

struct MatchRow {
    const char* Mask;
    const char* Name;
    bool Literal, StarDotStar, ExtensionOptional;
};

const MatchRow kMatchRows[] = {
    {"*.*", "readme", false, true, true},
    {"*.*", "a.b.c", true, true, true},
    {"a.*", "a", false, false, true},  // only the file lists take a missing extension
    {"x*.*", "xy", false, true, true},
    {"*.HTM", "Index.htm", true, true, true},
    {"?.gif", "ab.gif", false, false, false},
    {"*", "dir/sub/file", true, true, true},  // "*" spans separators
    {"a*b*c", "aXbYbZc", true, true, true},
    {"a*b", "ab/c", false, false, false},
    {"", "", true, true, true},
    {"", "a", false, false, false},
};

TEST(PathRules, WildcardsByDotStarRule) {
    for (const MatchRow& row : kMatchRows) {
        SCOPED_TRACE(std::string(row.Mask) + " ~ " + row.Name);
        EXPECT_EQ(WildcardMatch(row.Mask, row.Name, DotStarRule::Literal), row.Literal);
        EXPECT_EQ(WildcardMatch(row.Mask, row.Name, DotStarRule::StarDotStarAny), row.StarDotStar);
        EXPECT_EQ(WildcardMatch(row.Mask, row.Name, DotStarRule::ExtensionOptional), row.ExtensionOptional);
    }
    EXPECT_TRUE(HasWildcards("a?"));
    EXPECT_FALSE(HasWildcards("a.b"));
}

TEST(PathRules, PercentEscapesRoundTripAndBrokenOnesAreKeptOrRefused) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    const std::string encoded = PercentEncode(all, [](unsigned char c) { return !IsUriPathByte(c); });
    EXPECT_EQ(encoded.find_first_not_of("%0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz-._~/"),
              std::string::npos);
    EXPECT_EQ(PercentDecode(encoded), all);
    std::string strict;
    ASSERT_TRUE(PercentDecodeStrict(encoded, strict));
    EXPECT_EQ(strict, all);

    EXPECT_EQ(PercentDecode("%4a%4G%4"), "J%4G%4");
    EXPECT_FALSE(PercentDecodeStrict("a%4G", strict));
    EXPECT_FALSE(PercentDecodeStrict("a%4", strict));
    EXPECT_EQ(HexDigitValue('f'), 15);
    EXPECT_EQ(HexDigitValue('g'), -1);
}

}  // namespace
}  // namespace corvane
