// Our zip libraries against Info-ZIP, both ways: what we write, zip/unzip/zipinfo/zipnote read;
// what Info-ZIP writes, we list and extract the same as unzip does.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <cstring>

#include "tests/platform/zipdll/zip_driver.h"

namespace corvane::testing {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

class ZipInterop : public ::testing::Test {
protected:
    ScratchFolder scratch;
    ZipDriver driver;
    std::map<std::string, std::string> files;  // entry name -> content

    void SetUp() override {
        std::string html;
        for (int i = 0; i < 200; ++i) html += "<p>Paragraph " + std::to_string(i) + " of the page.</p>\n";
        std::string big;
        for (int i = 0; i < 40000; ++i) big += "line " + std::to_string(i % 977) + " of a long text file\n";
        files = {{"src/index.htm", html},
                 {"src/img/logo.gif", Pseudo(3000, 7)},
                 {"src/img/empty.txt", ""},
                 {"src/deep/a/b/c/page.htm", html.substr(0, 700)},
                 {"src/inner.zip", Pseudo(5000, 11)},
                 {"src/big.txt", big},
                 {"src/name with spaces.htm", "spaces"}};
        for (const auto& [name, content] : files) {
            const std::string path = scratch / name;
            ScratchFolder::Shell("mkdir -p \"$(dirname '" + path + "')\"");
            WriteFile(path, content);
        }
    }

    std::vector<std::string> SortedNames() const {
        std::vector<std::string> names;
        for (const auto& [name, content] : files) names.push_back(name);
        return names;
    }

    std::string Sh(const std::string& command, int* code = nullptr) {
        std::string out;
        const int rc = ScratchFolder::Shell("cd '" + scratch.Path() + "' && " + command + " 2>&1", &out);
        if (code != nullptr) *code = rc;
        return out;
    }

    std::vector<std::string> InfoZipNames(const std::string& archive) {
        std::istringstream lines(Sh("zipinfo -1 " + archive));
        std::vector<std::string> names;
        for (std::string line; std::getline(lines, line);) names.push_back(line);
        return names;
    }
};

ZipHandler CommentEach(const std::string& prefix) {
    return [prefix](int message, void* data) {
        if (message == XCD_MSG_FILE_COMMENT) {
            auto* c = static_cast<XcdFileCommentData*>(data);
            const std::string text = prefix + c->FileName;
            std::snprintf(c->Comment, XCD_COMMENT_SIZE, "%s", text.c_str());
            c->Length = static_cast<uint8_t>(std::min<std::size_t>(text.size(), 255));
        }
        return false;
    };
}

TEST_F(ZipInterop, ArchivesWeWritePassInfoZip) {
    WorkingFolder cwd(scratch.Path());
    ASSERT_EQ(driver.Zip({"", "-9", "-r", "-n", ".ZIP;.LZH", "-t", "01011980", "out.zip", "-W", "src"},
                         CommentEach("Title of ")),
              0);
    int code = -1;
    const std::string test = Sh("unzip -t out.zip", &code);
    EXPECT_EQ(code, 0) << test;

    std::vector<std::string> names = InfoZipNames("out.zip");
    std::sort(names.begin(), names.end());
    EXPECT_THAT(names, ElementsAreArray(SortedNames()));
    for (const auto& [name, content] : files) EXPECT_EQ(Sh("unzip -p out.zip '" + name + "'"), content) << name;

    const std::string notes = Sh("zipnote out.zip");
    for (const auto& [name, content] : files) EXPECT_THAT(notes, HasSubstr("@ " + name + "\nTitle of " + name + "\n"));
    EXPECT_THAT(Sh("zipinfo out.zip src/inner.zip"), HasSubstr(" stor "));
    EXPECT_THAT(Sh("zipinfo out.zip src/index.htm"), HasSubstr(" defX "));
}

TEST_F(ZipInterop, PasswordsWorkBothWays) {
    WorkingFolder cwd(scratch.Path());
    const ZipHandler password = [](int message, void* data) {
        if (message == XCD_MSG_PASSWORD) {
            auto* p = static_cast<XcdPasswordData*>(data);
            std::snprintf(p->Password, XCD_PASSWORD_SIZE, "Secr3t");
            p->Answer = XCD_PASSWORD_ADD;
        }
        return false;
    };
    ASSERT_EQ(driver.Zip({"", "-e", "-6", "enc.zip", "-W", "src/index.htm", "src/img/logo.gif"}, password), 0);
    EXPECT_EQ(Sh("unzip -P Secr3t -p enc.zip src/index.htm"), files["src/index.htm"]);
    EXPECT_EQ(Sh("unzip -P Secr3t -p enc.zip src/img/logo.gif"), files["src/img/logo.gif"]);
    int code = 0;
    Sh("unzip -P wrong -t enc.zip", &code);
    EXPECT_NE(code, 0);

    // Info-ZIP's encrypted archive through ours: a first wrong answer, then the right one.
    Sh("zip -q -r -P pw izenc.zip src");
    int asked = 0;
    const ZipHandler answers = [&](int message, void* data) {
        if (message == XCD_MSG_PASSWORD) {
            auto* p = static_cast<XcdPasswordData*>(data);
            std::snprintf(p->Password, XCD_PASSWORD_SIZE, "%s", asked++ == 0 ? "nope" : "pw");
            p->Answer = XCD_PASSWORD_EXTRACT;
        }
        return false;
    };
    ASSERT_EQ(driver.Unzip({"", "izenc.zip", "-d", "out"}, answers), 0);
    EXPECT_EQ(asked, 2) << "the right password is kept for the later entries";
    EXPECT_EQ(Tree(scratch / "out/src"), Tree(scratch / "src"));
}

TEST_F(ZipInterop, CommentsAreKept) {
    WorkingFolder cwd(scratch.Path());
    Sh("zip -q kept.zip src/index.htm src/img/logo.gif");
    Sh("printf 'Archive note\\n' | zip -q -z kept.zip");
    Sh("printf '@ src/index.htm\\nPage title\\n@ (comment above this line)\\n@ src/img/logo.gif\\n@ (comment above this line)\\n"
       "@ (zip file comment below this line)\\nArchive note\\n' | zipnote -w kept.zip");
    ASSERT_THAT(Sh("zipnote kept.zip"), HasSubstr("Page title"));

    std::map<std::string, std::string> comments;
    driver.ListNames("kept.zip", &comments);
    EXPECT_EQ(comments["src/index.htm"], "Page title");

    // Replacing an entry with no comment given keeps its comment; the archive comment stays.
    ASSERT_EQ(driver.Zip({"", "-6", "kept.zip", "-W", "src/index.htm", "src/big.txt"}), 0);
    const std::string notes = Sh("zipnote kept.zip");
    EXPECT_THAT(notes, HasSubstr("@ src/index.htm\nPage title\n"));
    EXPECT_THAT(notes, HasSubstr("Archive note"));
    EXPECT_EQ(Sh("unzip -p kept.zip src/big.txt"), files["src/big.txt"]);
}

TEST_F(ZipInterop, InfoZipArchivesListAndExtractLikeUnzip) {
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        const std::string archive = "iz" + std::to_string(level) + ".zip";
        Sh("zip -q -r -" + std::to_string(level) + " " + archive + " src");
        int code = -1;
        EXPECT_EQ(driver.ListNames(scratch / archive, nullptr, &code), InfoZipNames(archive));
        EXPECT_EQ(code, 0);
        Sh("unzip -q " + archive + " -d uz" + std::to_string(level));
        ASSERT_EQ(driver.Unzip({"", scratch / archive, "-d", scratch / ("ours" + std::to_string(level))}), 0);
        EXPECT_EQ(Tree(scratch / ("ours" + std::to_string(level))), Tree(scratch / ("uz" + std::to_string(level))));
    }
    // Directory entries become folders, also empty ones.
    Sh("mkdir -p src/empty_dir && zip -q -r dirs.zip src/empty_dir");
    ASSERT_EQ(driver.Unzip({"", scratch / "dirs.zip", "-d", scratch / "dirs"}), 0);
    EXPECT_TRUE(Exists(scratch / "dirs/src/empty_dir"));
}

