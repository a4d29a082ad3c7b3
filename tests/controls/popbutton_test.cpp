// The picture button: its pictures through press, drag, release and hover,
// its signals, the departure poll, and the enabled rule.
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "controls/PopButton.h"
#include "support/TestEnv.h"

using Face = PopButton::Face;

namespace {

QPixmap solid(QColor c)
{
    QPixmap p(32, 32);
    p.fill(c);
    return p;
}

class PopButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(200, 120);
        button = new PopButton(&window);
        button->setUpPicture(solid(Qt::green));
        button->setDownPicture(solid(Qt::blue));
        button->setDisabledPicture(solid(Qt::gray));
        button->setInactivePicture(solid(Qt::red));
        button->setGeometry(QRect(QPoint(20, 30), button->sizeHint()));
        button->setCursorPosition([this] { return cursor; });
        cursor = window.mapToGlobal(QPoint(150, 100));
        window.show();
    }

    // Puts the pointer at a point of the button and sends it the event.
    void send(QEvent::Type type, QPoint local, Qt::MouseButton button_, Qt::MouseButtons held)
    {
        cursor = button->mapToGlobal(local);
        QMouseEvent ev(type, QPointF(local), QPointF(cursor), button_, held, Qt::NoModifier);
        QApplication::sendEvent(button, &ev);
    }
    void hover(QPoint p) { send(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
    void press(QPoint p) { send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
    void dragTo(QPoint p) { send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
    void release(QPoint p) { send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }

    QColor drawn() { return button->grab().toImage().pixelColor(16, 16); }

    QWidget window;
    PopButton* button = nullptr;
    QPoint cursor;
};

} // namespace

TEST_F(PopButtonTest, DrawsThePictureOfEachState)
{
    EXPECT_EQ(button->sizeHint(), QSize(32, 32));
    EXPECT_EQ(button->shownState(), Face::Inactive);
    EXPECT_EQ(drawn(), QColor(Qt::red));
    hover({5, 5});
    EXPECT_EQ(button->shownState(), Face::Up);
    EXPECT_EQ(drawn(), QColor(Qt::green));
    press({5, 5});
    EXPECT_EQ(button->shownState(), Face::Down);
    EXPECT_EQ(drawn(), QColor(Qt::blue));
    button->setEnabled(false);
    EXPECT_EQ(button->shownState(), Face::Disabled);
    EXPECT_EQ(drawn(), QColor(Qt::gray));

    // A picture replaced while shown is drawn at once.
    button->setDisabledPicture(solid(Qt::yellow));
    EXPECT_EQ(drawn(), QColor(Qt::yellow));
}

TEST_F(PopButtonTest, HoverReportsEveryMoveAndTheDepartureSoon)
{
    QSignalSpy over(button, &PopButton::mouseOver);
    QSignalSpy out(button, &PopButton::mouseOut);
    hover({5, 5});
    hover({6, 5});
    EXPECT_EQ(over.count(), 2);
    EXPECT_TRUE(button->isPolling());

    // Resting on the bottom right corner is still inside.
    cursor = button->mapToGlobal(QPoint(32, 32));
    EXPECT_FALSE(testenv::waitUntil([&] { return out.count() > 0; }, 120));
    EXPECT_EQ(button->shownState(), Face::Up);

    // Leaving without any event reaching the button.
    QElapsedTimer t;
    t.start();
    cursor = button->mapToGlobal(QPoint(33, 10));
    ASSERT_TRUE(testenv::waitUntil([&] { return out.count() > 0; }, 1000));
    EXPECT_LT(t.elapsed(), 150);  // polled every 50 ms
    EXPECT_EQ(button->shownState(), Face::Inactive);
    EXPECT_FALSE(button->isPolling());
    EXPECT_EQ(out.count(), 1);
    EXPECT_EQ(over.count(), 2);
}

TEST_F(PopButtonTest, ReleaseOutsideAfterDraggingOffRaisesNoClick)
{
    QSignalSpy clicked(button, &PopButton::clicked);
    QSignalSpy out(button, &PopButton::mouseOut);
    hover({5, 5});
    press({5, 5});
    EXPECT_FALSE(button->isPolling());
    dragTo({-1, 5});
    EXPECT_EQ(button->shownState(), Face::Inactive);
    dragTo({5, 33});
    EXPECT_EQ(button->shownState(), Face::Inactive);
    release({5, 40});
    EXPECT_EQ(button->shownState(), Face::Inactive);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_FALSE(button->isPolling());
    EXPECT_EQ(out.count(), 0);
}

TEST_F(PopButtonTest, DraggingBackOnAndReleasingClicks)
{
    QSignalSpy clicked(button, &PopButton::clicked);
    press({5, 5});
    dragTo({40, 5});
    EXPECT_EQ(button->shownState(), Face::Inactive);
    dragTo({32, 32});  // the edges belong to the button
    EXPECT_EQ(button->shownState(), Face::Down);
    release({10, 10});
    EXPECT_EQ(button->shownState(), Face::Up);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_FALSE(button->isPolling());

    // The next move without a button hovers again and starts the poll.
    hover({10, 11});
    EXPECT_TRUE(button->isPolling());
}

TEST_F(PopButtonTest, ReleaseOnTheRightOrBottomEdgeCountsAsInside)
{
    QSignalSpy clicked(button, &PopButton::clicked);
    press({5, 5});
    release({32, 10});
    EXPECT_EQ(clicked.count(), 1);
    press({5, 5});
    release({10, 32});
    EXPECT_EQ(clicked.count(), 2);
    press({5, 5});
    release({33, 10});
    EXPECT_EQ(clicked.count(), 2);
    press({5, 5});
    release({10, -1});
    EXPECT_EQ(clicked.count(), 2);

    // The test uses where the pointer is, not where the event says it is.
    press({5, 5});
    cursor = button->mapToGlobal(QPoint(50, 50));
    QMouseEvent ev(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(cursor), Qt::LeftButton,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(button, &ev);
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(button->shownState(), Face::Inactive);
}

TEST_F(PopButtonTest, AnyMouseButtonClicks)
{
    QSignalSpy clicked(button, &PopButton::clicked);
    send(QEvent::MouseButtonPress, {5, 5}, Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(button->shownState(), Face::Down);
    send(QEvent::MouseButtonRelease, {5, 5}, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(PopButtonTest, EnabledRule)
{
    hover({5, 5});
    button->setEnabled(false);
    EXPECT_EQ(button->shownState(), Face::Disabled);
    button->setEnabled(true);
    EXPECT_EQ(button->shownState(), Face::Inactive);
    EXPECT_EQ(drawn(), QColor(Qt::red));

    // Disabling the window disables the button's look too.
    window.setEnabled(false);
    EXPECT_EQ(button->shownState(), Face::Disabled);
    window.setEnabled(true);
    EXPECT_EQ(button->shownState(), Face::Inactive);

    // An inactive picture given while disabled is shown as given, and
    // enabling then leaves it.
    button->setEnabled(false);
    button->setInactivePicture(solid(Qt::cyan));
    EXPECT_EQ(button->shownState(), Face::Inactive);
    button->setEnabled(true);
    EXPECT_EQ(button->shownState(), Face::Inactive);
    EXPECT_EQ(drawn(), QColor(Qt::cyan));
}

TEST_F(PopButtonTest, AScreenReaderSeesAButtonItCanPress)
{
    QSignalSpy clicked(button, &PopButton::clicked);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Button);
    QAccessibleActionInterface* actions = a->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicked.count(), 1);
    button->setEnabled(false);
    EXPECT_FALSE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicked.count(), 1);
}
