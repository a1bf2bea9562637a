// Exact entry names: the "-E" vectors the component sends, and the real libraries deleting and
// extracting only the named entries of a hostile archive.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "archive/xceed_zip.h"
#include "archive/zip_tree.h"
#include "tests/archive/fake_zip_library.h"
#include "tests/archive/hostile_archive.h"
#include "tests/platform/zipdll/zip_driver.h"

namespace corvane {
namespace {

using ::testing::ElementsAre;
using testing::ScratchFolder;

TEST(ZipExact, VectorsCarryTheSwitchAndEveryItemLiterally) {
    testing::FakeZipLibrary fake;
    TXceedZipPtr zip = TXceedZip::Create();
    zip->ZipFileName = "/z.zip";
    auto items = [&] {
        zip->ExactNames = true;
        for (const char* item : {"<a", ">b", "*", "-x"}) zip->FilesToProcess.Add(item);
    };
    items();
    zip->Delete();
    items();
    zip->ExtractDirectory = "/t";
    zip->Overwrite = xowAlways;
    zip->Extract(0);
    items();
    zip->List();
    EXPECT_THAT(fake.Argv(0), ElementsAre("", "-d", "-E", "/z.zip", "<a", ">b", "*", "-x"));
    EXPECT_THAT(fake.Argv(1), ElementsAre("", "-10", "-2-1", "-o", "-d", "/t", "-E", "/z.zip", "<a", ">b", "*", "-x"));
    EXPECT_THAT(fake.Argv(2), ElementsAre("", "-v", "-10", "-2-1", "-E", "/z.zip", "<a", ">b", "*", "-x"));
    // Cleared by every operation, so the next one matches specs again.
    EXPECT_FALSE(zip->ExactNames);
    zip->FilesToProcess.Add("*");
    zip->Extract(0);
    EXPECT_THAT(fake.Argv(3), ElementsAre("", "-10", "-2-1", "-o", "/z.zip", "*", "-d", "/t"));
}

class ZipExactReal : public ::testing::Test {
protected:
    ScratchFolder scratch;
    std::string archive = scratch / "hostile.zip";
    testing::EntryContents original = testing::HostileEntries();
    TXceedZipPtr zip = TXceedZip::Create();
    TZipTree tree;
    TZipNodeId node = 0;

    void SetUp() override {
        SetZipLibraryFolder(CORVANE_ZIPDLL_DIR);
        testing::MakeZip(archive, original);
        zip->ZipFileName = archive;
        node = tree.AddArchive(archive);
        zip->OnListing = [&](TXceedZip&, const TXcdFileStats& s) { tree.AddListedEntry(node, s); };
        ASSERT_EQ(zip->List(), 0);
        zip->OnListing = nullptr;
    }
    void TearDown() override { SetZipLibraryFolder(""); }

    testing::EntryContents Without(const std::vector<std::string>& names) const {
        testing::EntryContents rest;
        for (const auto& entry : original)
            if (std::find(names.begin(), names.end(), entry.first) == names.end()) rest.push_back(entry);
        return rest;
    }
};

TEST_F(ZipExactReal, DeleteRemovesOnlyTheNamedEntries) {
    ASSERT_EQ(tree.Obj(node)->Entries.size(), original.size()) << "every entry listed, the duplicate twice";
    const std::vector<std::string> x = tree.EntryNamesBelow(tree.Obj(node)->Folders.at("x/"));
    std::vector<std::string> names{"a.htm", "*", "a/b", "dup.htm", "../e"};
    names.insert(names.end(), x.begin(), x.end());
    zip->ExactNames = true;
    for (const std::string& name : names) zip->FilesToProcess.Add(name);
    ASSERT_EQ(zip->Delete(), 0);
    EXPECT_EQ(testing::ReadZip(archive), Without(names));
    EXPECT_EQ(Without(names).size(), original.size() - 7);

    // A name that is not there deletes nothing, wildcard or not.
    zip->ExactNames = true;
    zip->FilesToProcess.Add("*.*");
    EXPECT_EQ(zip->Delete(), XCD_WARN_NOTHING_TO_DO);
    EXPECT_EQ(testing::ReadZip(archive), Without(names));
    // Exact names are entry names: an add refuses them rather than read them as file specs.
    testing::ZipDriver driver;
    EXPECT_EQ(driver.Zip({"", "-E", archive, "a.htm"}), XCD_ERR_BAD_ARGUMENTS);
}

TEST_F(ZipExactReal, ExtractWritesOnlyTheNamedEntriesAndNothingOutside) {
    const std::string target = scratch / "root/target";
    ScratchFolder::Shell("mkdir -p '" + target + "'");
    testing::WriteFile(scratch / "root/victim", "untouched");
    zip->ExactNames = true;
    zip->FilesToProcess.Add("a/b");
    zip->ExtractDirectory = target;
    zip->Overwrite = xowAlways;
    ASSERT_EQ(zip->Extract(0), 0);
    EXPECT_EQ(testing::Tree(target), (std::map<std::string, std::string>{{"d /a", ""}, {"f /a/b", "#8"}}));

    // Everything extractable: climbing names are never sent; only the files named "a" that folder
    // "a" stands in the way of are skipped.
    std::vector<std::string> skipped;
    zip->OnSkippingFile = [&](TXceedZip&, const TXcdSkipping& s) { skipped.push_back(s.FileName); };
    zip->ExactNames = true;
    for (const std::string& name : tree.ExtractableNamesBelow(node)) zip->FilesToProcess.Add(name);
    zip->ExtractDirectory = target;
    EXPECT_EQ(zip->Extract(0), XCD_WARN_SKIPPED);
    EXPECT_THAT(skipped, ElementsAre("./a", "a"));
    EXPECT_EQ(testing::ReadFile(target + "/A.htm"), "#9");
    EXPECT_EQ(testing::ReadFile(target + "/a.htm"), "#10");
    const auto all = testing::Tree(scratch / "root");
    EXPECT_EQ(all.at("f /victim"), "untouched");
    for (const auto& [path, content] : all)
        EXPECT_TRUE(path == "f /victim" || path == "d /target" || path.rfind(path.substr(0, 2) + "/target/", 0) == 0)
            << path;
    EXPECT_FALSE(testing::Exists(scratch / "e"));
}

}  // namespace
}  // namespace corvane
