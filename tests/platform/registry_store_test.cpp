#include "platform/registry/registry_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/registry/reg_file.h"
#include "platform/rtl/atomic_file.h"
#include "platform/rtl/log.h"

namespace corvane {
namespace {

using namespace std::string_literals;

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-reg-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadAll(const std::string& path) {
    std::string data;
    ReadWholeFile(path, data);
    return data;
}

void WriteAll(const std::string& path, const std::string& data) { std::ofstream(path, std::ios::binary) << data; }

std::vector<std::string> Names(const RegistryStore& store, const std::string& key) {
    std::vector<RegValue> values;
    store.Values(key, values);
    std::vector<std::string> names;
    for (const RegValue& v : values) names.push_back(v.Name);
    return names;
}

// Silences expected warnings and counts them.
class CaptureLog {
public:
    CaptureLog() {
        previous_ = SetLogSink([this](const std::string& m) {
            ++count;
            last = m;
        });
    }
    ~CaptureLog() { SetLogSink(previous_); }
    std::atomic<int> count{0};
    std::string last;

private:
    LogSink previous_;
};

TEST(RegistryStore, NamesCompareWithoutCaseAndKeepTheFirstSpelling) {
    RegistryStore store;
    ASSERT_TRUE(store.SetString("\\Software\\Brellium\\Corvane", "Version", "3.0"));
    EXPECT_TRUE(store.KeyExists("software\\BRELLIUM\\corvane"));
    EXPECT_TRUE(store.KeyExists("\\Software\\\\Brellium\\"));  // empty components carry no name
    ASSERT_TRUE(store.SetString("\\SOFTWARE\\brellium\\CORVANE", "VERSION", "3.1"));
    std::vector<RegValue> values;
    ASSERT_TRUE(store.Values("\\Software\\Brellium\\Corvane", values));
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].Name, "Version");
    EXPECT_EQ(values[0].Data, "3.1");
    std::vector<std::string> keys;
    ASSERT_TRUE(store.SubKeyNames("\\software", keys));
    EXPECT_EQ(keys, std::vector<std::string>{"Brellium"});
    EXPECT_FALSE(store.SubKeyNames("\\Software\\Other", keys));
    EXPECT_EQ(keys, std::vector<std::string>{"Brellium"});  // untouched for a missing key
}

TEST(RegistryStore, ValuesKeepCreationOrderAndADeletedValueComesBackLast) {
    RegistryStore store;
    const std::string key = "\\Software\\Brellium\\Corvane\\File Types";
    for (const char* name : {"HTML", "Images", "Audio"}) store.SetString(key, name, ".x;");
    store.SetString(key, "images", ".gif;");  // a rewrite keeps its place
    EXPECT_EQ(Names(store, key), (std::vector<std::string>{"HTML", "Images", "Audio"}));
    EXPECT_TRUE(store.DeleteValue(key, "html"));
    EXPECT_FALSE(store.DeleteValue(key, "HTML"));
    EXPECT_FALSE(store.DeleteValue("\\No\\Such", "HTML"));
    store.SetString(key, "Html", ".htm;");
    EXPECT_EQ(Names(store, key), (std::vector<std::string>{"Images", "Audio", "Html"}));
}

TEST(RegistryStore, KeysAreCreatedOpenedAndDeletedWithTheirSubkeys) {
    RegistryStore store;
    EXPECT_TRUE(store.CreateKey("\\A\\B\\C"));
    store.SetDWord("\\A\\B\\C", "n", 1);
    store.SetDWord("\\A", "m", 2);
    EXPECT_FALSE(store.GetValue("\\A\\X", "m"));  // reading never creates
    EXPECT_FALSE(store.KeyExists("\\A\\X"));
    EXPECT_TRUE(store.DeleteKey("\\a\\b"));
    EXPECT_FALSE(store.KeyExists("\\A\\B\\C"));
    EXPECT_TRUE(store.KeyExists("\\A"));
    EXPECT_FALSE(store.DeleteKey("\\A\\B"));
    EXPECT_FALSE(store.DeleteKey("\\"));  // the root stays
    EXPECT_FALSE(store.SetString("\\A", "two\nlines", "x"));  // would break its line in the file
}

