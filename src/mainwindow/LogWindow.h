#pragma once
// frmLog: the serial log as it stood when the window was opened, newest
// lines in view. It does not follow later traffic.
#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class LogWindow : public QDialog {
    Q_OBJECT
public:
    explicit LogWindow(const QString& logText, QWidget* parent = nullptr);

    QPlainTextEdit* responseText() const { return txtResponse_; }
    QPushButton* exitButton() const { return cmdExit_; }

    // Where the two controls go in a window of the given outer size (pixels).
    struct Layout {
        QRect response;
        QPoint exitTopLeft;
    };
    static Layout layoutFor(const QSize& outer);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPlainTextEdit* txtResponse_;
    QPushButton* cmdExit_;
};

// The System menu's log entry: a fresh copy of frmLog over main.
LogWindow* openLogWindow(QWidget* main, const QString& logText);
