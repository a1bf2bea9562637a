#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "localisation/lang_bytes.h"
#include "localisation/lang_file_edit.h"
#include "platform/rtl/date_time.h"
#include "test_lang_dir.h"

namespace corvane {
namespace {

using test::TempLangDir;

// The smallest useful file, written out byte by byte: no locale, no fonts, section "FormX" with the
// path "Caption" -> 1, and string 1 "Hi".
std::string GoldenFile() {
    std::string f;
    f += "LF";
    f += "3.00";
    f += '\0';                       // no locale block
    f += '\0';                       // BiDiMode
    f += std::string(10, '\0');      // reserved
    f += '\0';                       // Charset
    f += std::string(4, '\0');       // font count
    f += std::string(20, '\0');      // reserved
    f += std::string("\0\0", 2);     // names
    f += std::string("\1\0", 2);     // one section
    f += "\5FormX";
    f += std::string("\1\0", 2);     // one path
    f += "\7Caption";
    f += std::string("\1\0", 2);     // -> Id 1
    f += std::string("\1\0", 2);     // one string
    f += std::string("\1\0", 2);     // Id 1
    f += std::string("\0\0\0\0", 4); // offset 0
    f += std::string("\0\0", 2);     // no font
    f += std::string("Hi\0", 3);
    return f;
}

// A file as older versions wrote it. Version 1.x uses 2-byte offsets; up to 2.0 there is no locale flag
// byte and a locale block always follows.
struct OldFile {
    std::string Version = "2.50";
    bool LocaleFlag = true;
    bool WithLocale = false;
    int OffsetWidth = 4;
    std::uint8_t BiDi = 1;
    std::vector<std::tuple<std::string, std::string, std::uint16_t>> Paths;
    std::vector<std::pair<std::uint16_t, std::string>> Texts;

