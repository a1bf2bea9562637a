#pragma once
// Checks shared by the in-place add tests: what libzip reads of an archive, a shell command's
// output, a file's inode (a rewrite renames a new file over the archive), a comment handler, and a
// child killed at a random moment of a loop of adds.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/zipdll/zip_driver.h"

namespace corvane::testing {

inline ino_t Inode(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_ino;
}

inline std::string Sh(const std::string& command, int* code = nullptr) {
    std::string out;
    const int rc = ScratchFolder::Shell(command + " 2>&1", &out);
    if (code != nullptr) *code = rc;
    return out;
}

// What libzip reads: name -> content and comment, in archive order.
struct LibzipEntry {
    std::string name, content, comment;
};
inline std::vector<LibzipEntry> ReadWithLibzip(const std::string& archive, bool contents = true) {
    std::vector<LibzipEntry> out;
    int error = 0;
    zip_t* z = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (z == nullptr) {
        ADD_FAILURE() << "libzip refuses " << archive << ": " << error;
        return out;
    }
    const zip_int64_t count = zip_get_num_entries(z, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        LibzipEntry e;
        e.name = zip_get_name(z, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        zip_uint32_t length = 0;
        const char* comment = zip_file_get_comment(z, static_cast<zip_uint64_t>(i), &length, ZIP_FL_ENC_RAW);
        if (comment != nullptr) e.comment.assign(comment, length);
        if (contents) {
            zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
            char buffer[65536];
            zip_int64_t n = 0;
            while (f != nullptr && (n = zip_fread(f, buffer, sizeof buffer)) > 0) e.content.append(buffer, static_cast<std::size_t>(n));
            if (f == nullptr || n < 0) ADD_FAILURE() << "libzip cannot read " << e.name;
            if (f != nullptr) zip_fclose(f);
        }
        out.push_back(std::move(e));
    }
    zip_discard(z);
    return out;
}

// A comment handler answering "Title of " + the entry name.
inline ZipHandler Titles() {
    return [](int message, void* data) {
        if (message == XCD_MSG_FILE_COMMENT) {
            auto* c = static_cast<XcdFileCommentData*>(data);
            const std::string text = std::string("Title of ") + c->FileName;
            std::snprintf(c->Comment, XCD_COMMENT_SIZE, "%s", text.c_str());
            c->Length = static_cast<uint8_t>(std::min<std::size_t>(text.size(), 255));
        }
        return false;
    };
}

// The steps a killed child began and finished, as it reported them (first - 1 for none).
struct KilledRun {
    int last_started = 0;
    int last_done = 0;
    bool killed = false;
};

// Forks a child that runs step(first), step(first + 1), ... until it is killed, up to max_wait_us
// (30 ms unless said) after its first step began: a slow fork (sanitizers, a loaded machine) would
// otherwise spend the whole wait before any step. A step that answers false ends the child.
inline KilledRun RunAndKill(int first, const std::function<bool(int)>& step, std::mt19937& random,
                            int max_wait_us = 30000) {
    KilledRun run{first - 1, first - 1, false};
    int report[2];
    if (pipe(report) != 0) return run;
    const pid_t pid = fork();
    if (pid == 0) {
        close(report[0]);
        for (int i = first;; ++i) {
            const std::string started = "S" + std::to_string(i) + "\n", done = "D" + std::to_string(i) + "\n";
            if (write(report[1], started.data(), started.size()) < 0 || !step(i) ||
                write(report[1], done.data(), done.size()) < 0)
                _exit(2);
        }
    }
    close(report[1]);
    std::string log;
    for (char c = 0; c != '\n' && read(report[0], &c, 1) == 1;) log += c;
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, max_wait_us)(random)));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    run.killed = WIFSIGNALED(status);
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(report[0], buffer, sizeof buffer)) > 0) log.append(buffer, static_cast<std::size_t>(n));
    close(report[0]);
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        (line[0] == 'D' ? run.last_done : run.last_started) = std::stoi(line.substr(1));
    return run;
}

// Adds to an archive in a scratch folder from its src/ folder, as the capture sends them.
class AppendingArchive : public ::testing::Test {
protected:
    ScratchFolder scratch{"/dev/shm"};
    ZipDriver driver;
    std::string archive = scratch / "site.zip";

    void SetUp() override {
        ScratchFolder::Shell("mkdir -p '" + scratch / "src" + "'");
        driver.SetBaseFolder((scratch / "src").c_str());
    }
    void Put(const std::string& name, const std::string& content) { WriteFile(scratch / ("src/" + name), content); }
    // One "-g" add.
    int Add(const std::string& name, ZipHandler handler = Titles(), const std::string& zip = "") {
        return driver.Zip({"", "-6", "-g", "-n", ".ZIP;.GIF", zip.empty() ? archive : zip, "-W", name}, std::move(handler));
    }
};

}  // namespace corvane::testing
