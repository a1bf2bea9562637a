#include "engine/support/file_routines.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace corvane {
namespace {

namespace fs = std::filesystem;

class FileRoutines : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "corvane-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir_ = templ + "/";
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream out(dir_ + name, std::ios::binary);
        out << bytes;
    }
    std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<std::string> DirEntries() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        return names;
    }

    std::string dir_;
};

TEST_F(FileRoutines, LoadTextFileNormalisesLineEndsAndKeepsEveryOtherByte) {
    Write("page.htm", std::string("a\r\nb\nc\rd\0e\xB6", 11));
    EXPECT_EQ(LoadTextFile(dir_ + "page.htm"), std::string("a\r\nb\r\nc\r\nd\0e\xB6\r\n", 15));
    Write("empty.htm", "");
    EXPECT_EQ(LoadTextFile(dir_ + "empty.htm"), "");
    EXPECT_THROW(LoadTextFile(dir_ + "missing.htm"), EFOpenError);
    fs::create_directory(dir_ + "folder");
    EXPECT_THROW(LoadTextFile(dir_ + "folder"), EFOpenError);
}

TEST_F(FileRoutines, SaveTextFileWritesExactBytesAndAFailureKeepsTheOldFile) {
    const std::string bytes("x\r\ny\n\0z", 7);
    SaveTextFile(dir_ + "out.htm", bytes);
    EXPECT_EQ(Read(dir_ + "out.htm"), bytes);

    ::chmod((dir_ + "out.htm").c_str(), 0600);
    SaveTextFile(dir_ + "out.htm", "short");
    EXPECT_EQ(Read(dir_ + "out.htm"), "short");
    struct stat st {};
    ASSERT_EQ(::stat((dir_ + "out.htm").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    EXPECT_THROW(SaveTextFile(dir_ + "no/such/dir/out.htm", "x"), EFCreateError);
    fs::create_directory(dir_ + "taken");
    EXPECT_THROW(SaveTextFile(dir_ + "taken", "x"), EFCreateError);
    EXPECT_TRUE(fs::is_directory(dir_ + "taken"));
    if (::geteuid() != 0) {  // root writes anywhere
        ::chmod(dir_.c_str(), 0500);
        EXPECT_THROW(SaveTextFile(dir_ + "out.htm", "lost?"), EFCreateError);
        ::chmod(dir_.c_str(), 0700);
        EXPECT_EQ(Read(dir_ + "out.htm"), "short");
    }
    // No temporary file is left behind by the failures.
    std::vector<std::string> names = DirEntries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"out.htm", "taken"}));
}

TEST_F(FileRoutines, FileNamesWithoutExtensionAndUniqueNames) {
    EXPECT_EQ(FileNameNoExt("/t/General/a.cvt.b.cvt"), "a.cvt.b");
    EXPECT_EQ(FileNameNoExt("/t/site.v2/name"), "name");
    EXPECT_EQ(FileNameNoExt("plain.cvt"), "plain");

    EXPECT_EQ(UniqueFileName(dir_ + "site.cvt"), dir_ + "site.cvt");
    Write("site.cvt", "1");
    Write("site(0).cvt", "2");
    EXPECT_EQ(UniqueFileName(dir_ + "site.cvt"), dir_ + "site(1).cvt");
    // Only files take a name.
    fs::create_directory(dir_ + "site(1).cvt");
    EXPECT_EQ(UniqueFileName(dir_ + "site.cvt"), dir_ + "site(1).cvt");
    Write("a.b.zip", "1");
    EXPECT_EQ(UniqueFileName(dir_ + "a.b.zip"), dir_ + "a.b(0).zip");
    Write("noext", "1");
    EXPECT_EQ(UniqueFileName(dir_ + "noext"), dir_ + "noext(0)");
}

TEST_F(FileRoutines, CharacterReplacements) {
    EXPECT_EQ(ReplaceInvalidFileChars("a\\b/c:d*e?f\"g<h>i|j", ' '), "a b c d e f g h i j");
    // A replacement that is itself invalid still ends: every byte is looked at once.
    EXPECT_EQ(ReplaceInvalidFileChars("a/b?c", '/'), "a/b/c");
    EXPECT_EQ(ToBackslashes("a/b\\c/"), "a\\b\\c\\");
    EXPECT_EQ(ToSlashes("a\\b/c\\"), "a/b/c/");
}

TEST_F(FileRoutines, CopyFileForceCreatesFoldersAndReplacesTheTarget) {
    Write("src.gif", std::string("GIF\0data", 8));
    ASSERT_TRUE(CopyFileForce(dir_ + "src.gif", dir_ + "x/y/z/copy.gif"));
    EXPECT_EQ(Read(dir_ + "x/y/z/copy.gif"), std::string("GIF\0data", 8));
    Write("x/y/z/copy.gif", "older and longer content");
    ASSERT_TRUE(CopyFileForce(dir_ + "src.gif", dir_ + "x/y/z/copy.gif"));
    EXPECT_EQ(Read(dir_ + "x/y/z/copy.gif"), std::string("GIF\0data", 8));

    EXPECT_FALSE(CopyFileForce(dir_ + "missing.gif", dir_ + "x/y/z/copy.gif"));
    EXPECT_FALSE(CopyFileForce(dir_ + "x", dir_ + "dir-copy"));
    EXPECT_EQ(Read(dir_ + "x/y/z/copy.gif"), std::string("GIF\0data", 8));
    EXPECT_FALSE(fs::exists(dir_ + "dir-copy"));
}

