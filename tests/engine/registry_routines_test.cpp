#include "engine/model/registry_routines.h"

#include <gtest/gtest.h>

#include "tests/support/scoped_env.h"

#include <cstdlib>
#include <filesystem>
#include <limits>

#include "platform/registry/current_user.h"
#include "platform/rtl/log.h"
#include "platform/rtl/paths.h"

namespace corvane {
namespace {

const std::string kSettings = "\\Software\\Brellium\\Corvane\\Settings";

// Each case gets a hive of its own, kept in memory.
class RegistryRoutines : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = std::make_shared<RegistryStore>();
        previous_ = SetCurrentUserRegistry(store_);
        previous_sink_ = SetLogSink([this](const std::string&) { ++warnings_; });
    }
    void TearDown() override {
        SetCurrentUserRegistry(previous_);
        SetLogSink(previous_sink_);
    }

    std::shared_ptr<RegistryStore> store_, previous_;
    LogSink previous_sink_;
    int warnings_ = 0;
};

TEST_F(RegistryRoutines, EveryVariantKindRoundTripsWithItsRegistryType) {
    const std::vector<std::pair<std::string, RegVariant>> cases = {
        {"Flag", true},
        {"Off", false},
        {"Connections", std::int32_t{-5}},
        {"Max", std::numeric_limits<std::int32_t>::min()},
        {"Mode", std::uint8_t{200}},
        {"Price", RegCurrency{-123456789012345}},
        {"Ratio", 0.1},
        {"Last Run", RegDateTime{46000.75}},
        {"Name", std::string("Grüße \"x\" \\y")},
        {"Empty", std::string()},
    };
    for (const auto& [name, value] : cases) EXPECT_TRUE(RegWriteValue(kSettings, name, value)) << name;
    for (const auto& [name, value] : cases) {
        const RegVariant def = std::visit([](const auto& v) { return RegVariant(std::decay_t<decltype(v)>{}); }, value);
        EXPECT_EQ(RegReadValue(kSettings, name, def), value) << name;
    }
    EXPECT_EQ(store_->GetValue(kSettings, "Flag")->Type, kRegDWord);
    EXPECT_EQ(store_->GetValue(kSettings, "Mode")->Type, kRegDWord);
    EXPECT_EQ(store_->GetValue(kSettings, "Price")->Data.size(), 8u);
    EXPECT_EQ(store_->GetValue(kSettings, "Last Run")->Type, kRegBinary);
    EXPECT_EQ(store_->GetValue(kSettings, "Name")->Type, kRegSz);
    RegWriteValue(kSettings, "Literal", "text");  // a string literal is a string, never a Boolean
    EXPECT_EQ(store_->GetValue(kSettings, "Literal")->Data, "text");
    // The double's bytes are little-endian: 1.0 is 00 .. 00 f0 3f.
    RegWriteValue(kSettings, "One", 1.0);
    EXPECT_EQ(store_->GetValue(kSettings, "One")->Data, std::string("\0\0\0\0\0\0\xf0\x3f", 8));
    EXPECT_EQ(warnings_, 0);
}

TEST_F(RegistryRoutines, AMissingOrMistypedValueGivesTheDefaultAndIsLoggedOnce) {
    EXPECT_EQ(RegRead(kSettings, "Connections", 5), 5);
    EXPECT_FALSE(store_->KeyExists(kSettings));  // reading never creates the key
    RegWriteValue(kSettings, "Connections", std::string("seven"));
    RegWriteValue(kSettings, "Beep On Completion", std::int32_t{3});
    RegWriteValue(kSettings, "Elapsed", std::int32_t{3});
    EXPECT_EQ(RegRead(kSettings, "Connections", 5), 5);
    EXPECT_EQ(RegRead(kSettings, "connections", 5), 5);
    EXPECT_EQ(warnings_, 1);
    EXPECT_TRUE(RegRead(kSettings, "Beep On Completion", false));  // any DWORD but 0 is true
    EXPECT_EQ(RegRead(kSettings, "Beep On Completion", std::string("d")), "d");
    EXPECT_EQ(RegRead(kSettings, "Elapsed", RegDateTime{1.5}), RegDateTime{1.5});
    store_->SetValue(kSettings, RegValue::Binary("Short", "1234"));
    EXPECT_EQ(RegRead(kSettings, "Short", 2.5), 2.5);  // a float needs all 8 bytes
    EXPECT_EQ(warnings_, 4);
}