    std::string Bytes() const {
        LangByteWriter w;
        w.Bytes("LF");
        w.Bytes(Version);
        if (LocaleFlag) w.U8(WithLocale ? 1 : 0);
        if (WithLocale) {
            TkLocale l = CaptureCurrentLocale();
            l.ShortDateFormat = "dd.MM.yy";
            l.DateSeparator = '.';
            WriteLocaleBlock(w, l, 0);
        }
        w.U8(BiDi);
        w.Zeros(10);
        w.U8(0);
        w.I32(0);
        w.Zeros(20);
        w.U16(0);
        w.U16(static_cast<std::uint16_t>(Paths.size()));  // one path per section keeps this simple
        for (const auto& [section, path, id] : Paths) {
            w.ShortText(section);
            w.U16(1);
            w.ShortText(path);
            w.U16(id);
        }
        w.U16(static_cast<std::uint16_t>(Texts.size()));
        std::string blob;
        for (const auto& [id, text] : Texts) {
            w.U16(id);
            if (OffsetWidth == 4) w.U32(static_cast<std::uint32_t>(blob.size()));
            else w.U16(static_cast<std::uint16_t>(blob.size()));
            w.U16(0);
            blob += text;
            blob.push_back('\0');
        }
        w.Bytes(blob);
        return w.Data();
    }
};

class LangFileEditForTest : public TkLangFileEdit {
public:
    explicit LangFileEditForTest(const std::string& name) : TkLangFileEdit(name) {}
};

// A file with everything the format carries, in a code page other than the default.
void FillRich(TkLangFileEdit& f) {
    f.Charset = 204;  // Cyrillic, CP1251
    f.BiDiMode = 1;
    f.CaptureLocale();
    f.Locale.ShortDateFormat = "dd.MM.yyyy";
    f.Locale.DateSeparator = '.';
    f.Locale.LongMonthNames[0] = "Январь";
    f.Locale.EraYearOffsets[2] = -1988;
    f.Locale.TwoDigitYearCenturyWindow = 50;
    f.AddFont("Tahoma", 8, 1);
    f.AddFont("Arial Cyr", 10, 6);
    f.Names.Add("Русский");
    f.AddProp(10, "FormMain", "Caption", "Главное окно", 0);
    f.AddProp(12, "FormMain", "btnOK.Caption", "Да", 2);
    f.AddProp(11, "dlgAbout", "Memo1.Lines", "одна\r\nдве", 1);
    f.InsertStr(700, "", 0);
    f.InsertStr(5, "Сообщение", 0);
}

TEST(LangFile, GoldenFileIsExactly78Bytes) {
    const std::string golden = GoldenFile();
    ASSERT_EQ(golden.size(), 78u);

    TempLangDir dir;
    test::WriteBytes(dir.File("Golden.lng"), golden);
    TKLangFile read(dir.File("Golden"));
    EXPECT_FALSE(read.Empty);
    EXPECT_EQ(read.VersionText, "3.00");
    EXPECT_DOUBLE_EQ(read.Version, 3.0);
    EXPECT_FALSE(read.HasLocale);
    ASSERT_EQ(read.StringCount(), 1);
    auto hi = read.FindStrByName("formx", "CAPTION");
    ASSERT_TRUE(hi);
    EXPECT_EQ(hi->Id(), 1);
    EXPECT_EQ(hi->Text(), "Hi");
    EXPECT_EQ(hi->PropName(), "Caption");

    LangFileEditForTest written(dir.File("Written"));
    written.AddProp(1, "FormX", "Caption", "Hi", 0);
    written.Save();
    EXPECT_EQ(test::ReadBytes(dir.File("Written.lng")), golden);
}

TEST(LangFile, SaveThenLoadKeepsEverything) {
    TempLangDir dir;
    LangFileEditForTest out(dir.File("Rich"));
    FillRich(out);
    out.Save();
    EXPECT_FALSE(out.Empty);

    // Texts are stored in the file's code page: "Да" is two CP1251 bytes.
    EXPECT_NE(test::ReadBytes(dir.File("Rich.lng")).find(std::string("\xC4\xE0\0", 3)), std::string::npos);

    TKLangFile in(dir.File("Rich.lng"));
    EXPECT_EQ(in.VersionText, "3.00");
    EXPECT_EQ(in.Charset, 204);
    EXPECT_EQ(in.BiDiMode, 1);
    EXPECT_TRUE(in.HasLocale);
    EXPECT_EQ(in.Locale, out.Locale);
    EXPECT_EQ(in.Fonts, out.Fonts);
    EXPECT_EQ(in.Names.Items(), out.Names.Items());
    ASSERT_EQ(in.StringCount(), out.StringCount());
    for (int i = 0; i < in.StringCount(); ++i) {
        EXPECT_EQ(in.Strings[static_cast<std::size_t>(i)].Id, out.Strings[static_cast<std::size_t>(i)].Id);
        EXPECT_EQ(in.Strings[static_cast<std::size_t>(i)].Text, out.Strings[static_cast<std::size_t>(i)].Text);
        EXPECT_EQ(in.Strings[static_cast<std::size_t>(i)].FontIndex,
                  out.Strings[static_cast<std::size_t>(i)].FontIndex);
    }
    ASSERT_EQ(in.Props.Sections().size(), 2u);
    EXPECT_EQ(in.Props.Sections()[0].Name, "dlgAbout");
    EXPECT_EQ(in.FindStrByName("FormMain", "btnok.caption")->Text(), "Да");
    EXPECT_EQ(in.FindStrByName("dlgAbout", "Memo1.Lines")->FontIndex(), 1);
    EXPECT_EQ(in.FindStr(700)->Text(), "");
    EXPECT_FALSE(in.FindStr(6));
    EXPECT_EQ(in.FontAt(1).GetStyle(), (TFontStyles{false, true, true, false}));

    // Written again it is byte-identical.
    LangFileEditForTest again(dir.File("Rich.lng"));
    EXPECT_EQ(again.SaveToBytes(), test::ReadBytes(dir.File("Rich.lng")));
}

TEST(LangFile, EmptyTextIsOneZeroByte) {
    TempLangDir dir;
    LangFileEditForTest f(dir.File("E"));
    f.InsertStr(1, "", 0);
    f.InsertStr(2, "x", 0);
    const std::string bytes = f.SaveToBytes();
    EXPECT_EQ(bytes.substr(bytes.size() - 3), std::string("\0x\0", 3));
    EXPECT_EQ(f.Strings[1].Offset, 1u);
}

TEST(LangFile, ReadsOlderVersions) {
    TempLangDir dir;
    OldFile v110;
    v110.Version = "1.10";
    v110.LocaleFlag = false;
    v110.WithLocale = true;
    v110.OffsetWidth = 2;
    v110.Paths = {{"Form1", "Label1.Caption", 3}};
    v110.Texts = {{3, "Alt"}, {4, "Text"}};
    TKLangFile a(dir.File("a"));
    a.LoadFromBytes(v110.Bytes());
    EXPECT_EQ(a.OffsetWidth, 2);
    EXPECT_TRUE(a.HasLocale);
    EXPECT_EQ(a.Locale.ShortDateFormat, "dd.MM.yy");
    EXPECT_EQ(a.BiDiMode, 0);  // not kept before 2.0
    EXPECT_EQ(a.FindStr(4)->Text(), "Text");
    EXPECT_EQ(a.FindStrByName("Form1", "Label1.Caption")->Text(), "Alt");

    OldFile v200 = v110;
    v200.Version = "2.00";
    v200.OffsetWidth = 4;
    TKLangFile b(dir.File("b"));
    b.LoadFromBytes(v200.Bytes());
    EXPECT_EQ(b.OffsetWidth, 4);
    EXPECT_TRUE(b.HasLocale);
    EXPECT_EQ(b.BiDiMode, 0);
    EXPECT_EQ(b.FindStr(4)->Text(), "Text");

    OldFile v250;
    v250.Texts = {{1, "x"}};
    TKLangFile c(dir.File("c"));
    c.LoadFromBytes(v250.Bytes());
    EXPECT_FALSE(c.HasLocale);
    EXPECT_EQ(c.BiDiMode, 1);
    EXPECT_EQ(c.FindStr(1)->Text(), "x");
}

TEST(LangFile, OldMultiLineTextsAreRekeyed) {
    OldFile old;
    old.Version = "2.50";
    old.Paths = {{"Form1", "Memo1.Lines.Text", 1}, {"Form1", "Memo2.Lines.Text", 2}, {"Form2", "Text", 3}};
    old.Texts = {{1, "one\r\ntwo"}, {2, "one line"}, {3, "a\r\nb"}};
    TempLangDir dir;
    TKLangFile f(dir.File("old"));
    f.LoadFromBytes(old.Bytes());
    EXPECT_EQ(f.FindStrByName("Form1", "Memo1.Lines")->Id(), 1);
    EXPECT_FALSE(f.FindStrByName("Form1", "Memo1.Lines.Text"));
    EXPECT_EQ(f.FindStrByName("Form1", "Memo2.Lines.Text")->Id(), 2);
    EXPECT_EQ(f.FindStrByName("Form2", "Text")->Id(), 3);

    // From 3.0 on the key is taken as it is.
    old.Version = "3.00";
    f.LoadFromBytes(old.Bytes());
    EXPECT_TRUE(f.FindStrByName("Form1", "Memo1.Lines.Text"));
}

TEST(LangFile, EmptyMissingAndForeignFiles) {
    TempLangDir dir;
    test::WriteBytes(dir.File("Zero.lng"), "");
    TKLangFile zero(dir.File("Zero"));
    EXPECT_TRUE(zero.Empty);
    EXPECT_FALSE(zero.FindStr(1));
    EXPECT_FALSE(zero.HasLocale);

    // A missing file reads as empty and is not created.
    TKLangFile missing(dir.File("Klingon"));
    EXPECT_TRUE(missing.Empty);
    EXPECT_FALSE(test::FileExists(dir.File("Klingon.lng")));

    test::WriteBytes(dir.File("Foreign.lng"), std::string("MZ\x90\0\3\0\0\0", 8));
    try {
        TKLangFile foreign(dir.File("Foreign"));
        FAIL() << "no exception";
    } catch (const ELangFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Not a language file or old version (1.1)"), std::string::npos);
    }
    EXPECT_EQ(test::ReadBytes(dir.File("Foreign.lng")).size(), 8u);  // never truncated

    // A folder in the way is an error, not an empty language.
    ASSERT_EQ(mkdir(dir.File("Folder.lng").c_str(), 0700), 0);
    EXPECT_THROW(TKLangFile(dir.File("Folder.lng")), ELangFileError);
}

TEST(LangFile, EveryTruncationAndBadOffsetFailsCleanly) {
    TempLangDir dir;
    LangFileEditForTest rich(dir.File("Rich"));
    FillRich(rich);
    const std::string bytes = rich.SaveToBytes();

    TKLangFile f(dir.File("scratch"));
    for (std::size_t n = 1; n < bytes.size(); ++n) {
        EXPECT_THROW(f.LoadFromBytes(bytes.substr(0, n)), ELangFileError) << "cut at " << n;
        EXPECT_EQ(f.StringCount(), 0);
    }
    f.LoadFromBytes(bytes);
    EXPECT_EQ(f.StringCount(), 5);

    // The golden file with its string's offset pointing past the texts, and with the NUL removed.
    std::string bad = GoldenFile();
    bad[69] = 3;
    EXPECT_THROW(f.LoadFromBytes(bad), ELangFileError);
    EXPECT_THROW(f.LoadFromBytes(GoldenFile().substr(0, 77) + "!"), ELangFileError);
    // A text that is not valid in its code page.
    std::string undefined = GoldenFile();
    undefined[75] = '\x81';  // unassigned in CP1252
    EXPECT_THROW(f.LoadFromBytes(undefined), ELangFileError);
    // A huge font count runs out of bytes instead of allocating.
    std::string fonts = GoldenFile();
    fonts.replace(19, 4, "\xFF\xFF\xFF\x7F");
    EXPECT_THROW(f.LoadFromBytes(fonts), ELangFileError);
}

TEST(LangFile, TableIsSortedAndSearchedById) {
    OldFile unsorted;
    unsorted.Texts = {{9, "nine"}, {1, "one"}, {65535, "max"}, {3, "three"}};
    TempLangDir dir;
    TKLangFile f(dir.File("u"));
    f.LoadFromBytes(unsorted.Bytes());
    for (auto [id, text] : unsorted.Texts) EXPECT_EQ(f.FindStr(id)->Text(), text);
    EXPECT_FALSE(f.FindStr(0));
    EXPECT_FALSE(f.FindStr(2));
    EXPECT_FALSE(f.FindStr(65534));
}

TEST(LangFile, EditingCalls) {
    TempLangDir dir;
    LangFileEditForTest f(dir.File("Edit"));
    EXPECT_EQ(f.LastId(), 0);
    f.InsertStr(1, "a", 0);
    f.InsertStr(3, "c", 0);
    f.InsertStr(9, "i", 0);
    EXPECT_EQ(f.InsertStr(5, "e", 0), 2);
    EXPECT_EQ(f.InsertStr(12, "l", 0), 4);
    EXPECT_EQ(f.LastId(), 12);
    std::vector<int> ids;
    for (const auto& r : f.Strings) ids.push_back(r.Id);
    EXPECT_EQ(ids, (std::vector<int>{1, 3, 5, 9, 12}));

    EXPECT_EQ(f.AddFont("Arial", 9, 0), 0);
    EXPECT_EQ(f.AddFont("Arial", 9, 1), 1);
    EXPECT_EQ(f.AddFont("Arial", 9, 0), 0);
    EXPECT_EQ(f.FindFont("arial", 9, 0), -1);

    f.SetStr(5, "E", 2);
    EXPECT_EQ(f.FindStr(5)->Text(), "E");
    try {
        f.SetStr(6, "x", 0);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "No such Ident number (6)");
    }

