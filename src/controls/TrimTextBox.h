#pragma once
// TrimTextBox serves one text box (a QLineEdit or a QPlainTextEdit): when the
// box takes the focus its text is selected (the first 1000 characters of a
// longer one), and when the box loses the focus the blanks before and after
// the text are removed (spaces only; tabs and line breaks stay).
//
// Focus that merely follows the window being activated or deactivated, or a
// pop-up menu opening and closing over the box, is not a focus change of the
// form and is passed by.
//
//     auto* trim = new TrimTextBox(this);   // owned by the form
//     trim->setTextBox(txtName);
#include <QObject>
#include <QPointer>
#include <QWidget>

class TrimTextBox : public QObject {
    Q_OBJECT
public:
    explicit TrimTextBox(QObject* parent = nullptr);

    // Serves `box` from now on, and no longer the one served before. Returns
    // false (and serves none) for a widget that is not a QLineEdit or a
    // QPlainTextEdit.
    bool setTextBox(QWidget* box);
    QWidget* textBox() const { return box_; }

    // How much of the text taking the focus is selected.
    static constexpr int kSelectLength = 1000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void selectText();
    void trimText();

    QPointer<QWidget> box_;
};
