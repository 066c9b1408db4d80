#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>

#include "ui/HyperlinkLabel.h"

using ui::HyperlinkLabel;

namespace {

void enter(HyperlinkLabel& label) {
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&label, &event);
}

void leave(HyperlinkLabel& label) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&label, &event);
}

void press(HyperlinkLabel& label, Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(&label, &event);
}

}  // namespace

TEST(HyperlinkLabel, StartsAsABlueBoldUnderlinedLinkWithAHand) {
    QWidget window;
    HyperlinkLabel& label = *new HyperlinkLabel(&window);
    EXPECT_EQ(label.caption(), HyperlinkLabel::kDefaultLink);
    EXPECT_EQ(label.url(), HyperlinkLabel::kDefaultLink);
    EXPECT_EQ(label.captionColour(), QColor(0, 0, 255));
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(label.property("Visible").toBool());
    EXPECT_FALSE(label.property("ShowHint").toBool());
    label.setProperty("Visible", false);
    EXPECT_TRUE(label.isHidden());
}

TEST(HyperlinkLabel, SizesItselfToItsCaption) {
    HyperlinkLabel label;
    label.setCaption(QStringLiteral("主页"));
    const QSize small = label.size();
    label.setCaption(QStringLiteral("Tavelo软件主页与下载"));
    EXPECT_GT(label.width(), small.width());
    EXPECT_EQ(label.size(), label.sizeHint());
    // a layout's wish does not change it
    label.resize(400, 60);
    EXPECT_EQ(label.size(), label.sizeHint());
}

TEST(HyperlinkLabel, RedUnderTheMouseBlueAfterMagentaOnceVisited) {
    QStringList opened;
    HyperlinkLabel label;
    label.setUrl(QStringLiteral("mailto:service@tavelo.example.com"));
    label.setOpener([&](const QString& url) { opened << url; });

    enter(label);
    EXPECT_EQ(label.captionColour(), QColor(255, 0, 0));
    leave(label);
    EXPECT_EQ(label.captionColour(), QColor(0, 0, 255));

    press(label, Qt::RightButton);
    EXPECT_TRUE(opened.isEmpty());

    enter(label);
    press(label);
    EXPECT_EQ(opened, QStringList({"mailto:service@tavelo.example.com"}));
    EXPECT_EQ(label.captionColour(), QColor(255, 0, 0));  // still under the mouse
    leave(label);
    EXPECT_EQ(label.captionColour(), QColor(255, 0, 255));
}

TEST(HyperlinkLabel, AnEmptyLinkIsHandedOnAsItIs) {
    QStringList opened;
    HyperlinkLabel label;
    label.setUrl(QString());
    label.setOpener([&](const QString& url) { opened << url; });
    press(label);
    EXPECT_EQ(opened, QStringList({QString()}));
}
