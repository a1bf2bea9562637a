// Shortcut texts and key presses of the shell controls' default keys.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <vector>

#include "shell/ui/shell_keys.h"
#include "tests/support/gui_app.h"

namespace corvane::testing {
namespace {

using namespace shell;

TEST(ShellKeys, TextToShortcutPrefixesAndNames) {
    EXPECT_EQ(TextToShortcut("^A"), TextToShortcut("Ctrl+A"));
    EXPECT_EQ(TextToShortcut("Ctrl+A"), scCtrl | 'A');
    EXPECT_EQ(TextToShortcut("ctrl+a"), scCtrl | 'A');
    EXPECT_EQ(TextToShortcut("ALT+shift+Del"), scAlt | scShift | 46);
    EXPECT_EQ(TextToShortcut("shift+^pgdn"), scShift | scCtrl | 34);
    EXPECT_EQ(TextToShortcut("F24"), 135);
    EXPECT_EQ(TextToShortcut("f2"), 113);
    // The first code with the name wins: the keypad digits are never reached.
    EXPECT_EQ(TextToShortcut("5"), '5');
    EXPECT_EQ(TextToShortcut("#200"), 200);
    EXPECT_EQ(TextToShortcut("Bogus"), 0);
    EXPECT_EQ(TextToShortcut("Ctrl+"), 0);
    EXPECT_EQ(TextToShortcut(""), 0);
    EXPECT_EQ(TextToShortcut("Ctrl+Ctrl"), 0);
}

TEST(ShellKeys, EveryNamedKeyRoundTrips) {
    EXPECT_EQ(ShortcutToText(46, scShift | scCtrl | scAlt), "Shift+Ctrl+Alt+Del");
    EXPECT_EQ(ShortcutToText(96, 0), "0");
    EXPECT_EQ(ShortcutToText(300, 0), "#300");
    EXPECT_EQ(ShortcutToText(5, 0), "");
    for (unsigned code = 8; code <= 255; ++code) {
        if (code >= 96 && code <= 105) continue;  // keypad digits share the digits' names
        for (TShortCut shift : {TShortCut(0), scShift, scCtrl, TShortCut(scCtrl | scAlt)}) {
            const std::string text = ShortcutToText(code, shift);
            ASSERT_FALSE(text.empty()) << code;
            EXPECT_EQ(TextToShortcut(text), static_cast<TShortCut>(code | shift)) << text;
        }
    }
}

TEST(ShellKeys, DefaultTableFromItsTexts) {
    const auto& keys = DefaultShellKeys();
    const std::vector<std::pair<std::string, TShortCut>> expected = {
        {"Ctrl+A", scCtrl | 'A'}, {"Del", 46},        {"Ctrl+C", scCtrl | 'C'}, {"Ctrl+X", scCtrl | 'X'},
        {"Ctrl+V", scCtrl | 'V'}, {"F5", 116},        {"F2", 113}};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i].Text, expected[i].first);
        EXPECT_EQ(keys[i].ShortCut, expected[i].second) << keys[i].Text;
    }
}

// Records the key presses a widget gets.
class KeyRecorder : public QWidget {
public:
    std::vector<TShortCut> seen;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        // QTest presses the modifier keys themselves first.
        const int key = event->key();
        if (key != Qt::Key_Control && key != Qt::Key_Shift && key != Qt::Key_Alt && key != Qt::Key_Meta)
            seen.push_back(ShortcutFromKeyEvent(*event));
    }
};

TEST(ShellKeys, KeyPressesFindTheirTableEntries) {
    GuiApp();
    KeyRecorder widget;
    QTest::keyClick(&widget, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&widget, Qt::Key_Delete);
    QTest::keyClick(&widget, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&widget, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(&widget, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&widget, Qt::Key_F5);
    QTest::keyClick(&widget, Qt::Key_F2);
    ASSERT_EQ(widget.seen.size(), 7u);
    for (std::size_t i = 0; i < widget.seen.size(); ++i) EXPECT_EQ(FindShellKey(widget.seen[i]), static_cast<int>(i));

    widget.seen.clear();
    QTest::keyClick(&widget, Qt::Key_7, Qt::KeypadModifier);
    QTest::keyClick(&widget, Qt::Key_F10, Qt::ShiftModifier);
    QTest::keyClick(&widget, Qt::Key_F2, Qt::AltModifier);
    QTest::keyClick(&widget, Qt::Key_Launch0);
    ASSERT_EQ(widget.seen.size(), 4u);
    EXPECT_EQ(widget.seen[0], 103);
    EXPECT_EQ(ShortcutToText(widget.seen[1]), "Shift+F10");
    EXPECT_EQ(FindShellKey(widget.seen[2]), -1);  // Alt+F2 is not rename
    EXPECT_EQ(widget.seen[3], 0);
}

}  // namespace
}  // namespace corvane::testing
