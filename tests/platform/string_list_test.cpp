#include "platform/rtl/string_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace corvane {
namespace {

TEST(StringList, CommaTextQuotesBlanksCommasAndQuotes) {
    TStringList list({"plain", "with blank", "a,b", "say \"hi\"", "", "tab\there"});
    const std::string text = list.CommaText();
    EXPECT_EQ(text, "plain,\"with blank\",\"a,b\",\"say \"\"hi\"\"\",,\"tab\there\"");
    TStringList back;
    back.SetCommaText(text);
    EXPECT_EQ(back.Items(), list.Items());
}

TEST(StringList, CommaTextReadsAsTheClassLibraryDoes) {
    TStringList list;
    list.SetCommaText("  a b , \"c d\",e,");
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"a", "b", "c d", "e", ""}));
    list.SetCommaText("");
    EXPECT_EQ(list.Count(), 0);
    list.SetCommaText("\"\"");
    EXPECT_EQ(list.Items(), (std::vector<std::string>{""}));
    EXPECT_EQ(list.CommaText(), "\"\"");
    list.SetCommaText("\"unterminated");
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"unterminated"}));
}

TEST(StringList, SortedListSearchesWithoutRegardToCaseAndAppliesTheDuplicatesPolicy) {
    TStringList list;
    list.SetSorted(true);
    list.Add("beta");
    list.Add("Alpha");
    list.Add("gamma");
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
    int index = -1;
    EXPECT_TRUE(list.Find("BETA", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(list.Find("delta", index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(list.Add("ALPHA"), 0);  // ignored
    EXPECT_EQ(list.Count(), 3);
    list.SetDuplicates(TStringList::DuplicatesPolicy::Error);
    EXPECT_THROW(list.Add("Gamma"), std::runtime_error);
    list.SetDuplicates(TStringList::DuplicatesPolicy::Accept);
    list.Add("Gamma");
    EXPECT_EQ(list.Count(), 4);
    EXPECT_THROW(list.Insert(0, "x"), std::logic_error);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("ALPHA"), -1);
}

TEST(StringList, TextSplitsEveryLineEndAndWritesCrLf) {
    TStringList list;
    list.SetText("a\r\nb\nc\rd");
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
    list.SetText("x\n\ny\n");
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"x", "", "y"}));
}

TEST(StringList, NameValuePairs) {
    TStringList list({"Host=a", "path=b=c"});
    EXPECT_EQ(list.Values("PATH"), "b=c");
    list.SetValue("host", "z");
    EXPECT_EQ(list[0], "host=z");
    list.SetValue("new", "1");
    EXPECT_EQ(list.Count(), 3);
    list.SetValue("new", "");
    EXPECT_EQ(list.Count(), 2);
}

TEST(StringList, FilesRoundTripAndMissingFilesThrow) {
    const auto dir = std::filesystem::temp_directory_path() / "corvane_sl_test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "list.txt").string();
    TStringList list({"one", "two"});
    list.SaveToFile(path);
    TStringList back;
    back.LoadFromFile(path);
    EXPECT_EQ(back, list);
    std::filesystem::remove_all(dir);
    EXPECT_THROW(back.LoadFromFile(path), std::runtime_error);
}

}  // namespace
}  // namespace corvane
