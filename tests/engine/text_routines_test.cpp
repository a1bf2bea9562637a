#include "engine/support/text_routines.h"

#include <gtest/gtest.h>

#include "engine/support/system_info.h"

namespace corvane {
namespace {

const std::string kSep = "\xB6";

TEST(TextRoutines, TokensAreCountedFromZeroAndSetTokenKeepsEverySeparator) {
    const std::string record = "a" + kSep + "b" + kSep;
    EXPECT_EQ(GetToken(record, '\xB6', 0), "a");
    EXPECT_EQ(GetToken(record, '\xB6', 1), "b");
    EXPECT_EQ(GetToken(record, '\xB6', 2), "");
    EXPECT_EQ(GetToken(record, '\xB6', 7), "");
    EXPECT_EQ(GetToken("x,,z", ',', 1), "");
    EXPECT_EQ(GetToken("x,,z", ',', 2), "z");

    std::string text = "0" + kSep + "x" + kSep;
    SetToken(text, "5", '\xB6', 0);
    EXPECT_EQ(text, "5" + kSep + "x" + kSep);
    SetToken(text, "y", '\xB6', 1);
    EXPECT_EQ(text, "5" + kSep + "y" + kSep);
    SetToken(text, "longer value", '\xB6', 0);
    EXPECT_EQ(text, "longer value" + kSep + "y" + kSep);
    SetToken(text, "", '\xB6', 1);
    EXPECT_EQ(text, "longer value" + kSep + kSep);
    const std::string before = text;
    SetToken(text, "z", '\xB6', 5);
    EXPECT_EQ(text, before);
}

TEST(TextRoutines, StrReplaceFlags) {
    std::string text = "a&amp;b&amp;c";
    StrReplace(text, "&amp;", "&", 0);
    EXPECT_EQ(text, "a&b&amp;c");
    text = "a&amp;b&AMP;c";
    StrReplace(text, "&amp;", "&", kReplaceAll);
    EXPECT_EQ(text, "a&b&c");
    text = "a&amp;b&AMP;c";
    StrReplace(text, "&amp;", "&", kReplaceAll | kReplaceCaseSensitive);
    EXPECT_EQ(text, "a&b&AMP;c");

    // A replacement holding the find text is not searched again.
    text = "aXa";
    StrReplace(text, "a", "aa", kReplaceAll);
    EXPECT_EQ(text, "aaXaa");
    // An empty find text is never found, so this ends and changes nothing.
    StrReplace(text, "", "z", kReplaceAll);
    EXPECT_EQ(text, "aaXaa");

    text = "cat cats cat.cat";
    StrReplace(text, "cat", "dog", kReplaceAll | kReplaceBeforeDelimiter);
    EXPECT_EQ(text, "dog cats dog.dog");

    text = "one.htm two.htm";
    StrReplaceFrom(text, 5, ".HTM", 0, ".html");
    EXPECT_EQ(text, "one.htm two.html");
    StrReplaceFrom(text, 100, "one", kReplaceAll, "x");
    EXPECT_EQ(text, "one.htm two.html");
}

TEST(TextRoutines, TextBetweenMarkers) {
    EXPECT_EQ(StrBetween("x<a>1</a><a>2</a>", "<a>", "</a>"), "1");
    EXPECT_EQ(StrBetween("</a>x<a>1", "<a>", "</a>"), "");
    EXPECT_EQ(StrBetween("<A>1</a>", "<a>", "</a>"), "");
    EXPECT_EQ(StrBetween("<a>1</a>", "", "</a>"), "");

    EXPECT_EQ(ExtractBetweenCI("<html><Title>Caf\xC3\xA9 Page</tITle>", "<TITLE>", "</TITLE>"),
              "Caf\xC3\xA9 Page");
    EXPECT_EQ(ExtractBetweenCI("</TITLE><TITLE>x", "<TITLE>", "</TITLE>"), "");
    EXPECT_EQ(ExtractBetweenCI("<TITLE>x", "<TITLE>", "</TITLE>"), "");
    EXPECT_EQ(ExtractBetweenCI("<TITLE>x</TITLE>", "<TITLE>", ""), "");
    EXPECT_TRUE(TextEquals("Index.HTM", "index.htm"));
    EXPECT_FALSE(TextEquals("index.htm", "index.html"));
}

TEST(TextRoutines, PositionsAreOneBasedAndZeroWhenAbsent) {
    EXPECT_EQ(PosFrom("ab", "abxab", 1), 1);
    EXPECT_EQ(PosFrom("ab", "abxab", 2), 4);
    EXPECT_EQ(PosFrom("ab", "abxab", 5), 0);
    EXPECT_EQ(PosFrom("", "abxab", 1), 0);
    EXPECT_EQ(LastPos("ab", "abxab"), 4);
    EXPECT_EQ(LastPos("zz", "abxab"), 0);
    EXPECT_EQ(LastPos("", "abxab"), 0);
    EXPECT_EQ(ScanExact("a?ca?c", "a?c", 2), 4);
    EXPECT_EQ(ScanExact("abc", "a?c", 1), 0);
    EXPECT_EQ(ScanExact("abc", "", 1), 0);
}

TEST(TextRoutines, ScanForwardWildcardAndCase) {
    EXPECT_EQ(ScanForward("XABCD", "b?", -1), 3);
    EXPECT_EQ(ScanForward("XABCD", "b?", 1), 0);
    EXPECT_EQ(ScanForward("xabcd", "B?D", -1), 3);
    EXPECT_EQ(ScanForward("href=x href=y", "href=", 2), 8);
    EXPECT_EQ(ScanForward("abc", "abc", 0), 0);
    EXPECT_EQ(ScanForward("abc", "c", 4), 0);
    EXPECT_EQ(ScanForward("abc", "bcd", 2), 0);
    EXPECT_EQ(ScanForward("", "a", 1), 0);
    EXPECT_EQ(ScanForward("abc", "", 1), 0);
    // Only letters fold: "@" and "`" differ by the same bit but are different characters.
    EXPECT_EQ(ScanForward("a`b", "@", -1), 0);
    EXPECT_EQ(ScanForward("a[b", "{", -1), 0);
}

TEST(TextRoutines, ScanBackwardFindsTheLastMatchEndingByTheStart) {
    EXPECT_EQ(ScanBackward("abc-abc", "abc", 0), 5);
    EXPECT_EQ(ScanBackward("abc-abc", "abc", 5), 1);
    EXPECT_EQ(ScanBackward("abc-abc", "abc", 7), 5);
    EXPECT_EQ(ScanBackward("abc-abc", "abc", 100), 5);
    EXPECT_EQ(ScanBackward("abc-ABC", "abc", 0), 1);
    EXPECT_EQ(ScanBackward("abc-ABC", "abc", -7), 5);
    EXPECT_EQ(ScanBackward("abc-abc", "a?c", 6), 1);
    EXPECT_EQ(ScanBackward("abc", "abc", 2), 0);
    EXPECT_EQ(ScanBackward("abc", "", 0), 0);
    EXPECT_EQ(ScanBackward("", "a", 0), 0);
}

TEST(TextRoutines, CleanFieldDropsLineBreaksAndStrayFieldMarksButKeepsUtf8) {
    EXPECT_EQ(CleanField("  a\r\nb" + kSep + " \t"), "ab");
    // UTF-8 "ö" is C3 B6: its second byte is the field mark's value and must survive.
    EXPECT_EQ(CleanField("K\xC3\xB6ln" + kSep), "K\xC3\xB6ln");
    EXPECT_EQ(CleanField("\xE2\x82\xAC 5"), "\xE2\x82\xAC 5");
    EXPECT_EQ(CleanField("\xE2\x82" + kSep), "\xE2\x82\xB6");
    // A 0xB6 that only looks like part of a character is dropped.
    EXPECT_EQ(CleanField("\xE2" + kSep + "x"), "\xE2x");
    EXPECT_EQ(CleanField("\xC3\xB6" + kSep + kSep + "y"), "\xC3\xB6y");
    EXPECT_EQ(CleanField("\xF0\x9F\x98" + kSep), "\xF0\x9F\x98\xB6");
    EXPECT_EQ(CleanField("\xC0" + kSep), "\xC0");
    EXPECT_EQ(CleanField("\x01\x1F title \x7F"), "title \x7F");
    EXPECT_EQ(CleanField(""), "");
}

TEST(TextRoutines, StrToIntNoSepReadsGroupedNumbersAndRejectsTheRest) {
    EXPECT_EQ(StrToIntNoSep("1,234,567"), 1234567);
    EXPECT_EQ(StrToIntNoSep("-12"), -12);
    EXPECT_EQ(StrToIntNoSep(" 42"), 42);
    EXPECT_EQ(StrToIntNoSep("-2,147,483,648"), -2147483647 - 1);
    for (const char* bad : {"", "abc", "12x", "-", ",", "1.5", "2147483648", "99999999999999999999"})
        EXPECT_THROW(StrToIntNoSep(bad), EConvertError) << bad;
}

TEST(TextRoutines, ScreenColorCountUsesTheInstalledDepthWithoutWrapping) {
    EXPECT_TRUE(IsWinNT);
    EXPECT_EQ(ScreenColorCount(), 2u);
    SetScreenDepthHook([] { return 32; });
    EXPECT_EQ(ScreenColorCount(), 4294967296ull);
    SetScreenDepthHook([] { return 8; });
    EXPECT_EQ(ScreenColorCount(), 256u);
    SetScreenDepthHook({});
    EXPECT_EQ(ScreenColorCount(), 2u);
}

}  // namespace
}  // namespace corvane
