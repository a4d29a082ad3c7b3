#pragma once
// The program's prompt: real QMessageBox dialogs over the main window.
#include <QPointer>
#include <QWidget>

#include "base/UserPrompt.h"

class QtUserPrompt : public UserPrompt {
public:
    Answer show(Icon icon, const QString& title, const QString& text, Buttons buttons) override;
    // The window the boxes stand over; the main window, or the active
    // window, when unset.
    void setParentWindow(QWidget* parent) { parent_ = parent; }

private:
    QPointer<QWidget> parent_;
};
