// Entry names that are not UTF-8 added through libzip: the UTF-8 flag only for strictly valid
// names, so that strict readers keep reading the archive.

#include <gtest/gtest.h>
#include <zip.h>

#include "tests/platform/zipdll/zip_driver.h"

namespace corvane::testing {
namespace {

TEST(HostileNamesZip, LibzipAddsFlagUtf8OnlyForStrictlyValidNames) {
    ScratchFolder scratch{"/dev/shm"};
    ZipDriver driver;
    ScratchFolder::Shell("mkdir -p '" + scratch / "src" + "'");
    driver.SetBaseFolder((scratch / "src").c_str());
    // Overlong "/", a surrogate, a valid two-byte name, plain ASCII; with and without a UTF-8 title.
    const std::vector<std::string> names = {"over\xC0\xAF.htm", "sur\xED\xA0\x80.htm", "caf\xC3\xA9.htm", "plain.htm"};
    for (const std::string& name : names) WriteFile(scratch / ("src/" + name), name);
    const std::string archive = scratch / "site.zip";
    const ZipHandler titles = [](int message, void* data) {
        if (message == XCD_MSG_FILE_COMMENT) {
            auto* c = static_cast<XcdFileCommentData*>(data);
            const std::string title = std::string(c->FileName) == "plain.htm" ? "Caf\xC3\xA9" : "";
            std::snprintf(c->Comment, XCD_COMMENT_SIZE, "%s", title.c_str());
            c->Length = static_cast<uint8_t>(title.size());
        }
        return false;
    };
    // The second add rewrites the directory libzip read back from the first.
    ASSERT_EQ(driver.Zip({"", "-6", archive, names[0], names[1]}, titles), 0);
    ASSERT_EQ(driver.Zip({"", "-6", archive, names[2], names[3]}, titles), 0);

    // Python's reader refuses the whole archive when one flagged name is not UTF-8.
    std::string flags;
    const int code = ScratchFolder::Shell(
        "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); z.testzip(); "
        "print(' '.join(i.filename.encode('cp437' if not i.flag_bits & 0x800 else 'utf-8', 'surrogateescape').hex() "
        "+ ':' + str(i.flag_bits >> 11 & 1) for i in z.infolist()))\" '" + archive + "' 2>&1",
        &flags);
    ASSERT_EQ(code, 0) << flags;
    EXPECT_EQ(flags, "6f766572c0af2e68746d:0 737572eda0802e68746d:0 636166c3a92e68746d:1 706c61696e2e68746d:1\n");

    // libzip reads the exact bytes back, and Info-ZIP tests the archive.
    int error = 0;
    zip_t* z = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    ASSERT_NE(z, nullptr) << error;
    ASSERT_EQ(zip_get_num_entries(z, 0), 4);
    for (zip_uint64_t i = 0; i < 4; ++i) EXPECT_EQ(zip_get_name(z, i, ZIP_FL_ENC_RAW), names[i]);
    zip_discard(z);
    std::string test;
    EXPECT_EQ(ScratchFolder::Shell("unzip -tqq '" + archive + "' 2>&1", &test), 0) << test;
}

}  // namespace
}  // namespace corvane::testing
