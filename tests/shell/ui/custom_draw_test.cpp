// The custom-draw protocol of the tree and list bases: the result word the draw objects give, which
// stages reach the handlers, and what their choices do to the pixels.

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <vector>

#include "shell/ui/custom_tree_list.h"
#include "tests/support/gui_app.h"

namespace corvane::testing {
namespace {

using namespace shell;

enum class Change { None, Skip, Font, SameFont, Brush };

struct ApplyCase {
    bool list;
    std::uint32_t stage;
    bool keep;
    Change change;
    std::uint32_t before;
    std::uint32_t expected;
};

TEST(CustomDraw, ResultWordPerStage) {
    const ApplyCase cases[] = {
        {false, CDDS_PREPAINT, false, Change::None, 0xFF, CDRF_NOTIFYITEMDRAW},
        {false, CDDS_PREPAINT, true, Change::None, 0x11, 0x11},
        {false, CDDS_POSTPAINT, false, Change::None, 0xFF, 0},
        {false, CDDS_ITEMPREPAINT, false, Change::None, 0xFF, 0},
        {false, CDDS_ITEMPREPAINT, false, Change::Skip, 0xFF, CDRF_SKIPDEFAULT},
        {false, CDDS_ITEMPREPAINT, true, Change::Skip, 0x10, 0x10},
        {false, CDDS_ITEMPREPAINT, false, Change::Font, 0, CDRF_NEWFONT},
        {false, CDDS_ITEMPREPAINT, true, Change::Font, 0x10, 0x10},
        {false, CDDS_ITEMPREPAINT, false, Change::SameFont, 0, 0},
        {false, CDDS_ITEMPREPAINT, false, Change::Brush, 0, 0},
        {false, CDDS_ITEMPOSTPAINT, false, Change::Skip, 0xFF, 0},
        {true, CDDS_PREPAINT, true, Change::None, 0x11, CDRF_NOTIFYITEMDRAW},
        {true, CDDS_ITEMPREPAINT, true, Change::Skip, 0x10, CDRF_SKIPDEFAULT},
        {true, CDDS_ITEMPREPAINT, true, Change::Font, 0x10, CDRF_NEWFONT},
        {true, CDDS_ITEMPOSTPAINT, false, Change::None, 0xFF, 0},
    };
    QFont control("Sans", 9);
    for (const ApplyCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << (c.list ? "list" : "tree") << " stage " << c.stage << " keep "
                                        << c.keep << " change " << static_cast<int>(c.change));
        TNMCustomDraw nm;
        nm.dwDrawStage = c.stage;
        nm.font = control;
        nm.clrText = Qt::black;
        nm.clrTextBk = Qt::white;
        std::uint32_t result = c.before;
        std::unique_ptr<TPTCustomDraw> draw;
        if (c.list) draw = std::make_unique<TPTLvCustomDraw>(control);
        else draw = std::make_unique<TPTTvCustomDraw>(control);
        draw->Init(&nm, &result);
        draw->KeepResult = c.keep;
        QFont bold = control;
        bold.setBold(true);
        switch (c.change) {
            case Change::Skip: draw->SkipDefault = true; break;
            case Change::Font: draw->SetFont(bold); break;
            case Change::SameFont: draw->SetFont(control); break;
            case Change::Brush: draw->SetBrushColor(Qt::yellow); break;
            case Change::None: break;
        }
        draw->Apply();
        EXPECT_EQ(result, c.expected);
        if (c.stage == CDDS_ITEMPREPAINT) {
            EXPECT_EQ(nm.font.bold(), c.change == Change::Font);
            EXPECT_EQ(nm.clrTextBk, c.change == Change::Brush ? QColor(Qt::yellow) : QColor(Qt::white));
        }
    }
    // Without item notifications the pre-paint asks for nothing.
    TNMCustomDraw nm;
    std::uint32_t result = 0xFF;
    TPTTvCustomDraw quiet(control, 0);
    quiet.Init(&nm, &result);
    quiet.Apply();
    EXPECT_EQ(result, 0u);
}

// Counts the stages the dispatch sees.
template <class Base>
class StageRecorder : public Base {
public:
    std::vector<std::uint32_t> stages;
    std::uint32_t prepaintResult = 0;

protected:
    std::unique_ptr<TPTCustomDraw> DoCustomDraw(TNMCustomDraw& nm, std::uint32_t& result) override {
        stages.push_back(nm.dwDrawStage);
        auto draw = Base::DoCustomDraw(nm, result);
        if (nm.dwDrawStage == CDDS_PREPAINT) prepaintResult = result;
        return draw;
    }
};

int Count(const std::vector<std::uint32_t>& stages, std::uint32_t stage) {
    return static_cast<int>(std::count(stages.begin(), stages.end(), stage));
}

TEST(CustomDraw, WithoutEventsTheTreeSkipsItemsTheListAsks) {
    GuiApp();
    StageRecorder<TPTCustomTreeView> tree;
    tree.resize(200, 120);
    tree.AddChild(nullptr, "one");
    tree.AddChild(nullptr, "two");
    tree.grab();
    EXPECT_EQ(Count(tree.stages, CDDS_PREPAINT), 1);
    EXPECT_EQ(Count(tree.stages, CDDS_ITEMPREPAINT), 0);
    EXPECT_EQ(tree.prepaintResult, 0u);
    EXPECT_EQ(tree.CustomDraw(), nullptr);

    StageRecorder<TPTCustomListView> list;
    list.resize(200, 120);
    list.Items().AddColumn("Name");
    list.Items().AddRow({"a"});
    list.Items().AddRow({"b"});
    list.grab();
    EXPECT_EQ(list.prepaintResult, CDRF_NOTIFYITEMDRAW);
    EXPECT_EQ(Count(list.stages, CDDS_ITEMPREPAINT), 2);

    // An event turns the tree's items on; item post-paint only when asked for.
    std::vector<TTreeNode*> drawn;
    tree.OnTvCustomDraw = [&](TPTCustomTreeView&, TPTCustomDraw& draw, TTreeNode* node) {
        drawn.push_back(node);
        draw.KeepResult = true;
        draw.Result() |= CDRF_NOTIFYPOSTPAINT;
    };
    tree.stages.clear();
    tree.grab();
    EXPECT_EQ(drawn, (std::vector<TTreeNode*>{tree.TopItem(0), tree.TopItem(1)}));
    EXPECT_EQ(Count(tree.stages, CDDS_ITEMPOSTPAINT), 2);
    EXPECT_EQ(Count(tree.stages, CDDS_POSTPAINT), 0);
}

int CountColor(const QImage& image, const QRect& rect, QColor color) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixelColor(x, y) == color) ++count;
    return count;
}