TEST_F(RegistryRoutines, AnEmptyVariantWritesNothing) {
    EXPECT_FALSE(RegWriteValue(kSettings, "Nothing", std::monostate{}));
    EXPECT_FALSE(store_->KeyExists(kSettings));
    RegWriteValue(kSettings, "Text", std::string("x"));
    EXPECT_EQ(RegReadValue(kSettings, "Text", std::monostate{}), RegVariant(std::monostate{}));
}

TEST_F(RegistryRoutines, ValueNamesAndListsStayParallelInCreationOrder) {
    const std::string key = "\\Software\\Brellium\\Corvane\\MRU Items";
    TStringList names({"untouched"});
    EXPECT_FALSE(RegValueNames(key, names));
    EXPECT_EQ(names.Items(), std::vector<std::string>{"untouched"});
    for (int i = 0; i < 11; ++i) RegWriteValue(key, "F" + std::to_string(i), std::string("url") + std::to_string(i));
    RegWriteValue(key, "Count", std::int32_t{11});
    EXPECT_TRUE(RegDeleteValue(key, "f1"));
    EXPECT_FALSE(RegDeleteValue(key, "F1"));
    EXPECT_FALSE(RegDeleteValue("\\No\\Key", "F1"));
    RegWriteValue(key, "F1", std::string("again"));
    ASSERT_TRUE(RegValueNames(key, names));
    EXPECT_EQ(names.Items(), (std::vector<std::string>{"F0", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10",
                                                       "Count", "F1"}));
    TStringList data({"kept"});
    RegValueList(key, data);  // appends
    ASSERT_EQ(data.Count(), 13);
    EXPECT_EQ(data[0], "kept");
    EXPECT_EQ(data[1], "url0");
    EXPECT_EQ(data[11], "");  // the DWORD keeps its place
    EXPECT_EQ(data[12], "again");
}

TEST_F(RegistryRoutines, TheDefaultFileTypesImportIntoAnEmptyHive) {
    const RegImportResult result = store_->ImportFile(ResourcesDir() + "FTypes.reg");
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_TRUE(result.Warnings.empty());
    const std::string key = "\\Software\\Brellium\\Corvane\\File Types";
    TStringList groups, data;
    ASSERT_TRUE(RegValueNames(key, groups));
    RegValueList(key, data);
    ASSERT_EQ(groups.Count(), data.Count());
    EXPECT_EQ(groups[0], "HTML");
    EXPECT_GE(groups.IndexOf("Images"), 0);
    for (int i = 0; i < data.Count(); ++i) {
        ASSERT_FALSE(data[i].empty()) << groups[i];
        EXPECT_EQ(data[i].back(), ';') << groups[i];
        // Every entry is one dot, then letters or digits, then ";".
        std::size_t start = 0;
        for (std::size_t end = data[i].find(';'); end != std::string::npos; end = data[i].find(';', start)) {
            const std::string ext = data[i].substr(start, end - start);
            EXPECT_TRUE(ext.size() >= 2 && ext[0] == '.' && ext.find('.', 1) == std::string::npos) << ext;
            start = end + 1;
        }
    }
    const std::string html = RegRead(key, "html", std::string());
    for (const char* ext : {".htm;", ".html;", ".shtml;", ".asp;", ".php;"}) EXPECT_NE(html.find(ext), std::string::npos);
}

using testing::SavedEnv;

TEST_F(RegistryRoutines, TheProcessHiveIsTheDataRootsRegistryFile) {
    SavedEnv own("CORVANE_HOME"), xdg("XDG_DATA_HOME"), user_home("HOME");
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-home-XXXXXX").string();
    const std::string home = ::mkdtemp(pattern.data());
    ::setenv("CORVANE_HOME", (home + "/nested/").c_str(), 1);
    EXPECT_EQ(DataRoot(), home + "/nested/");
    SetCurrentUserRegistry(nullptr);
    EXPECT_TRUE(RegWriteValue(kSettings, "Language", std::string("Native")));
    EXPECT_TRUE(std::filesystem::exists(home + "/nested/registry.reg"));  // the folder is made on demand
    SetCurrentUserRegistry(nullptr);
    EXPECT_EQ(RegRead(kSettings, "Language", std::string()), "Native");

    ::unsetenv("CORVANE_HOME");
    ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
    ::setenv("HOME", home.c_str(), 1);
    EXPECT_EQ(DataRoot(), home + "/.local/share/corvane/");
    ::setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ(DataRoot(), "/data/corvane/");
    std::filesystem::remove_all(home);
}

}  // namespace
}  // namespace corvane
