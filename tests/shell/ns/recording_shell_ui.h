#pragma once
// A shell UI for tests: answers questions from a queue (an unexpected one fails the test and is
// answered Cancel) and records warnings and progress; it can ask to cancel at a given step.

#include <gtest/gtest.h>

#include <cstddef>
#include <deque>
#include <limits>
#include <utility>
#include <string>
#include <vector>

#include "shell/ns/shell_ui.h"

namespace corvane::testing {

class RecordingShellUi : public shell::TShellUi {
public:
    RecordingShellUi() : previous_(shell::SetShellUi(this)) {}
    ~RecordingShellUi() override {
        shell::SetShellUi(previous_);
        EXPECT_TRUE(answers.empty()) << "answers left over";
        EXPECT_TRUE(dropChoices.empty()) << "drop choices left over";
    }
    RecordingShellUi(const RecordingShellUi&) = delete;
    RecordingShellUi& operator=(const RecordingShellUi&) = delete;

    shell::ShellAnswer Confirm(QObject* parent, const std::string& title, const std::string& text,
                               shell::ShellButtons buttons) override {
        questions.push_back(text);
        lastParent = parent;
        lastTitle = title;
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return shell::ShellAnswer::Cancel;
        }
        const shell::ShellAnswer answer = answers.front();
        answers.pop_front();
        EXPECT_NE(buttons & static_cast<unsigned>(answer), 0u) << text;
        return answer;
    }
    void Warn(QObject*, const std::string& text) override { warnings.push_back(text); }
    void ProgressBegin(QObject*, const std::string&, std::size_t count, bool) override { total = count; }
    void ProgressStep(std::size_t done, const std::string&) override { steps = done + 1; }
    bool ProgressCancelled() override { return steps >= cancelAt; }
    void ProgressEnd() override {}
    std::uint32_t ChooseDropEffect(QObject*, int, int, std::uint32_t allowed, std::uint32_t preferred) override {
        dropMenus.push_back({allowed, preferred});
        if (dropChoices.empty()) {
            ADD_FAILURE() << "unexpected drop menu";
            return 0;
        }
        const std::uint32_t choice = dropChoices.front();
        dropChoices.pop_front();
        return choice;
    }

    std::deque<shell::ShellAnswer> answers;
    std::deque<std::uint32_t> dropChoices;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> dropMenus;  // allowed, preferred
    std::vector<std::string> questions;
    std::vector<std::string> warnings;
    QObject* lastParent = nullptr;
    std::string lastTitle;
    std::size_t total = 0;
    std::size_t steps = 0;
    std::size_t cancelAt = std::numeric_limits<std::size_t>::max();

private:
    shell::TShellUi* previous_;
};

}  // namespace corvane::testing
