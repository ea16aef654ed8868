#include "app/widgets/imagebutton.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(ImageButton, sinksWhilePressedAndActsOnReleaseWhereverThePointerIs) {
    QWidget parent;
    parent.resize(300, 300);
    app::ImageButton b(&parent);
    b.setGeometry(100, 100, 50, 40);
    parent.show();
    QSignalSpy pressed(&b, &app::ImageButton::pressed);
    QSignalSpy released(&b, &app::ImageButton::released);

    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(b.pos(), QPoint(102, 102));
    EXPECT_EQ(released.count(), 0);
    // Released far outside the picture: still its release.
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_EQ(b.pos(), QPoint(100, 100));
    EXPECT_EQ(pressed.count(), 1);
    EXPECT_EQ(released.count(), 1);

    // The right button works like the left.
    QTest::mouseClick(&b, Qt::RightButton);
    EXPECT_EQ(released.count(), 2);
    EXPECT_EQ(b.pos(), QPoint(100, 100));
}
