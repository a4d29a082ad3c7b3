#pragma once
// The program's prompt: real QMessageBox dialogs.
#include <QList>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include "base/UserPrompt.h"

class QMessageBox;

class QtUserPrompt : public UserPrompt {
public:
    // Lines a joined notice shows at most; the lines past them are counted
    // in its last line ("and N more").
    static constexpr int kNoticeLines = 30;

    // A modal box over the window the person is in (the active modal
    // dialog, else the active window). Once it is answered that window is
    // active again with the focus where it was, so that a caller can put it
    // on the field the box named.
    Answer show(Icon icon, const QString& title, const QString& text, Buttons buttons) override;
    // A box over the main window that is not modal and goes when closed.
    // While one of the same kind is open the new warning joins it: its
    // lines that the box does not show yet are added under the first text.
    void notify(Icon icon, const QString& title, const QString& text, const QString& kind) override;
    // The window the notices stand over, and the boxes when no window is
    // active; the main window, or the active window, when unset.
    void setParentWindow(QWidget* parent) { parent_ = parent; }
    // The notices still open, oldest first.
    QList<QMessageBox*> openNotices() const;

private:
    struct Notice {
        QPointer<QMessageBox> box;
        QString kind;
        QString text;       // what the box shows above the count
        QSet<QString> lines; // the lines of text
        int more = 0;        // lines joined past kNoticeLines
    };
    QWidget* parentWindow() const;
    QWidget* ownerWindow() const;

    QPointer<QWidget> parent_;
    QList<Notice> notices_;
};
