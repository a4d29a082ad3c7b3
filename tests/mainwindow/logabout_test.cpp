// The modem log window and the About box.
#include <gtest/gtest.h>

#include "controls/Twips.h"
#include "mainwindow/AboutBox.h"
#include "mainwindow/LogWindow.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

template <class T>
bool gone(const QPointer<T>& w)
{
    return testenv::waitUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return w.isNull();
    });
}

} // namespace

TEST(LogWindow, ShowsTheCopyWithTheNewestLinesInViewAndClosesOnEscapeOrExit)
{
    QWidget main;
    main.resize(800, 600);
    main.show();
    QString log;
    for (int i = 0; i < 400; ++i)
        log += QStringLiteral("AT+CSQ\r\n+CSQ: %1,99\r\nOK\r\n").arg(i % 32);
    QPointer<LogWindow> w = openLogWindow(&main, log);
    ASSERT_TRUE(w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    EXPECT_EQ(w->responseText()->toPlainText(), QString(log).replace("\r\n", "\n"));
    EXPECT_TRUE(w->responseText()->isReadOnly());
    EXPECT_EQ(w->responseText()->textCursor().position(), w->responseText()->document()->characterCount() - 1);
    QScrollBar* bar = w->responseText()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum()) << "the newest lines are in view";

    // A second open replaces the first copy.
    QPointer<LogWindow> again = openLogWindow(&main, QString());
    EXPECT_TRUE(gone(w));
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->responseText()->toPlainText().isEmpty()) << "an empty log opens an empty box";

    QTest::keyClick(again, Qt::Key_Escape);
    EXPECT_TRUE(gone(again));

    QPointer<LogWindow> third = openLogWindow(&main, QStringLiteral("OK"));
    third->exitButton()->click();
    EXPECT_TRUE(gone(third));
}

TEST(LogWindow, LayoutFollowsTheOuterSize)
{
    // 9000 x 6000 twips: the text is 8900 x 5025 twips, Exit at (3830, 5130).
    const auto l = LogWindow::layoutFor(QSize(600, 400));
    EXPECT_EQ(l.response.size(), QSize(twips::toPx(8900), twips::toPx(5025)));
    EXPECT_EQ(l.exitTopLeft, QPoint(twips::toPx(3830), twips::toPx(5130)));
    // A window smaller than the margins gives empty controls, never negative.
    const auto tiny = LogWindow::layoutFor(QSize(5, 5));
    EXPECT_EQ(tiny.response.size(), QSize(0, 0));
    EXPECT_GE(tiny.exitTopLeft.x(), 0);
    EXPECT_GE(tiny.exitTopLeft.y(), 0);
}

TEST(AboutBox, ShowsNameAndVersionAndOnlyEscapeClosesIt)
{
    QWidget main;
    main.show();
    QPointer<AboutBox> box = openAboutBox(&main);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
    EXPECT_EQ(box->programName()->text(), "Velquarin 1.2");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_A, Qt::Key_F4}) {
        QTest::keyClick(box, key);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(box && box->isVisible()) << "key " << key << " closed the box";
    }
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_TRUE(gone(box));
}
