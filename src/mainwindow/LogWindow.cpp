#include "mainwindow/LogWindow.h"

#include "controls/FormHelpers.h"
#include "controls/Twips.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QTextCursor>

namespace {
int px(int tw) { return twips::toPx(tw); }
int tw(int pixels) { return twips::fromPx(pixels); }
} // namespace

LogWindow::LogWindow(const QString& logText, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLog"));
    setWindowTitle(QStringLiteral("Modem Log"));
    setAttribute(Qt::WA_DeleteOnClose);

    txtResponse_ = new QPlainTextEdit(this);
    txtResponse_->setObjectName(QStringLiteral("txtResponse"));
    txtResponse_->setAccessibleName(QStringLiteral("Modem log"));
    txtResponse_->setReadOnly(true);
    txtResponse_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtResponse_->setPlainText(logText);
    // The caret at the end keeps the newest lines in view.
    txtResponse_->moveCursor(QTextCursor::End);

    cmdExit_ = new QPushButton(QStringLiteral("E&xit"), this);
    cmdExit_->setObjectName(QStringLiteral("cmdExit"));
    cmdExit_->setDefault(true);
    connect(cmdExit_, &QPushButton::clicked, this, &QDialog::close);

    resize(px(9000), px(6000));
}

LogWindow::Layout LogWindow::layoutFor(const QSize& outer)
{
    const int W = tw(outer.width());
    const int H = tw(outer.height());
    Layout l;
    l.response = QRect(0, 0, qMax(0, px(W - 100)), qMax(0, px(H - 975)));
    l.exitTopLeft = QPoint(qMax(0, px(W / 2 - 670)), qMax(0, px(H - 870)));
    return l;
}

void LogWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const Layout l = layoutFor(frameGeometry().size().expandedTo(event->size()));
    txtResponse_->setGeometry(l.response);
    cmdExit_->move(l.exitTopLeft);
    cmdExit_->resize(px(1300), px(375));
}

LogWindow* openLogWindow(QWidget* main, const QString& logText)
{
    auto* w = openSingleDialog<LogWindow>(main, logText);
    w->show();
    return w;
}
