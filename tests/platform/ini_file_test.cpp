#include "platform/inifile/ini_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/rtl/atomic_file.h"

namespace corvane {
namespace {

class IniFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-ini-XXXXXX").string();
        folder_ = ::mkdtemp(pattern.data());
        path_ = folder_ + "/task.cvt";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
    std::string Read() const {
        std::string data;
        ReadWholeFile(path_, data);
        return data;
    }

    std::string folder_, path_;
};

TEST_F(IniFile, FirstMatchWinsWithoutRegardToCaseAndValuesAreTrimmed) {
    Write("[Task]\nURL =  http://a/  \nurl=http://second/\n[task]\nURL=http://third/\nStatus=7\n"
          "; Status=9\n[Other]\nx=1\n");
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("TASK", "url", ""), "http://a/");
    EXPECT_EQ(ini.ReadInteger("Task", "Status", -1), -1);  // only the first [Task] is searched
    EXPECT_EQ(ini.ReadString("Task", "missing", "def"), "def");
    EXPECT_EQ(ini.ReadString("Nothing", "URL", "def"), "def");
    TStringList keys;
    ini.ReadSection("task", keys);
    EXPECT_EQ(keys.Items(), std::vector<std::string>{"URL"});
    ini.ReadSections(keys);
    EXPECT_EQ(keys.Items(), (std::vector<std::string>{"Task", "Other"}));
}

TEST_F(IniFile, UpdatesInPlaceKeepingOrderCommentsAndWritesCrLf) {
    Write("; my task\n[Task]\nTask Name=a\nURL=http://a/\n\n[Profile]\nDepth=2\n");
    TIniFile ini(path_);
    ini.WriteString("task", "url", "http://b/");
    ini.WriteString("Task", "Status", "1");          // new key: after the section's last entry
    ini.WriteInteger("Schedule", "Next Run", -5);    // new section: at the end
    EXPECT_EQ(Read(),
              "; my task\r\n[Task]\r\nTask Name=a\r\nURL=http://b/\r\nStatus=1\r\n\r\n[Profile]\r\nDepth=2\r\n"
              "\r\n[Schedule]\r\nNext Run=-5\r\n");
    TIniFile again(path_);
    EXPECT_EQ(again.ReadInteger("SCHEDULE", "next run", 0), -5);
}

TEST_F(IniFile, SectionsAreReadErasedAndKeysDeleted) {
    Write("[A]\r\nk1=v1\r\nk2 = v2\r\n[B]\r\nx=1\r\n[a]\r\nk3=v3\r\n");
    TIniFile ini(path_);
    TStringList lines;
    ini.ReadSectionValues("a", lines);
    EXPECT_EQ(lines.Items(), (std::vector<std::string>{"k1=v1", "k2=v2"}));
    ini.DeleteKey("A", "K1");
    EXPECT_FALSE(ini.ValueExists("A", "k1"));
    ini.EraseSection("A");  // a repeated section goes too, or it would take the first one's place
    EXPECT_FALSE(ini.SectionExists("a"));
    EXPECT_EQ(Read(), "[B]\r\nx=1\r\n");
}

TEST_F(IniFile, NumbersAndBooleansFallBackToTheirDefaults) {
    Write("[S]\nn=42\nneg=-7\nhex=$1F\nbad=12abc\nempty=\nbig=99999999999\ntrue=1\nfalse=0\nyes=yes\n");
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadInteger("S", "n", 0), 42);
    EXPECT_EQ(ini.ReadInteger("S", "neg", 0), -7);
    EXPECT_EQ(ini.ReadInteger("S", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "bad", 3), 3);
    EXPECT_EQ(ini.ReadInteger("S", "empty", 3), 3);
    EXPECT_EQ(ini.ReadString("S", "empty", "def"), "");  // present but empty is not missing
    EXPECT_EQ(ini.ReadInteger("S", "big", 3), 3);
    EXPECT_TRUE(ini.ReadBool("S", "true", false));
    EXPECT_FALSE(ini.ReadBool("S", "false", true));
    EXPECT_TRUE(ini.ReadBool("S", "yes", true));
    ini.WriteBool("S", "flag", true);
    EXPECT_EQ(ini.ReadString("S", "flag", ""), "1");
}