TEST(RegistryStore, FileRoundTripKeepsEveryByteOfNamesAndData) {
    TempFolder folder;
    const std::string path = folder.File("registry.reg");
    const std::string key = "\\Software\\Brellium\\Corvane\\Odd \"Key\" [1]";
    std::string binary;
    for (int i = 0; i < 300; ++i) binary += static_cast<char>(i & 0xFF);
    {
        RegistryStore store(path);
        store.SetString(key, "quote \" and back\\slash", "C:\\dir\\ \"quoted\" \\\\server\\");
        store.SetString(key, "", "default value");
        store.SetString(key, "@", "a value named at");
        store.SetString(key, "Grüße", "naïve – ✓");
        store.SetString(key, "lines", "one\r\ntwo\nthree\0four\0"s);
        store.SetString(key, "empty", "");
        store.SetDWord(key, "dword", 0xDEADBEEF);
        store.SetValue(key, RegValue::Binary("binary", binary));
        store.SetValue(key, RegValue::Binary("nothing", ""));
        store.SetValue(key, {"expand", kRegExpandSz, "%HOME%\\x"});
        store.CreateKey("\\Software\\Empty Leaf");
    }
    const std::string text = ReadAll(path);
    EXPECT_EQ(text.rfind("REGEDIT4\r\n", 0), 0u);
    EXPECT_NE(text.find("\"quote \\\" and back\\\\slash\"=\"C:\\\\dir\\\\ \\\"quoted\\\" \\\\\\\\server\\\\\"\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\"dword\"=dword:deadbeef\r\n"), std::string::npos);
    EXPECT_NE(text.find("@=\"default value\"\r\n"), std::string::npos);
    EXPECT_NE(text.find(",\\\r\n  "), std::string::npos);  // long binary wrapped

    RegistryStore again(path);
    EXPECT_EQ(again.ExportText(), text);
    EXPECT_EQ(again.GetValue(key, "quote \" and back\\slash")->Data, "C:\\dir\\ \"quoted\" \\\\server\\");
    EXPECT_EQ(again.GetValue(key, "")->Data, "default value");
    EXPECT_EQ(again.GetValue(key, "@")->Data, "a value named at");
    EXPECT_TRUE(again.GetValue(key, "GRüßE"));
    EXPECT_FALSE(again.GetValue(key, "GRÜßE"));  // only ASCII letters fold
    EXPECT_EQ(again.GetValue(key, "Grüße")->Data, "naïve – ✓");
    EXPECT_EQ(again.GetValue(key, "lines")->Data, "one\r\ntwo\nthree\0four\0"s);
    EXPECT_EQ(again.GetValue(key, "lines")->Type, kRegSz);
    EXPECT_EQ(again.GetValue(key, "empty")->Data, "");
    EXPECT_EQ(again.GetValue(key, "dword")->AsDWord(), 0xDEADBEEFu);
    EXPECT_EQ(again.GetValue(key, "binary")->Data, binary);
    EXPECT_EQ(again.GetValue(key, "nothing")->Type, kRegBinary);
    EXPECT_EQ(*again.GetValue(key, "expand"), (RegValue{"expand", kRegExpandSz, "%HOME%\\x"}));
    EXPECT_TRUE(again.KeyExists("\\Software\\Empty Leaf"));

    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(RegistryStore, ImportAppliesValuesAndDeletionsAndSkipsOtherHives) {
    CaptureLog log;
    RegistryStore store;
    store.SetString("\\Software\\Old\\Sub", "x", "1");
    store.SetString("\\Software\\Keep", "gone", "1");
    store.SetString("\\Software\\Keep", "stays", "1");
    const RegImportResult result = store.ImportText(
        "REGEDIT4\n"
        "\n"
        "; a comment\n"
        "[-HKEY_CURRENT_USER\\Software\\Old]\n"
        "[HKEY_CURRENT_USER\\Software\\Keep]\n"
        "\"gone\"=-\n"
        "\"new\"=\"a \\\"b\\\" c:\\\\d\"\n"
        "\"bin\"=hex:01,02,\\\n"
        "   ff\n"
        "\"num\"=dword:0000002a\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Evil]\n"
        "\"x\"=\"y\"\n"
        "[hkey_current_user\\Software\\Lower]\n"
        "@=\"root default\"\n"
        "\"broken=\"no end\n");
    ASSERT_TRUE(result.Ok);
    EXPECT_FALSE(store.KeyExists("\\Software\\Old"));
    EXPECT_EQ(Names(store, "\\Software\\Keep"), (std::vector<std::string>{"stays", "new", "bin", "num"}));
    EXPECT_EQ(store.GetValue("\\Software\\Keep", "new")->Data, "a \"b\" c:\\d");
    EXPECT_EQ(store.GetValue("\\Software\\Keep", "bin")->Data, "\x01\x02\xff"s);
    EXPECT_EQ(store.GetValue("\\Software\\Keep", "num")->AsDWord(), 42u);
    EXPECT_EQ(store.GetValue("\\Software\\Lower", "")->Data, "root default");
    EXPECT_FALSE(store.KeyExists("\\Software\\Evil"));
    ASSERT_EQ(result.Warnings.size(), 3u);  // the other hive's key and value, the broken line
    EXPECT_NE(result.Warnings[0].find("HKEY_LOCAL_MACHINE"), std::string::npos);
    EXPECT_EQ(log.count, 3);

    EXPECT_FALSE(store.ImportText("not a registry file\n[HKEY_CURRENT_USER\\X]\n").Ok);
    EXPECT_FALSE(store.KeyExists("\\X"));
}

TEST(RegistryStore, ImportReadsUtf16VersionFiveFiles) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Brellium\\Corvane]\r\n"
        "\"Name\"=\"Grüße\"\r\n"
        "\"Path\"=hex(2):25,00,48,00,fc,00,00,00\r\n";
    std::string utf16 = "\xFF\xFE";
    // Widen the UTF-8 text: every code point here is below U+0800.
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned cp = static_cast<unsigned char>(text[i]);
        if (cp >= 0xC0) cp = ((cp & 0x1F) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F);
        utf16 += static_cast<char>(cp & 0xFF);
        utf16 += static_cast<char>(cp >> 8);
    }
    RegistryStore store;
    ASSERT_TRUE(store.ImportText(utf16).Ok);
    EXPECT_EQ(store.GetValue("\\Software\\Brellium\\Corvane", "name")->Data, "Grüße");
    EXPECT_EQ(*store.GetValue("\\Software\\Brellium\\Corvane", "Path"), (RegValue{"Path", kRegExpandSz, "%Hü"}));
}

