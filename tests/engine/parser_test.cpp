#include "engine/parse/parser.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane {
namespace {

std::vector<std::string> TagLinks(const std::string& text, const std::string& tag, const std::string& attr) {
    TCVParser p;
    p.Text = text;
    p.BeginTagPass(tag, attr);
    std::vector<std::string> out;
    while (p.More()) {
        const std::string link = p.Next();
        if (!link.empty()) out.push_back(link);
    }
    return out;
}

std::vector<std::string> QuotedLinks(const std::string& text, TCVParserMode mode, char quote = '"') {
    TCVParser p;
    p.Text = text;
    p.BeginQuotePass(mode, quote);
    std::vector<std::string> out;
    for (int guard = 0; p.More() && guard < 10000; ++guard) {
        const std::string link = p.Next();
        if (!link.empty()) out.push_back(link);
    }
    EXPECT_FALSE(p.More()) << "the scan must end";
    return out;
}

using Links = std::vector<std::string>;

TEST(ParserScanner, TagValuesQuotedApostrophedAndBare) {
    EXPECT_EQ(TagLinks("<a href=\"one.htm\">1</a><A HREF='two.htm'>2</A><a href=three.htm>3</a>"
                       "<a href=four.htm title=x>4</a>",
                       "A", "HREF"),
              (Links{"one.htm", "two.htm", "three.htm", "four.htm"}));
    EXPECT_EQ(TagLinks("<\n a  href = \"x.htm\" >", "A", "HREF"), Links{"x.htm"});
    // A page that begins with the tag or the quote is scanned from its first byte.
    EXPECT_EQ(TagLinks("<a href=first.htm>", "A", "HREF"), Links{"first.htm"});
    EXPECT_EQ(QuotedLinks("\"first.htm\"", TCVParserMode::AllStrings), Links{"first.htm"});
}

TEST(ParserScanner, TagNameIsAPrefixMatchAndAttributesMustEndAtADelimiter) {
    // "A" finds AREA too (the worker keeps each occurrence to one judgement).
    EXPECT_EQ(TagLinks("<area href=\"map.htm\"><abbr title=t>", "A", "HREF"), Links{"map.htm"});
    EXPECT_EQ(TagLinks("<a hrefx=\"no.htm\" href=\"yes.htm\">", "A", "HREF"), Links{"yes.htm"});
    EXPECT_EQ(TagLinks("<a href>bare</a><a class=href>", "A", "HREF"), Links{});
    // The attribute of a later tag is never taken for this one.
    EXPECT_EQ(TagLinks("<a name=x>text <img href=\"other.gif\">", "A", "HREF"), Links{});
}

TEST(ParserScanner, ScriptValuesAndRejectedValues) {
    EXPECT_EQ(TagLinks("<a href=\"javascript:w('p.htm')\">", "A", "HREF"), Links{"p.htm"});
    EXPECT_EQ(TagLinks("<a href=\"javascript:w('p.htm');\">", "A", "HREF"), Links{});
    EXPECT_EQ(TagLinks("<a href=\"javascript:void(0)\">", "A", "HREF"), Links{});
    EXPECT_EQ(TagLinks("<a href=\"a.cgi?x=1;y=2\"><a href=\"b+c.htm\">", "A", "HREF"), Links{});
    EXPECT_EQ(TagLinks("<param name=movie value=\"intro.swf\">", "PARAM", "VALUE"), Links{"intro.swf"});
}

TEST(ParserScanner, TagWithoutAnEndStopsTheScan) {
    EXPECT_EQ(TagLinks("<a href=\"ok.htm\"> <a href=\"cut.htm\"", "A", "HREF"), Links{"ok.htm"});
    EXPECT_EQ(TagLinks("", "A", "HREF"), Links{});
    // A quoted value that runs past the tag's first ">" gives nothing.
    EXPECT_EQ(TagLinks("<a href=\"a>b.htm\">", "A", "HREF"), Links{});
}

TEST(ParserScanner, ReplaceLinkContinuesAfterTheNewText) {
    TCVParser p;
    p.Text = "<a href=\"long/path/page.htm\">x</a><a href=\"b.htm\">y</a>";
    p.BeginTagPass("A", "HREF");
    EXPECT_EQ(p.Next(), "long/path/page.htm");
    EXPECT_EQ(p.GetTagText(), "x");
    p.ReplaceLink("p.htm");
    EXPECT_EQ(p.Next(), "b.htm");
    p.ReplaceLink("longer/than/before/b.htm");
    EXPECT_EQ(p.Next(), "");
    EXPECT_FALSE(p.More());
    EXPECT_EQ(p.Text, "<a href=\"p.htm\">x</a><a href=\"longer/than/before/b.htm\">y</a>");
}

TEST(ParserScanner, QuotedStringsAnywhere) {
    EXPECT_EQ(QuotedLinks("x = \"img/a.gif\"; t=\"text/css\"; s=\"a b.htm\"; n=\"3.14\"; "
                          "m=\"mailto:me@x.org\"; u=\"http://h/p\"; w=\"word\"",
                          TCVParserMode::AllStrings),
              (Links{"img/a.gif", "3.14", "http://h/p"}));
    // A ">" between two quotes: the closing quote opens the next string.
    EXPECT_EQ(QuotedLinks("<a title=\"x\">y\"z.htm\"", TCVParserMode::AllStrings), Links{"z.htm"});
    EXPECT_EQ(QuotedLinks("no quotes here", TCVParserMode::AllStrings), Links{});
    EXPECT_EQ(QuotedLinks("one \"unclosed.htm", TCVParserMode::AllStrings), Links{});
    EXPECT_EQ(QuotedLinks("a='x/y.js'", TCVParserMode::AllStrings, '\''), Links{"x/y.js"});
}

TEST(ParserScanner, ScriptStringsOnlyInsideScriptBlocks) {
    const std::string page =
        "<p>\"outside.htm\"</p><SCRIPT>var a=\"in.htm\";</SCRIPT>\"after.htm\"<script>b=\"two/x.js\"</script>";
    EXPECT_EQ(QuotedLinks(page, TCVParserMode::ScriptStrings), (Links{"in.htm", "two/x.js"}));
    EXPECT_EQ(QuotedLinks("<script>a=\"unclosed.htm\"", TCVParserMode::ScriptStrings), Links{});
}

TEST(ParserScanner, ScriptBlocksFollowReplacementsInTheSamePass) {
    TCVParser p;
    p.Text = "<script>a=\"x/a.js\";b=\"y/b.js\"</script>\"z/out.js\"";
    p.BeginQuotePass(TCVParserMode::ScriptStrings, '"');
    Links seen;
    while (p.More()) {
        const std::string link = p.Next();
        if (link.empty()) continue;
        seen.push_back(link);
        p.ReplaceLink("a/much/longer/replacement/" + link);
    }
    EXPECT_EQ(seen, (Links{"x/a.js", "y/b.js"}));
}

}  // namespace
}  // namespace corvane
