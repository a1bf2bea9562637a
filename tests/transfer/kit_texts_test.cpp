#include "transfer/kit_texts.h"
#include "transfer/tick_core.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace corvane {
namespace {

TEST(TickCoreErrorText, FramesTableTextsByTheirLow16Bits) {
    EXPECT_EQ(TickCore::ErrorText(0), "Ok");
    EXPECT_EQ(TickCore::ErrorText(12002), "[12002] Internet Timeout..");
    EXPECT_EQ(TickCore::ErrorText(65536 + 12002), TickCore::ErrorText(12002));
    EXPECT_EQ(TickCore::ErrorText(99), "[99] (no description available).");
    EXPECT_EQ(TickCore::ErrorText(12034), "[12034] Internet Need Ui..");
    EXPECT_EQ(TickCore::ErrorText(12150), "[12150] Http Header Not Found..");
    EXPECT_EQ(TickCore::ErrorText(12052), "[12052] Internet Https Http Submit Redir..");
    EXPECT_EQ(TickCore::ErrorText(12045), "[12045] Invalid Certification Authority..");
    EXPECT_EQ(TickCore::ErrorText(12171), "[12171] Failed due to security check..");
    EXPECT_EQ(TickCore::ErrorText(12035), "[12035] (no description available).");  // a gap in the table
    EXPECT_EQ(TickCore::ErrorText(12172), "[12172] (no description available).");
}

TEST(TickCoreErrorText, EveryTableCodeHasItsOwnText) {
    const std::pair<int, int> ranges[] = {{12001, 12034}, {12036, 12050}, {12052, 12053}, {12110, 12112}, {12150, 12171}};
    int rows = 0;
    for (const auto& [first, last] : ranges) {
        for (int code = first; code <= last; ++code, ++rows) {
            const std::string text = TickCore::ErrorText(code);
            EXPECT_EQ(text.find("no description"), std::string::npos) << code;
            EXPECT_EQ(text.substr(text.size() - 2), "..") << code;
        }
    }
    EXPECT_EQ(rows, 76);
}

TEST(TickCoreError, RecordsRaisesAndIgnoresZero) {
    TickCore core;
    EXPECT_TRUE(core.Initialized());
    EXPECT_TRUE(core.RaiseExceptions());
    EXPECT_NO_THROW(core.Error(0, "anything"));
    EXPECT_EQ(core.LastError(), 0);
    try {
        core.Error(151, "");
        FAIL() << "no exception";
    } catch (const EInetKitError& e) {
        EXPECT_EQ(e.Code(), 151);
        EXPECT_STREQ(e.what(), "[151] (no description available).: 151");
    }
    EXPECT_EQ(core.LastError(), 151);
    EXPECT_EQ(core.LastErrorText(), "[151] (no description available).");
    try {
        core.Error(153, "Specified URLScheme is invalid.");
    } catch (const EInetKitError& e) {
        EXPECT_STREQ(e.what(), "Specified URLScheme is invalid.: 153");
    }
}

TEST(TickWinInetStatusText, FollowsTheNotificationTable) {
    std::string text;
    EXPECT_FALSE(KitStatusText(60, nullptr, 0, text));
    EXPECT_FALSE(KitStatusText(70, nullptr, 0, text));
    text = "x";
    EXPECT_TRUE(KitStatusText(43, nullptr, 0, text));
    EXPECT_EQ(text, "");
    const char ip[] = "127.0.0.1";
    ASSERT_TRUE(KitStatusText(11, ip, sizeof ip, text));
    EXPECT_EQ(text, "Successfully found the IP address 127.0.0.1");
    const char empty[] = "";
    ASSERT_TRUE(KitStatusText(21, empty, sizeof empty, text));
    EXPECT_EQ(text, "Successfully connected to");
    ASSERT_TRUE(KitStatusText(31, nullptr, 0, text));
    EXPECT_EQ(text, "Successfully sent the information request to the server.");
    std::uint32_t state = 16;
    ASSERT_TRUE(KitStatusText(200, &state, sizeof state, text));
    EXPECT_EQ(text, "Offline by user request.");
    state = 7;
    ASSERT_TRUE(KitStatusText(200, &state, sizeof state, text));
    EXPECT_EQ(text, "Moved between a secure (HTTPS) and a nonsecure (HTTP) site.");
    ASSERT_TRUE(KitStatusText(999, nullptr, 0, text));
    EXPECT_EQ(text, "Unknown state ?!");
}

}  // namespace
}  // namespace corvane