TEST(RegistryStore, AnUnreadableStoreIsKeptAsideAndNeverOverwritten) {
    CaptureLog log;
    TempFolder folder;
    const std::string path = folder.File("registry.reg");
    WriteAll(path, "garbage");
    {
        RegistryStore store(path);
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_EQ(ReadAll(path + ".bad"), "garbage");
        EXPECT_TRUE(store.SetString("\\A", "x", "fresh"));
    }
    // One damaged line costs only itself; the file as it was is kept next to the first one.
    const std::string damaged = "REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=dword:zz\r\n\"y\"=\"kept\"\r\n";
    WriteAll(path, damaged);
    RegistryStore second(path);
    EXPECT_FALSE(second.GetValue("\\A", "x"));
    EXPECT_EQ(second.GetValue("\\A", "y")->Data, "kept");
    EXPECT_EQ(ReadAll(path + ".bad"), "garbage");
    EXPECT_EQ(ReadAll(path + ".bad.1"), damaged);
    EXPECT_EQ(log.count, 2);
}

TEST(RegistryStore, AFailedWriteKeepsTheOldFileAndTheChangeGoesOutLater) {
    CaptureLog log;
    TempFolder folder;
    const std::string path = folder.File("registry.reg");
    RegistryStore store(path);
    ASSERT_TRUE(store.SetString("\\Software\\Brellium", "old", "value"));
    const std::string before = ReadAll(path);

    // A file size limit makes every write past it fail, as a full disk does (also for root).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = before.size() + 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = store.SetString("\\Software\\Brellium", "new", std::string(4096, 'x'));
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);

    EXPECT_FALSE(written);
    EXPECT_NE(store.LastError(), "");
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())->path(), path)
        << "the temporary file is removed";
    EXPECT_TRUE(store.GetValue("\\Software\\Brellium", "new"));  // still in memory
    EXPECT_TRUE(store.Flush());
    EXPECT_EQ(RegistryStore(path).GetValue("\\Software\\Brellium", "new")->Data, std::string(4096, 'x'));
}

