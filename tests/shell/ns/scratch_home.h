#pragma once
// A fresh home folder (and data home) for one test, with its own mount table.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "shell/ns/volumes.h"
#include "tests/support/scoped_env.h"

namespace corvane::testing {

class ScratchHome : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/shell-ns-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        home_ = root_ + "/home";
        ::mkdir(home_.c_str(), 0700);
        ::setenv("HOME", home_.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
        shell::SetMountInfoOverride(std::string());
    }
    void TearDown() override {
        shell::SetMountInfoOverride(std::nullopt);
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // Makes a file (with parent folders) below the home folder; returns its path.
    std::string MakeFile(const std::string& relative, const std::string& body = "x") {
        const std::string path = home_ + "/" + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << body;
        return path;
    }
    std::string MakeDir(const std::string& relative) {
        const std::string path = home_ + "/" + relative;
        std::filesystem::create_directories(path);
        return path;
    }

    std::string root_;
    std::string home_;

private:
    SavedEnv savedHome_{"HOME"};
    SavedEnv savedDataHome_{"XDG_DATA_HOME"};
};

}  // namespace corvane::testing