TEST_F(ZipInterop, FreshenUpdateAndDeleteAgreeWithInfoZip) {
    WorkingFolder cwd(scratch.Path());
    Sh("zip -q -r base.zip src");
    // One file changes and gets newer, one file is new.
    WriteFile(scratch / "src/index.htm", "changed page");
    const struct utimbuf later{time(nullptr) + 86400, time(nullptr) + 86400};
    utime((scratch / "src/index.htm").c_str(), &later);
    WriteFile(scratch / "src/new.htm", "new page");
    const std::string specs = "src/index.htm src/new.htm src/img/logo.gif";
    const std::vector<std::string> specList{"src/index.htm", "src/new.htm", "src/img/logo.gif"};

    auto compare = [&](const std::string& a, const std::string& b) {
        const std::vector<std::string> names = InfoZipNames(a);
        EXPECT_EQ(names, InfoZipNames(b));
        for (const std::string& name : names) EXPECT_EQ(Sh("unzip -p " + a + " '" + name + "'"), Sh("unzip -p " + b + " '" + name + "'")) << name;
    };
    for (const char* mode : {"-f", "-u"}) {
        SCOPED_TRACE(mode);
        Sh(std::string("cp base.zip iz.zip && cp base.zip ours.zip && zip -q ") + mode + " iz.zip " + specs);
        std::vector<std::string> args{"", mode, "ours.zip", "-W"};
        args.insert(args.end(), specList.begin(), specList.end());
        ASSERT_EQ(driver.Zip(args), 0);
        compare("iz.zip", "ours.zip");
        EXPECT_EQ(Sh("unzip -p ours.zip src/index.htm"), "changed page");
    }
    EXPECT_THAT(Sh("unzip -p ours.zip src/new.htm"), "new page");

    Sh("cp base.zip iz.zip && cp base.zip ours.zip && zip -q -d iz.zip 'src/img/*' 'src/deep/*'");
    std::vector<std::string> deleted;
    ASSERT_EQ(driver.Zip({"", "-d", "ours.zip", "src/img/*", "src\\deep\\*"}, [&](int message, void* data) {
        if (message == XCD_MSG_DELETING) deleted.emplace_back(static_cast<const char*>(data));
        return false;
    }), 0);
    compare("iz.zip", "ours.zip");
    EXPECT_THAT(deleted, ::testing::Contains("src/img/logo.gif"));
}

}  // namespace
}  // namespace corvane::testing
