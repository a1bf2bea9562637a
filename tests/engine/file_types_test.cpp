#include "engine/parse/file_types.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/registry/current_user.h"
#include "platform/registry/registry_store.h"

namespace corvane {
namespace {

class FileTypes : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = std::make_shared<RegistryStore>();
        previous_ = SetCurrentUserRegistry(store_);
    }
    void TearDown() override { SetCurrentUserRegistry(previous_); }
    void Group(const std::string& name, const std::string& list) { store_->SetString(kFileTypesKey, name, list); }

    std::shared_ptr<RegistryStore> store_;
    std::shared_ptr<RegistryStore> previous_;
};

TEST_F(FileTypes, WholeItemsMatchInTheKeysOrder) {
    Group("Server pages", ".shtm;.asp;");
    Group("HTML", ".htm;.html;.asp;");
    Group("Images", ".gif;.JPG; .png ;");
    EXPECT_EQ(GetFileType("http://h/a.htm"), "HTML");         // not inside ".shtm;"
    EXPECT_EQ(GetFileType("http://h/a.shtm"), "Server pages");
    EXPECT_EQ(GetFileType("http://h/a.ASP"), "Server pages"); // first group wins
    EXPECT_EQ(GetFileType("http://h/a.jpg"), "Images");
    EXPECT_EQ(GetFileType("http://h/a.png"), "Images");
    EXPECT_EQ(GetFileType("http://h/a.tm"), "Unknown");
    EXPECT_EQ(GetFileType("http://h/dir/"), "HTML");          // no extension counts as a page
    EXPECT_EQ(GetFileTypeByName("/cap/h/x.GIF"), "Images");
    EXPECT_EQ(GetFileTypeByName("/cap/h/x.zip"), "");
    EXPECT_EQ(GetFileTypeByName("/cap/h/noext"), "");
}

TEST_F(FileTypes, QueriesAreJudgedByTheirText) {
    Group("HTML", ".htm;.html;");
    Group("Images", ".gif;.jpg;");
    EXPECT_EQ(GetFileType("http://h/img.cgi?f=a.gif"), "Images");
    EXPECT_EQ(GetFileType("http://h/img.cgi?type=jpg"), "Images");
    EXPECT_EQ(GetFileType("http://h/a.gif?v=2"), "Images");
    EXPECT_EQ(GetFileType("http://h/page.png?v=2"), "HTML");
    EXPECT_EQ(GetFileType("http://h/?JPG"), "HTML");  // the text test counts case
}

TEST_F(FileTypes, ShippedGroupsClassifyCommonUrls) {
    ASSERT_TRUE(store_->ImportFile(std::string(CORVANE_SOURCE_RESOURCES) + "/FTypes.reg").Ok);
    EXPECT_EQ(GetFileType("http://h/"), "HTML");
    EXPECT_EQ(GetFileType("http://h/index.PHP"), "HTML");
    EXPECT_EQ(GetFileType("http://h/search?q=x"), "HTML");
    EXPECT_EQ(GetFileType("http://h/logo.png"), "Images");
    EXPECT_EQ(GetFileType("http://h/site.css"), "Styles");
    EXPECT_EQ(GetFileType("http://h/data.bin"), "Unknown");
}

TEST_F(FileTypes, MissingKeyMakesEverythingUnknown) {
    EXPECT_EQ(GetFileType("http://h/a.htm"), "Unknown");
    EXPECT_EQ(GetFileTypeByName("a.htm"), "");
    store_->SetDWord(kFileTypesKey, "Broken", 7);  // a value of the wrong type lists nothing
    Group("HTML", ".htm;");
    EXPECT_EQ(GetFileType("http://h/a.htm"), "HTML");
    EXPECT_FALSE(FileTypeListHas(".htm", ".htm"));  // every item ends in ";"
    EXPECT_FALSE(FileTypeListHas(";;", ""));
}

}  // namespace
}  // namespace corvane
