#pragma once
// A shell tree over a scratch home folder, with short pauses, a recording shell list and helpers
// that find nodes by the names along their path.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "shell/ns/data_object.h"
#include "shell/ns/shell_clipboard.h"
#include "shell/ns/shell_locator.h"
#include "shell/ns/shell_utils.h"
#include "shell/ui/shell_tree.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/shell/ns/scratch_home.h"
#include "tests/support/gui_app.h"

namespace corvane::testing {

using namespace std::chrono_literals;

// The shell list the tree talks to, recording what it is told.
class RecordingShellList final : public shell::IShellListLink {
public:
    void SetSelectionLocator(shell::TPTShellLocator* given) override { locator = given; }
    void ShowFolder(shell::PCItemIDList absolute) override { shown.push_back(shell::PidlToPath(absolute)); }
    void FlushPending() override { ++flushes; }
    bool WantsLastNodeExpanded() const override { return wantsLast; }
    void Unlink(shell::TPTCustomShellTree&) override {
        ++unlinks;
        locator = nullptr;
    }

    shell::TPTShellLocator* locator = nullptr;
    std::vector<std::string> shown;
    int flushes = 0;
    int unlinks = 0;
    bool wantsLast = false;
};

// Holds what the verbs put on the clipboard.
class HeldClipboard final : public shell::TShellClipboard {
public:
    HeldClipboard() : previous_(shell::SetShellClipboard(this)) {}
    ~HeldClipboard() override { shell::SetShellClipboard(previous_); }
    void SetFormats(const Formats& formats) override { held = formats; }
    std::string Format(const std::string& mime) const override {
        for (const auto& [type, bytes] : held)
            if (type == mime) return bytes;
        return {};
    }
    void Clear() override { held.clear(); }
    Formats held;

private:
    shell::TShellClipboard* previous_;
};

// A data object of files in one folder, as a drag from elsewhere brings them.
inline shell::ComPtr<shell::IDataObject> FilesData(const std::string& folder, const std::vector<std::string>& names) {
    shell::PItemIDList parent = nullptr;
    EXPECT_TRUE(shell::Succeeded(shell::PathToPidl(folder, &parent)));
    shell::UniquePidl parentList(parent);
    std::vector<shell::UniquePidl> items;
    std::vector<shell::PCItemIDList> raw;
    for (const std::string& name : names) {
        items.emplace_back(shell::MakeItem(shell::ItemTag::Other, name));
        raw.push_back(items.back().get());
    }
    shell::ComPtr<shell::IDataObject> data;
    EXPECT_TRUE(shell::Succeeded(shell::NewItemsDataObject(parentList.get(), static_cast<std::uint32_t>(raw.size()),
                                                           raw.data(), data.ReleaseAndGetVoidAddress(),
                                                           shell::Iid::DataObject)));
    return data;
}

class ShellTreeFixture : public ScratchHome {
protected:
    void SetUp() override {
        ScratchHome::SetUp();
        GuiApp();
    }
    void TearDown() override {
        tree_.reset();
        ScratchHome::TearDown();
    }

    static shell::ShellTiming ShortTiming() {
        shell::ShellTiming timing;
        timing.RefreshDelayFocused = 30ms;
        timing.RefreshDelayUnfocused = 30ms;
        timing.SelectionSyncDelay = 30ms;
        timing.OwnChangeWindow = 300ms;
        return timing;
    }

    // A tree over `base` (the desktop when empty) with the options; filled unless told not to.
    template <class Tree = shell::TPTShellTree>
    Tree& MakeTree(const std::string& base, shell::TPTShellTreeOptions options, bool fill = true) {
        auto tree = std::make_unique<Tree>(nullptr, timing_);
        tree->resize(320, 400);
        tree->SetOptions(options & ~shell::ptstoAutoFill);
        if (!base.empty()) {
            shell::TPTShellLocator locator;
            locator.SetPath(base);
            tree->SetBaseFolder(&locator);
        }
        tree->SetOptions(options);
        if (fill) tree->Reload();
        Tree& result = *tree;
        tree_ = std::move(tree);
        return result;
    }

    shell::TPTCustomShellTree& Tree() { return *tree_; }

    // The node at names below the top node; null when one is missing (or not filled yet).
    shell::TTreeNode* Node(const std::vector<std::string>& names) {
        shell::TTreeNode* node = tree_->TopCount() > 0 ? tree_->TopItem(0) : nullptr;
        for (const std::string& name : names) {
            shell::TTreeNode* next = nullptr;
            for (int i = 0; node != nullptr && i < node->Count(); ++i)
                if (node->Item(i)->Text() == QString::fromStdString(name)) next = node->Item(i);
            node = next;
        }
        return node;
    }
    static std::vector<std::string> ChildTexts(shell::TTreeNode* node) {
        std::vector<std::string> texts;
        for (int i = 0; node != nullptr && i < node->Count(); ++i) texts.push_back(node->Item(i)->Text().toStdString());
        return texts;
    }
    void Expand(const std::vector<std::string>& names) {
        shell::TTreeNode* node = Node(names);
        ASSERT_NE(node, nullptr);
        node->setExpanded(true);
    }

    shell::ShellTiming timing_ = ShortTiming();
    // Types the text into a label editor and ends the edit with the key.
    static void Commit(QLineEdit* editor, const QString& text, Qt::Key key = Qt::Key_Return) {
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        if (!text.isEmpty()) QTest::keyClicks(editor, text);
        QTest::keyClick(editor, key);
        QCoreApplication::processEvents();  // the editor commits through a queued call
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    RecordingShellUi ui_;
    std::unique_ptr<shell::TPTCustomShellTree> tree_;
};

}  // namespace corvane::testing
