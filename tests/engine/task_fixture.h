#pragma once
// A fresh data root and registry hive for each test, with App made on it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/model/settings.h"
#include "platform/registry/current_user.h"
#include "platform/registry/registry_store.h"

namespace corvane::testing {

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

class FreshHome : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-tasks-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        home_ = std::string(pattern) + "/";
        if (const char* old = std::getenv("CORVANE_HOME")) old_home_ = old;
        ::setenv("CORVANE_HOME", home_.c_str(), 1);
        store_ = std::make_shared<RegistryStore>();
        previous_store_ = SetCurrentUserRegistry(store_);
        CreateApp();
    }
    void TearDown() override {
        ReleaseApp();
        SetCurrentUserRegistry(previous_store_);
        if (old_home_.empty())
            ::unsetenv("CORVANE_HOME");
        else
            ::setenv("CORVANE_HOME", old_home_.c_str(), 1);
        std::filesystem::remove_all(home_);
    }
    // Makes App again, as a new start of the program would.
    void RestartApp() {
        ReleaseApp();
        CreateApp();
    }

    std::string home_;
    std::string old_home_;
    std::shared_ptr<RegistryStore> store_;
    std::shared_ptr<RegistryStore> previous_store_;
};

}  // namespace corvane::testing