    f.AddProp(20, "Form1", "Label1.Caption", "Hello", 0);
    f.Props.Add("Form1", "LABEL1.caption", 21);  // same key: one entry, new Id
    ASSERT_EQ(f.Props.Sections()[0].Paths.size(), 1u);
    EXPECT_EQ(f.Props.CurrentId(), 21);
    f.Props.Add("Form1", "Label1.Caption", 20);

    f.DeleteProp("Form1", "NoSuch.Caption");  // nothing to do
    f.Props.Add("Form1", "Ghost.Caption", 99);
    try {
        f.DeleteProp("Form1", "Ghost.Caption");
        FAIL();
    } catch (const ELangStrNotFound& e) {
        EXPECT_STREQ(e.what(), "Can't find language string. [Form1.Ghost.Caption]");
    }
    f.DeleteProp("Form1", "Label1.Caption");
    EXPECT_FALSE(f.FindStr(20));
    EXPECT_FALSE(f.Props.FindByName("Form1", "Label1.Caption"));
    try {
        (void)f.Props.CurrentId();
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "No such property");
    }
}

TEST(LangFile, PropertyMapRenames) {
    TkLangProps p;
    p.Add("Form1", "Button1.Caption", 1);
    p.Add("Form1", "Button1.Hint", 2);
    p.Add("Form1", "Button10.Caption", 3);
    p.Add("Form1", "Panel1.Button1.Caption", 4);
    ASSERT_TRUE(p.FindByName("FORM1", "button1.hint"));
    p.RenamePrefix("Button1", "btnOK");
    EXPECT_TRUE(p.FindByName("Form1", "btnOK.Caption"));
    EXPECT_TRUE(p.FindByName("Form1", "btnOK.Hint"));
    EXPECT_TRUE(p.FindByName("Form1", "Button10.Caption"));
    EXPECT_TRUE(p.FindByName("Form1", "Panel1.btnOK.Caption"));

    ASSERT_TRUE(p.FindByName("Form1", "btnOK.Hint"));
    p.RenameSection("FormMain");
    EXPECT_FALSE(p.FindByName("Form1", "btnOK.Hint"));
    EXPECT_TRUE(p.FindByName("FormMain", "btnOK.Hint"));
    p.RenameProp("btnOK.Caption2");
    EXPECT_TRUE(p.FindById(2));
    EXPECT_EQ(p.PropName(), "btnOK.Caption2");
    const auto& paths = p.Sections()[0].Paths;
    EXPECT_TRUE(std::is_sorted(paths.begin(), paths.end(),
                               [](const auto& a, const auto& b) { return CompareText(a.Path, b.Path) < 0; }));
}