TEST(RegistryStore, ConcurrentReadersSeeWholeValuesWhileAWriterChangesThem) {
    TempFolder folder;
    RegistryStore store(folder.File("registry.reg"));
    const std::string key = "\\Software\\Brellium\\Corvane\\File Types";
    store.SetString(key, "HTML", ".htm;.html;");
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 4; ++r) {
        readers.emplace_back([&] {
            while (!done.load()) {
                std::vector<RegValue> values;
                if (!store.Values(key, values) || values.empty() || values[0].Name != "HTML") ++bad;
                for (const RegValue& v : values)
                    if (v.Data.empty() || v.Data.back() != ';') ++bad;
                const auto html = store.GetValue(key, "html");
                if (!html || html->Data != ".htm;.html;") ++bad;
                std::vector<std::string> keys;
                store.SubKeyNames("\\Software\\Brellium\\Corvane", keys);
                std::this_thread::yield();
            }
        });
    }
    for (int i = 0; i < 100; ++i) {
        const std::string name = "Group" + std::to_string(i % 7);
        store.SetString(key, name, "." + std::to_string(i) + ";");
        if (i % 3 == 0) store.DeleteValue(key, name);
        if (i % 40 == 0) store.CreateKey("\\Software\\Brellium\\Corvane\\K" + std::to_string(i));
    }
    done = true;
    for (auto& t : readers) t.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(RegistryStore(folder.File("registry.reg")).ExportText(), store.ExportText());
}

TEST(RegistryStore, AHoldGathersChangesIntoOneWrite) {
    TempFolder folder;
    const std::string path = folder.File("registry.reg");
    RegistryStore store(path);
    const std::string key = "\\Software\\Brellium\\Corvane\\MRU Items";
    {
        RegistryStore::Hold hold(store);
        for (int i = 0; i < 20; ++i) EXPECT_TRUE(store.SetString(key, "F" + std::to_string(i), "x"));
        {
            RegistryStore::Hold inner(store);
            store.SetString(key, "F20", "y");
            EXPECT_TRUE(inner.Commit());
        }
        EXPECT_FALSE(std::filesystem::exists(path));  // nothing written while held
        EXPECT_TRUE(hold.Commit());
    }
    EXPECT_EQ(Names(RegistryStore(path), key).size(), 21u);
}

TEST(RegistryStore, ConcurrentWritersLeaveTheFileWithEveryChange) {
    TempFolder folder;
    RegistryStore store(folder.File("registry.reg"));
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w)
        writers.emplace_back([&store, w] {
            for (int i = 0; i < 25; ++i) store.SetDWord("\\W" + std::to_string(w), "v" + std::to_string(i), i);
        });
    for (auto& t : writers) t.join();
    RegistryStore reopened(folder.File("registry.reg"));
    for (int w = 0; w < 4; ++w) EXPECT_EQ(Names(reopened, "\\W" + std::to_string(w)).size(), 25u);
}

}  // namespace
}  // namespace corvane
