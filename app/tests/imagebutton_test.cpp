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

TEST(ImageButton, aDoubleClickActsTwiceUnlessThePictureTakesItAsOneClick) {
    QWidget parent;
    parent.resize(300, 300);
    app::ImageButton plain(&parent);
    plain.setGeometry(10, 10, 50, 40);
    app::ImageButton once(&parent);
    once.setGeometry(100, 10, 50, 40);
    once.setDoubleClickIsOneClick(true);
    parent.show();
    QSignalSpy plainReleased(&plain, &app::ImageButton::released);
    QSignalSpy onceReleased(&once, &app::ImageButton::released);
    // Press, release, double-click press, release: as the window system sends them.
    for (app::ImageButton* b : {&plain, &once}) {
        QTest::mousePress(b, Qt::LeftButton);
        QTest::mouseRelease(b, Qt::LeftButton);
        QTest::mouseDClick(b, Qt::LeftButton);
        QTest::mouseRelease(b, Qt::LeftButton);
        EXPECT_EQ(b->pos().y(), 10) << "back in place";
    }
    EXPECT_EQ(plainReleased.count(), 2);
    EXPECT_EQ(onceReleased.count(), 1);
    // A later single click acts again.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(&once, Qt::LeftButton);
    EXPECT_EQ(onceReleased.count(), 2);
}

TEST(ImageButton, spaceOrEnterActsOnceOnAFocusablePicture) {
    QWidget parent;
    app::ImageButton b(&parent);
    b.setGeometry(10, 10, 50, 40);
    b.setFocusPolicy(Qt::TabFocus);
    QSignalSpy released(&b, &app::ImageButton::released);
    QTest::keyClick(&b, Qt::Key_Space);
    QTest::keyClick(&b, Qt::Key_Return);
    QTest::keyClick(&b, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(released.count(), 3);
    QTest::keyPress(&b, Qt::Key_Space); // held down: the repeats do nothing
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(&b, &repeat);
    EXPECT_EQ(released.count(), 4);
    QTest::keyClick(&b, Qt::Key_A);
    EXPECT_EQ(released.count(), 4);
    EXPECT_EQ(b.pos(), QPoint(10, 10));
}
