#include <gtest/gtest.h>

#include "localisation/lang_source.h"
#include "test_lang_dir.h"

namespace corvane {
namespace {

TEST(LangFileSource, BuildsDumpsAndBuildsAgain) {
    const std::string source =
        "# test\n"
        "charset 238\n"
        "bidimode 1\n"
        "font \"Tahoma\" 8 1\n"
        "name \"Čeština\"\n"
        "msg 700 First \"Tab\\there, \\\"quoted\\\", back\\\\slash \"\n"
        "msg 701 \"no name\" font 1\n"
        "prop 791 FormX lblA.Caption \"Řádek 1\\r\\nŘádek 2\"\n"
        "map 791 FormY lblA.Caption\n";
    test::TempLangDir dir;
    TkLangFileEdit file(dir.File("src"));
    const auto names = ParseLangSource(source, file);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].Name, "First");
    EXPECT_EQ(file.FindStr(700)->Text(), "Tab\there, \"quoted\", back\\slash ");
    EXPECT_EQ(file.FindStr(701)->FontIndex(), 1);
    file.Save();

    TKLangFile loaded(dir.File("src"));
    EXPECT_EQ(loaded.Charset, 238);
    EXPECT_EQ(loaded.FindStrByName("FormY", "lblA.Caption")->Text(), "Řádek 1\r\nŘádek 2");
    const std::string dumped = DumpLangSource(loaded);
    EXPECT_NE(dumped.find("map 791 FormY lblA.Caption"), std::string::npos);

    TkLangFileEdit again(dir.File("again"));
    ParseLangSource(dumped, again);
    EXPECT_EQ(again.SaveToBytes(), file.SaveToBytes());

    EXPECT_NE(MessageIdHeader(names).find("inline constexpr std::uint16_t First = 700;"), std::string::npos);
}

TEST(LangFileSource, RefusesFaultySources) {
    test::TempLangDir dir;
    TkLangFileEdit file(dir.File("bad"));
    const char* bad[] = {
        "msg 5 \"a\"\nmsg 5 \"b\"\n",              // duplicate id
        "msg 5 A \"a\"\nmsg 6 A \"b\"\n",          // duplicate name
        "prop 5 F p \"a\"\nprop 6 F P \"b\"\n",     // same path twice (keys ignore case)
        "msg 0 \"zero\"\n",
        "msg 70000 \"big\"\n",
        "msg 5 \"open\n",
        "msg 5 \"bad \\q escape\"\n",
        "msg 5 \"a\" font 1\n",                     // undefined font
        "map 9 F p\n",                              // id without text
        "msg 5 1abc \"a\"\n",
        "colour red\n",
    };
    for (const char* source : bad) EXPECT_THROW(ParseLangSource(source, file), ELangFileError) << source;
    try {
        ParseLangSource("\n\nmsg 5 \"a\"\nmsg 5 \"b\"\n", file);
    } catch (const ELangFileError& e) {
        EXPECT_NE(std::string(e.what()).find("line 4"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace corvane
