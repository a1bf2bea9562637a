// The archive tree: folders made once, exact raw names kept beside escaped texts, hostile names
// placed where the extractor would put them (or flat when it would not), removal that prunes
// emptied folders, and the status-line texts.

#include "archive/zip_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "archive/zip_texts.h"
#include "tests/archive/hostile_archive.h"

namespace corvane {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

TXcdFileStats Stats(const std::string& name, std::uint32_t size = 1000, std::uint32_t packed = 400,
                    const std::string& comment = "") {
    TXcdFileStats s;
    s.FileName = name;
    s.Size = size;
    s.CompressedSize = packed;
    s.Comment = comment;
    return s;
}

// Checks each notification against the tree as the model would see it.
struct RowLog : TZipTreeListener {
    TZipTree* tree = nullptr;
    std::vector<std::string> log;
    std::size_t before = 0;
    void RowsAboutToBeInserted(TZipNodeId p, int, int) override { before = tree->Children(p).size(); }
    void RowsInserted(TZipNodeId p, int first, int last) override {
        EXPECT_EQ(tree->Children(p).size(), before + static_cast<std::size_t>(last - first + 1));
        EXPECT_EQ(tree->Node(tree->Children(p)[static_cast<std::size_t>(first)])->Row, first);
    }
    void RowsAboutToBeRemoved(TZipNodeId p, int first, int last) override {
        before = tree->Children(p).size();
        log.push_back("-" + tree->Text(tree->Children(p)[static_cast<std::size_t>(first)]) + ":" +
                      std::to_string(first) + ".." + std::to_string(last));
    }
    void RowsRemoved(TZipNodeId p, int first, int last) override {
        const auto children = tree->Children(p);
        EXPECT_EQ(children.size(), before - static_cast<std::size_t>(last - first + 1));
        for (std::size_t i = 0; i < children.size(); ++i) EXPECT_EQ(tree->Node(children[i])->Row, static_cast<int>(i));
    }
};

class ZipTree : public ::testing::Test {
protected:
    TZipTree tree;
    RowLog rows;
    TZipNodeId zip = 0;
    void SetUp() override {
        rows.tree = &tree;
        tree.SetListener(&rows);
        zip = tree.AddArchive("/data/site.zip");
    }
    std::vector<std::string> Texts(TZipNodeId parent) const {
        std::vector<std::string> out;
        for (TZipNodeId id : tree.Children(parent)) out.push_back(tree.Text(id));
        return out;
    }
    TZipNodeId Folder(const std::string& path) const { return tree.Obj(zip)->Folders.at(path); }
};

TEST_F(ZipTree, FoldersAreMadeOnceAndTotalsSumEveryEntry) {
    tree.AddListedEntry(zip, Stats("a/b/c.htm", 3000, 1000));
    tree.AddListedEntry(zip, Stats("a/d.gif", 0xFFFFFFFFu, 0xFFFFFFFFu));
    EXPECT_THAT(Texts(zip), ElementsAre("a"));
    EXPECT_THAT(Texts(Folder("a/")), ElementsAre("b", "d.gif"));
    EXPECT_THAT(Texts(Folder("a/b/")), ElementsAre("c.htm"));
    const TZipObj& obj = *tree.Obj(zip);
    EXPECT_EQ(obj.SizeSum, 3000u + 0xFFFFFFFFull) << "sums are 64-bit";
    EXPECT_EQ(TotalsLine(2, obj.SizeSum, obj.PackedSum, 9), "Total: 2 files  4294970295 / 4294968295 bytes (0%)");
}

TEST(ZipTexts, TotalsAndSelectionLines) {
    EXPECT_EQ(TotalsLine(2, 3000, 1000, 9), "Total: 2 files  3000 / 1000 bytes (67%)");
    EXPECT_EQ(TotalsLine(1, 100, 103, 9), "Total: 1 files  100 / 103 bytes (-3%)");
    EXPECT_EQ(TotalsLine(0, 0, 0, 9), "Total: 9 files  ");
    EXPECT_EQ(SelectionLine(2, 6000000000ull, 10), "Selected 2 files  6000000000 / 10 bytes");
    EXPECT_EQ(SelectionLine(3, 0, 0), "Selected 3 files ");
}

TEST_F(ZipTree, RemovingTheLastEntryPrunesEmptiedFoldersButNotTheArchive) {
    tree.AddListedEntry(zip, Stats("x/y/z.htm"));
    tree.AddListedEntry(zip, Stats("x/w.htm"));
    tree.AddListedEntry(zip, Stats("keep/"));  // a directory entry keeps its folder
    tree.RemoveEntries(zip, {"x/y/z.htm"});
    EXPECT_THAT(rows.log, ElementsAre("-z.htm:0..0", "-y:0..0"));
    tree.RemoveEntries(zip, {"keep/"});
    EXPECT_THAT(Texts(zip), ElementsAre("x"));
    tree.RemoveEntries(zip, {"x/w.htm"});
    EXPECT_THAT(Texts(zip), ::testing::IsEmpty());
    ASSERT_NE(tree.Node(zip), nullptr);
    const TZipObj& obj = *tree.Obj(zip);
    EXPECT_EQ(obj.Folders.size(), 1u);
    EXPECT_TRUE(obj.Entries.empty());
    EXPECT_EQ(obj.SizeSum, 0u);
}

TEST_F(ZipTree, HostileNamesKeepTheirRawNamesAndShowEscaped) {
    for (const auto& [name, content] : testing::HostileEntries())
        tree.AddListedEntry(zip, Stats(name, 10, 5, name == "x   (y).htm" ? "t\xE2\x80\xAE" : ""));
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_THAT(Texts(zip),
                ElementsAre("../e", "a/../../e", "..\\e", "abs", "e", "a", "a", "A.htm", "a.htm", "*", "a?.htm",
                            "x   (y).htm   (t\\u202E)", "lf\\x0Aname", "rtl\\u202Egpj.exe",
                            std::string(200, 'L'), "d", "dup.htm", "dup.htm", "a", "x", "X", "dir",
                            "bad" + fffd + fffd + "name"));
    // Only names that cannot be placed lie flat, and they are marked.
    const auto top = tree.Children(zip);
    for (std::size_t i = 0; i < top.size(); ++i) EXPECT_EQ(tree.Node(top[i])->Unsafe, i < 3) << i;
    EXPECT_EQ(tree.Node(top[11])->RawName, "x   (y).htm");
    EXPECT_THAT(tree.EntryNamesBelow(Folder("a/")), UnorderedElementsAre("a//b", "a\\b", "a/b"));
    EXPECT_THAT(tree.EntryNamesBelow(Folder("x/")), ElementsAre("x/1.htm"));
    EXPECT_THAT(tree.EntryNamesBelow(Folder("dir/")), ElementsAre("dir/"));
    std::string deep;
    for (int i = 0; i < 1000; ++i) deep += "d/";
    EXPECT_EQ(tree.Obj(zip)->Folders.count(deep), 1u);
    const auto names = tree.ExtractableNamesBelow(zip);
    EXPECT_EQ(std::count(names.begin(), names.end(), "../e"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "dup.htm"), 1);

    // A name held twice is removed with all its nodes; an added name that is there makes nothing.
    tree.RemoveEntries(zip, {"dup.htm", "../e"});
    EXPECT_EQ(tree.Obj(zip)->Entries.count("dup.htm"), 0u);
    const std::size_t count = tree.NodeCount();
    EXPECT_EQ(tree.AddEntry(zip, "a/b"), tree.Obj(zip)->Entries.find("a/b")->second);
    EXPECT_EQ(tree.NodeCount(), count);

    // Archives are told apart by their exact names.
    const TZipNodeId upper = tree.AddArchive("/data/SITE.zip");
    EXPECT_EQ(tree.FindArchive("/data/SITE.zip"), upper);
    EXPECT_EQ(tree.FindArchive("/data/site.zip"), zip);
    EXPECT_EQ(tree.FindArchive("/data/Site.zip"), 0u);
    tree.RemoveArchive(zip);
    EXPECT_EQ(tree.Obj(zip), nullptr);
    EXPECT_EQ(tree.Archives(), std::vector<TZipNodeId>{upper});
}

}  // namespace
}  // namespace corvane
