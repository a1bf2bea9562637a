#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "widgets/hyper_label.h"

namespace corvane {
namespace {

TEST(HyperLabel, ColoursFollowTheMouseAndClicksAreSignalled) {
    testing::GuiApp();
    THyperLabel label("Connections");
    label.setObjectName("lblConnections");
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    label.SetColorEnter(Qt::blue);
    label.SetColorLeave(Qt::darkGreen);
    EXPECT_EQ(label.TextColor(), QColor(Qt::darkGreen)) << "ColorLeave applies at once";

    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(&label, &enter);
    EXPECT_EQ(label.TextColor(), QColor(Qt::blue));
    testing::SaveScreenshot(label, "_hot");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&label, &leave);
    EXPECT_EQ(label.TextColor(), QColor(Qt::darkGreen));

    QSignalSpy clicks(&label, &THyperLabel::clicked);
    label.resize(label.sizeHint());
    QTest::mouseClick(&label, Qt::LeftButton);
    QTest::mouseClick(&label, Qt::RightButton);
    // Pressed on the label, released outside: no click.
    QTest::mousePress(&label, Qt::LeftButton);
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(label.width() + 20, 2));
    EXPECT_EQ(clicks.count(), 1);
    testing::SaveScreenshot(label);
}

}  // namespace
}  // namespace corvane