TEST(LangFile, CodePageFaultsKeepTheOldFile) {
    TempLangDir dir;
    LangFileEditForTest f(dir.File("Cp"));
    f.InsertStr(1, "Grüße", 0);
    f.Save();
    const std::string before = test::ReadBytes(dir.File("Cp.lng"));
    EXPECT_NE(before.find("Gr\xFC\xDF" "e"), std::string::npos);  // CP1252 bytes

    f.InsertStr(2, "Ελληνικά", 0);  // not in CP1252
    EXPECT_THROW(f.Save(), ELangFileError);
    f.Strings.back().Text = "ok";
    f.InsertStr(3, std::string(300, 'x'), 0);  // long texts are fine in the blob
    f.Props.Add("Form", std::string(256, 'p'), 3);  // a path is a short text
    EXPECT_THROW(f.Save(), ELangFileError);
    EXPECT_EQ(test::ReadBytes(dir.File("Cp.lng")), before);

    // Greek in its own code page, and a double-byte one.
    LangFileEditForTest greek(dir.File("Greek"));
    greek.Charset = 161;
    greek.InsertStr(1, "Ελληνικά", 0);
    greek.Save();
    LangFileEditForTest japanese(dir.File("Japanese"));
    japanese.Charset = 128;
    japanese.InsertStr(1, "日本語", 0);
    japanese.Save();
    EXPECT_EQ(TKLangFile(dir.File("Greek")).FindStr(1)->Text(), "Ελληνικά");
    EXPECT_EQ(TKLangFile(dir.File("Japanese")).FindStr(1)->Text(), "日本語");
}