TEST(CustomDraw, HandlersChoicesReachThePixels) {
    GuiApp();
    TPTCustomTreeView tree;
    tree.resize(220, 120);
    tree.SetColor(Qt::white);
    tree.AddChild(nullptr, "plain row");
    tree.AddChild(nullptr, "coloured row");
    tree.AddChild(nullptr, "skipped row");
    tree.OnTvCustomDrawEx = [](TPTCustomTreeView& view, TPTCustomDraw& draw, TTreeNode* node) {
        if (draw.Stage() != TCustomDrawStage::ItemPrePaint) return;
        if (node == view.TopItem(1)) {
            QFont big = draw.Font();
            big.setPointSize(big.pointSize() + 3);
            big.setBold(true);
            draw.SetFont(big);
            draw.SetFontColor(QColor(255, 0, 0));
            draw.SetBrushColor(QColor(255, 255, 0));
        } else if (node == view.TopItem(2)) {
            draw.SkipDefault = true;
        }
    };
    const QImage image = tree.grab().toImage();
    const QPoint offset = tree.viewport()->pos();
    const QRect plain = tree.visualItemRect(tree.TopItem(0)).translated(offset);
    const QRect coloured = tree.visualItemRect(tree.TopItem(1)).translated(offset);
    const QRect skipped = tree.visualItemRect(tree.TopItem(2)).translated(offset);
    EXPECT_EQ(CountColor(image, plain, QColor(255, 255, 0)), 0);
    EXPECT_GT(CountColor(image, coloured, QColor(255, 255, 0)), coloured.width());
    EXPECT_GT(CountColor(image, coloured, QColor(255, 0, 0)), 10);
    EXPECT_EQ(CountColor(image, skipped, QColor(Qt::white)), skipped.width() * skipped.height());
    EXPECT_LT(CountColor(image, plain, QColor(Qt::white)), plain.width() * plain.height());
    ASSERT_NE(tree.CustomDraw(), nullptr);  // kept until the next notification
}

}  // namespace
}  // namespace corvane::testing