TEST_F(IniFile, ValuesFromOutsideCannotAddLinesToTheFile) {
    TIniFile ini(path_);
    // A page title with a line break must not smuggle a key into the task file.
    ini.WriteString("Task", "Start Page Title", "Title\r\n[Task]\r\nPassword=stolen\nEnd");
    EXPECT_EQ(ini.ReadString("Task", "Start Page Title", ""), "Title [Task] Password=stolen End");
    EXPECT_EQ(TIniFile(path_).ReadString("Task", "Password", "none"), "none");
    EXPECT_THROW(ini.WriteString("Task", "a=b", "x"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("Ta]sk", "a", "x"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("Task", "", "x"), std::invalid_argument);
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(IniFile, TwoObjectsOnOneFileDoNotLoseEachOthersChanges) {
    TIniFile task(path_);
    TIniFile profile(path_);
    task.WriteString("Task", "URL", "http://a/");
    profile.WriteString("Profile", "Depth", "3");
    task.WriteString("Task", "Status", "2");
    TIniFile check(path_);
    EXPECT_EQ(check.ReadString("Profile", "Depth", ""), "3");
    EXPECT_EQ(check.ReadString("Task", "Status", ""), "2");
    EXPECT_EQ(profile.ReadString("Task", "Status", ""), "2");
}

TEST_F(IniFile, BatchedChangesAreWrittenOnceAndAFailedWriteKeepsTheOldFile) {
    Write("[Task]\r\nURL=http://old/\r\n");
    TIniFile ini(path_);
    ini.BeginUpdate();
    ini.WriteString("Task", "URL", "http://new/");
    ini.WriteString("Task", "Comment", std::string(4096, 'c'));
    EXPECT_EQ(Read(), "[Task]\r\nURL=http://old/\r\n");

    std::signal(SIGXFSZ, SIG_IGN);  // a size limit fails the write as a full disk does
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(ini.EndUpdate(), EIniFileException);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
    EXPECT_EQ(Read(), "[Task]\r\nURL=http://old/\r\n");

    ini.UpdateFile();  // the held changes are written when the disk has room again
    EXPECT_EQ(TIniFile(path_).ReadString("Task", "URL", ""), "http://new/");
}

TEST_F(IniFile, AnUnfinishedBatchLeavesTheFileAsItWas) {
    Write("[Task]\r\nURL=http://old/\r\nStatus=1\r\n");
    try {
        TIniFile ini(path_);
        ini.BeginUpdate();
        ini.EraseSection("Task");
        ini.WriteString("Task", "URL", "http://new/");
        ini.WriteString("Task", "Bad=Key", "x");  // throws before the batch is complete
        ini.EndUpdate();
    } catch (const std::invalid_argument&) {
    }
    EXPECT_EQ(Read(), "[Task]\r\nURL=http://old/\r\nStatus=1\r\n");
}

class EngineFaultsIni : public IniFile {};

// Found by the INI fuzzer: a rewrite dropped the byte-order mark, so a line that began with a second
// one turned into a section header and changed what the file says.
TEST_F(EngineFaultsIni, ARewriteKeepsTheByteOrderMark) {
    Write("\xEF\xBB\xBF\xEF\xBB\xBF[Task]\r\nURL=hidden\r\n[Task]\r\nURL=a\r\n");
    TIniFile ini(path_);
    EXPECT_EQ(ini.ReadString("Task", "URL", ""), "a");
    ini.WriteString("Task", "Status", "7");
    EXPECT_EQ(Read(), "\xEF\xBB\xBF\xEF\xBB\xBF[Task]\r\nURL=hidden\r\n[Task]\r\nURL=a\r\nStatus=7\r\n");
    EXPECT_EQ(TIniFile(path_).ReadString("Task", "URL", ""), "a");
}

}  // namespace
}  // namespace corvane