TEST(LangFile, ExpandLangFileName) {
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    const std::string here = std::string(cwd) + (std::string(cwd) == "/" ? "" : "/");
    EXPECT_EQ(ExpandLangFileName("Deutsch"), here + "Deutsch.lng");
    EXPECT_EQ(ExpandLangFileName("Deutsch.lng.bak"), here + "Deutsch.lng.bak");
    EXPECT_EQ(ExpandLangFileName("/opt/lang/Deutsch"), "/opt/lang/Deutsch.lng");
    EXPECT_EQ(ExpandLangFileName("/opt/lang/Deutsch.lng"), "/opt/lang/Deutsch.lng");
}

TEST(LangFile, LocaleChangesOnlyDisplayFormats) {
    const FormatSettings saved = DisplayFormats();
    TempLangDir dir;
    LangFileEditForTest f(dir.File("Loc"));
    f.CaptureLocale();
    f.Locale.ShortDateFormat = "dd.MM.yyyy";
    f.Locale.DateSeparator = '.';
    f.Locale.TimeAMString = "vorm.";
    f.Save();
    TKLangFile in(dir.File("Loc"));
    in.ApplyLocale();
    const TDateTime when = EncodeDateTime({2026, 12, 8, 14, 5, 0, 0});
    EXPECT_EQ(DateToStr(when), "08.12.2026");
    EXPECT_EQ(DisplayFormats().TimeAMString, "vorm.");
    EXPECT_EQ(FormatFixedDateTime(when), "12/08/2026 14:05:00");
    DisplayFormats() = saved;
}

}  // namespace
}  // namespace corvane