TEST_F(FileRoutines, PathPartsAndPrefixes) {
    EXPECT_EQ(PathParts("/d/x/t/x/").Items(), (std::vector<std::string>{"/", "d/", "x/", "t/"}));
    EXPECT_EQ(PathParts("a/B/b/file.htm").Items(), (std::vector<std::string>{"a/", "B/", "b/"}));
    EXPECT_EQ(PathParts("file.htm").Count(), 0);
    EXPECT_EQ(LastPathPart("/d/x/t/x/"), "x/");
    EXPECT_EQ(LastPathPart("/home/me/Tasks/General/"), "General/");
    EXPECT_EQ(LastPathPart("/home/me/Tasks/General/a.cvt"), "General/");
    EXPECT_EQ(LastPathPart("/"), "/");
    EXPECT_EQ(LastPathPart("file.htm"), "");

    EXPECT_EQ(SplitDirs("/a/b/x").Items(), (std::vector<std::string>{"/", "/a/", "/a/b/"}));
    EXPECT_EQ(SplitDirs("dir/sub/").Items(), (std::vector<std::string>{"dir/", "dir/sub/"}));
    EXPECT_EQ(UpPrefix("dir/sub/"), "../../");
    EXPECT_EQ(UpPrefix("dir/page.htm"), "../");
    EXPECT_EQ(UpPrefix(""), "");
}

TEST_F(FileRoutines, ListFilesMatchesTheMaskWithoutRegardToCaseAndKeepsTheWorkingDirectory) {
    for (const char* name : {"b.ZIP", "a.zip", ".hidden", "noext", "c.zip.txt"}) Write(name, "x");
    fs::create_directory(dir_ + "folder.zip");
    const fs::path cwd = fs::current_path();

    TStringList list({"stale"});
    ASSERT_TRUE(ListFiles(dir_, "*.zip", list));
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"a.zip", "b.ZIP"}));
    ASSERT_TRUE(ListFiles(dir_, "*.*", list));
    EXPECT_EQ(list.Items(), (std::vector<std::string>{".hidden", "a.zip", "b.ZIP", "c.zip.txt", "noext"}));
    ASSERT_TRUE(ListFiles(dir_, "?.zip*", list));
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"a.zip", "b.ZIP", "c.zip.txt"}));
    EXPECT_EQ(fs::current_path(), cwd);

    EXPECT_FALSE(ListFiles(dir_ + "missing", "*.*", list));
    EXPECT_EQ(list.Count(), 3);
}

TEST_F(FileRoutines, ListSubdirsListsOnlyRealSubfolders) {
    for (const char* name : {"Work", "general", "Archive"}) fs::create_directory(dir_ + name);
    Write("file.cvt", "x");
    TStringList list;
    ASSERT_TRUE(ListSubdirs(dir_, list));
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"Archive", "general", "Work"}));

    ASSERT_TRUE(ListSubdirs("/", list));
    EXPECT_GE(list.IndexOf("tmp") + list.IndexOf("usr"), 0);
    EXPECT_LT(list.IndexOf("."), 0);
    EXPECT_LT(list.IndexOf(".."), 0);
    EXPECT_FALSE(ListSubdirs(dir_ + "missing", list));
}

// A GIF whose global colour table and extensions hold the byte 0x2C before the image descriptor.
std::string TrickyGif() {
    std::string gif = "GIF89a";
    gif += std::string("\x40\x01\xF0\x00", 4);  // screen 320 x 240
    gif += std::string("\x80\x00\x00", 3);      // global table of 2 entries, background, aspect
    gif += std::string("\x2C\x2C\x2C\x00\x00\x00", 6);
    gif += std::string("\x21\xF9\x04\x00\x2C\x00\x00\x00", 8);  // graphic control with 0x2C inside
    gif += std::string("\x21\xFE\x03,,,\x02,,\x00", 10);          // comment made of commas
    gif += std::string("\x2C\x00\x00\x00\x00\x11\x00\x09\x01\x00", 10);  // 17 x 265 image
    gif += std::string("\x02\x02\x44\x01\x00\x3B", 6);
    return gif;
}

TEST_F(FileRoutines, GetGIFSizeWalksTheBlocksToTheFirstImage) {
    const std::string gif = TrickyGif();
    Write("logo.gif", gif);
    const GIFSize size = GetGIFSize(dir_ + "logo.gif");
    EXPECT_EQ(size.Width, 17);
    EXPECT_EQ(size.Height, 265);

    // Every cut before the end of the image descriptor gives nothing.
    const std::size_t descriptor_end = gif.size() - 6;
    for (std::size_t cut = 0; cut < descriptor_end; ++cut) {
        Write("cut.gif", gif.substr(0, cut));
        const GIFSize s = GetGIFSize(dir_ + "cut.gif");
        EXPECT_EQ(s.Width + s.Height, 0) << "cut at " << cut;
    }
    // The trailer ends the walk; bytes after it are no image.
    Write("trailer.gif", "GIF89a" + std::string(7, '\x01') + "\x3B" + gif.substr(gif.size() - 16));
    EXPECT_EQ(GetGIFSize(dir_ + "trailer.gif").Width, 0);
    Write("not.gif", "PNG" + gif.substr(3));
    EXPECT_EQ(GetGIFSize(dir_ + "not.gif").Width, 0);
    EXPECT_EQ(GetGIFSize(dir_ + "missing.gif").Height, 0);
}

}  // namespace
}  // namespace corvane
