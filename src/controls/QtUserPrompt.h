#pragma once
// The program's prompt: real QMessageBox dialogs over the main window.
#include <QList>
#include <QPointer>
#include <QWidget>

#include "base/UserPrompt.h"

class QMessageBox;

class QtUserPrompt : public UserPrompt {
public:
    Answer show(Icon icon, const QString& title, const QString& text, Buttons buttons) override;
    // A box that is not modal and goes when closed; while one with the same
    // icon, title and text is still open, that one is raised instead.
    void notify(Icon icon, const QString& title, const QString& text) override;
    // The window the boxes stand over; the main window, or the active
    // window, when unset.
    void setParentWindow(QWidget* parent) { parent_ = parent; }
    // The notices still open, oldest first.
    QList<QMessageBox*> openNotices() const;

private:
    QWidget* parentWindow() const;

    QPointer<QWidget> parent_;
    QList<QPointer<QMessageBox>> notices_;
};
