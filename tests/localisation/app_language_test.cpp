#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <sys/stat.h>

#include "localisation/app_language.h"
#include "localisation/lang_source.h"
#include "localisation/language_setting.h"
#include "engine/model/registry_routines.h"
#include "platform/registry/current_user.h"
#include "localisation/message_ids.h"
#include "platform/rtl/date_time.h"
#include "test_lang_dir.h"

namespace corvane {
namespace {

using test::TempLangDir;

void MakeLanguage(const std::string& path, const std::string& source) {
    TkLangFileEdit file(path);
    ParseLangSource(source, file);
    file.Save();
}

struct MemorySetting : LanguageSetting {
    std::string value;
    int stores = 0;
    std::string Load() override { return value; }
    void Store(const std::string& name) override {
        value = name;
        ++stores;
    }
};

struct CountingTranslator : TLangTranslator {
    int runs = 0;
    void Translate() override { ++runs; }
};

// A language object on a temporary folder holding Native (messages 1 and 2) and Deutsch (message 1).
class LanguageTest : public ::testing::Test {
protected:
    LanguageTest() : language(dir.Path()) {
        MakeLanguage(dir.File("Native.lng"), "msg 1 \"One\"\nmsg 2 \"Two\"\n");
        MakeLanguage(dir.File("Deutsch.lng"), "msg 1 \"Eins\"\n");
        language.SetErrorReporter([this](const std::string& e) { reports.push_back(e); });
    }
    TempLangDir dir;
    TKAppLanguage language;
    std::vector<std::string> reports;
};

TEST_F(LanguageTest, MessagesFallBackToNativeThenToUndefined) {
    EXPECT_EQ(language.GetLangFileName(), "Native");
    EXPECT_EQ(language.GetLangStr(1), "One");
    ASSERT_TRUE(language.SetLangFileName("Deutsch"));
    EXPECT_EQ(language.GetLangStr(1), "Eins");
    EXPECT_EQ(language.GetLangStr(2), "Two");
    EXPECT_EQ(language.GetLangStr(3), "undefined language string");
    EXPECT_TRUE(reports.empty());
}

TEST_F(LanguageTest, MissingLanguageIsEmptyAndNotCreated) {
    ASSERT_TRUE(language.SetLangFileName("Klingon"));
    EXPECT_EQ(language.GetLangStr(1), "One");
    EXPECT_FALSE(test::FileExists(dir.File("Klingon.lng")));
    EXPECT_EQ(language.GetLanguages().Items(), (std::vector<std::string>{"Deutsch", "Native"}));
}

TEST_F(LanguageTest, BrokenFilesNeverBreakLookups) {
    test::WriteBytes(dir.File("Broken.lng"), "XX3.00");
    ASSERT_TRUE(language.SetLangFileName("Deutsch"));
    CountingTranslator form;
    language.Register(&form);
    EXPECT_FALSE(language.SetLangFileName("Broken"));
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(language.GetLangFileName(), "Deutsch");  // the previous language stays
    EXPECT_EQ(language.GetLangStr(1), "Eins");
    EXPECT_EQ(form.runs, 0);
    language.Unregister(&form);

    // A broken Native answers "undefined" once reported, without retrying on every lookup.
    test::WriteBytes(dir.File("Native.lng"), "LF3.00\1");
    TKAppLanguage fresh(dir.Path());
    std::vector<std::string> freshReports;
    fresh.SetErrorReporter([&](const std::string& e) { freshReports.push_back(e); });
    EXPECT_EQ(fresh.GetLangStr(1), "undefined language string");
    EXPECT_EQ(fresh.GetLangStr(2), "undefined language string");
    EXPECT_EQ(freshReports.size(), 1u);
}

TEST_F(LanguageTest, LanguageNamesMustBePlain) {
    ASSERT_EQ(mkdir(dir.File("sub").c_str(), 0700), 0);
    MakeLanguage(dir.File("sub/Evil.lng"), "msg 1 \"Evil\"\n");
    for (const char* name : {"sub/Evil", "../Native", "..", "", "a\\b"}) {
        EXPECT_FALSE(language.SetLangFileName(name)) << name;
    }
    EXPECT_EQ(language.GetLangFileName(), "Native");
    EXPECT_EQ(reports.size(), 5u);
}

TEST_F(LanguageTest, SwitchingReTranslatesEveryForm) {
    CountingTranslator a, b;
    language.Register(&a);
    language.Register(&b);
    ASSERT_TRUE(language.SetLangFileName("Deutsch"));
    ASSERT_TRUE(language.SetLangFileName("Native"));
    EXPECT_EQ(a.runs, 2);
    EXPECT_EQ(b.runs, 2);
    language.Unregister(&a);
    language.Unregister(&b);
}

TEST_F(LanguageTest, StoredSetting) {
    MemorySetting setting;
    setting.value = "../../etc/passwd";
    language.StartWithSetting(setting);
    EXPECT_EQ(language.GetLangFileName(), "Native");

    setting.value = "Deutsch";
    language.StartWithSetting(setting);
    EXPECT_EQ(language.GetLangStr(1), "Eins");

    test::WriteBytes(dir.File("Broken.lng"), "nonsense");
    EXPECT_FALSE(language.ChooseLanguage("Broken", setting));
    EXPECT_EQ(setting.value, "Deutsch");
    EXPECT_EQ(setting.stores, 0);
    EXPECT_TRUE(language.ChooseLanguage("Native", setting));
    EXPECT_EQ(setting.value, "Native");
    EXPECT_EQ(setting.stores, 1);

    struct ThrowingSetting : LanguageSetting {
        std::string Load() override { throw std::runtime_error("registry unreadable"); }
        void Store(const std::string&) override {}
    } throwing;
    EXPECT_NO_THROW(language.StartWithSetting(throwing));
}

TEST_F(LanguageTest, SettingLivesInTheRegistry) {
    auto store = std::make_shared<RegistryStore>();
    auto previous = SetCurrentUserRegistry(store);
    RegistryLanguageSetting setting;
    EXPECT_EQ(setting.Load(), "Native");
    EXPECT_TRUE(language.ChooseLanguage("Deutsch", setting));
    test::WriteBytes(dir.File("Broken.lng"), "nonsense");
    EXPECT_FALSE(language.ChooseLanguage("Broken", setting));
    const std::string key = "\\Software\\Brellium\\Corvane\\Settings";
    EXPECT_EQ(RegRead(key, "Language", std::string()), "Deutsch");

    TKAppLanguage next(dir.Path());
    next.StartWithSetting(setting);
    EXPECT_EQ(next.GetLangFileName(), "Deutsch");
    SetCurrentUserRegistry(previous);
}

TEST(Language, ListsInstalledLanguagesSorted) {
    TempLangDir dir;
    TKAppLanguage language(dir.Path());
    EXPECT_EQ(language.GetLanguages().Count(), 0);
    test::WriteBytes(dir.File("English.lng"), "");
    test::WriteBytes(dir.File("Deutsch.lng"), "");
    test::WriteBytes(dir.File("readme.txt"), "");
    test::WriteBytes(dir.File("Deutsch.lng.bak"), "");
    EXPECT_EQ(language.GetLanguages().Items(), (std::vector<std::string>{"Deutsch", "English"}));
}

TEST(Language, LocaleOfOneLanguageDoesNotLeakIntoTheNext) {
    TempLangDir dir;
    const FormatSettings before = DisplayFormats();
    {
        TkLangFileEdit withLocale(dir.File("Dotted.lng"));
        withLocale.CaptureLocale();
        withLocale.Locale.ShortDateFormat = "dd.MM.yyyy";
        withLocale.Save();
    }
    MakeLanguage(dir.File("Plain.lng"), "msg 1 \"x\"\n");
    TKAppLanguage language(dir.Path());
    ASSERT_TRUE(language.SetLangFileName("Dotted"));
    EXPECT_EQ(DisplayFormats().ShortDateFormat, "dd.MM.yyyy");
    ASSERT_TRUE(language.SetLangFileName("Plain"));
    EXPECT_EQ(DisplayFormats().ShortDateFormat, before.ShortDateFormat);
}

// The built Native.lng holds a distinct text for every message the program shows.
TEST(Language, NativeHoldsEveryMessage) {
    const std::vector<int> used = {684, 685, 686, 687, 688, 689, 690, 691, 692, 694, 695, 696, 697, 698, 699, 700,
                                   701, 702, 703, 704, 723, 725, 726, 727, 730, 731, 732, 733, 734, 735, 736, 737,
                                   738, 740, 741, 746, 747, 748, 749, 750, 751, 752, 753, 754, 755, 764, 765, 766,
                                   767, 768, 769, 770, 771, 776, 777, 778, 779, 781, 782, 784, 785, 786, 787, 788,
                                   789, 790};
    TKAppLanguage language(CORVANE_BUILT_LANG_DIR);
    for (int id : used) {
        const std::string text = language.GetLangStr(static_cast<std::uint16_t>(id));
        EXPECT_NE(text, "undefined language string") << id;
        EXPECT_FALSE(text.empty()) << id;
    }
    EXPECT_NE(language.GetLangStr(msg::WizardFinish), language.GetLangStr(msg::WizardNext));
    EXPECT_EQ(msg::WizardFinish, 738);

    // lngtool's dump lists each of them.
    std::string dump;
    const std::string command = std::string(CORVANE_LNGTOOL) + " dump " + CORVANE_BUILT_LANG_DIR "/Native.lng";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::array<char, 4096> buf{};
    while (const std::size_t n = fread(buf.data(), 1, buf.size(), pipe.get())) dump.append(buf.data(), n);
    for (int id : used) EXPECT_NE(dump.find("msg " + std::to_string(id) + " \""), std::string::npos) << id;
}

// Run from the build tree, the program reads the languages the build compiled.
TEST(Language, DefaultFolderIsTheBuildTreesLanguageFolder) {
    EXPECT_EQ(DefaultLanguageDir(), std::string(CORVANE_BUILT_LANG_DIR) + "/");
    TKAppLanguage language;
    EXPECT_EQ(language.GetLangStr(msg::WizardNext), "Next >");
}

// The German test language and Native give real texts through the fallback.
TEST(Language, GermanTestLanguageFallsBackToNative) {
    TempLangDir dir;
    test::CopyFile(CORVANE_BUILT_LANG_DIR "/Native.lng", dir.File("Native.lng"));
    test::CopyFile(CORVANE_TEST_LANG_DIR "/Deutsch.lng", dir.File("Deutsch.lng"));
    TKAppLanguage language(dir.Path());
    ASSERT_TRUE(language.SetLangFileName("Deutsch"));
    EXPECT_EQ(language.GetLangStr(msg::WizardFinish), "Fertig stellen");
    EXPECT_EQ(language.GetLangStr(msg::ReportCreating), "Creating the task report...");
}

}  // namespace
}  // namespace corvane
