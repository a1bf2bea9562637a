#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QGridLayout>
#include <QLabel>

#include "engine/model/settings.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "widgets/hyper_label.h"
#include "widgets/track_bar95.h"
#include "widgets/transparent_button.h"

namespace corvane {
namespace {

void MakeHot(QWidget& widget) {
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&widget, &event);
}

// One picture of every look, for the eye: frame styles by state, the nine caption places, track bars
// and hyper labels.
TEST(TransparentButtonGallery, ComponentGallery) {
    testing::GuiApp();
    CreateApp();
    QWidget gallery;
    gallery.setObjectName("ComponentGallery");
    gallery.setAutoFillBackground(true);
    auto* grid = new QGridLayout(&gallery);

    const char* const states[] = {"normal", "hot", "pressed", "disabled"};
    for (int column = 0; column < 4; ++column)
        grid->addWidget(new QLabel(states[column]), 0, column + 1);
    const std::pair<TFrameStyle, const char*> styles[] = {
        {TFrameStyle::fsRegular, "fsRegular"}, {TFrameStyle::fsIndent, "fsIndent"},
        {TFrameStyle::fsExplorer, "fsExplorer"}, {TFrameStyle::fsNone, "fsNone"},
        {TFrameStyle::fsLight, "fsLight"},       {TFrameStyle::fsDark, "fsDark"},
        {TFrameStyle::fsMono, "fsMono"}};
    int row = 1;
    for (const auto& [style, name] : styles) {
        grid->addWidget(new QLabel(name), row, 0);
        for (int column = 0; column < 4; ++column) {
            auto* button = new TTransparentButton;
            button->setFixedSize(40, 40);
            button->SetFrameStyle(style);
            button->SetTransparent(false);
            button->SetColor(QColor(0xE8, 0xE8, 0xE8));
            button->SetHiliteColor(QColor(0xC8, 0xD8, 0xF0));
            LoadSkinGlyph(*button, "run.bmp");
            grid->addWidget(button, row, column + 1);
            if (column == 1)
                MakeHot(*button);
            if (column == 2)
                button->SetDown(true);
            if (column == 3)
                button->setEnabled(false);
        }
        ++row;
    }

    // The nine caption places around the glyph.
    const std::pair<TTextAlign, const char*> places[] = {
        {TTextAlign::ttaTopLeft, "TL"},       {TTextAlign::ttaTop, "T"},       {TTextAlign::ttaTopRight, "TR"},
        {TTextAlign::ttaLeft, "L"},           {TTextAlign::ttaCenter, "C"},    {TTextAlign::ttaRight, "R"},
        {TTextAlign::ttaBottomLeft, "BL"},    {TTextAlign::ttaBottom, "B"},    {TTextAlign::ttaBottomRight, "BR"}};
    auto* captions = new QWidget;
    auto* caption_grid = new QGridLayout(captions);
    for (int i = 0; i < 9; ++i) {
        auto* button = new TTransparentButton;
        button->setFixedSize(64, 64);
        button->SetFrameStyle(TFrameStyle::fsRegular);
        button->SetTransparent(false);
        button->SetColor(Qt::white);
        LoadSkinGlyph(*button, "new.bmp");
        button->SetCaption(QString("&") + places[i].second);
        button->SetTextAlign(places[i].first);
        caption_grid->addWidget(button, i / 3, i % 3);
    }
    grid->addWidget(captions, 1, 5, 7, 1);

    auto* bars = new QWidget;
    auto* bar_grid = new QGridLayout(bars);
    auto* connections = new TTrackBar95;
    connections->setRange(1, 16);
    connections->setValue(4);
    connections->SetThumbSize(12);
    auto* priority = new TTrackBar95;
    priority->setRange(0, 4);
    priority->setValue(2);
    priority->SetFixedLength(true);
    priority->SetThumbSize(20);
    auto* no_thumb = new TTrackBar95;
    no_thumb->setValue(60);
    no_thumb->SetThumb(false);
    bar_grid->addWidget(new QLabel("track bar"), 0, 0);
    bar_grid->addWidget(connections, 0, 1);
    bar_grid->addWidget(new QLabel("fixed 20"), 1, 0);
    bar_grid->addWidget(priority, 1, 1);
    bar_grid->addWidget(new QLabel("no thumb"), 2, 0);
    bar_grid->addWidget(no_thumb, 2, 1);
    auto* leave = new THyperLabel("Connections");
    auto* enter = new THyperLabel("Scheduler (mouse over)");
    MakeHot(*enter);
    bar_grid->addWidget(leave, 0, 2);
    bar_grid->addWidget(enter, 1, 2);
    grid->addWidget(bars, 8, 0, 1, 6);

    gallery.resize(gallery.sizeHint());
    const std::string path = testing::SaveScreenshot(gallery);
    EXPECT_NE(path.find("ComponentGallery.png"), std::string::npos);
    ReleaseApp();
}

}  // namespace
}  // namespace corvane
