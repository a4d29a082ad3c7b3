#pragma once
// For the tests that run the program's real message boxes (QtUserPrompt):
// answers every modal box as a person would, once it is the active window,
// with its default button (or OK), and notes the window each box stood
// over.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class BoxAnswerer {
public:
    BoxAnswerer()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            // Read first: a person answers the box they are in.
            if (!box || !box->isVisible() || answered_ == box || QApplication::activeWindow() != box)
                return;
            answered_ = box;
            texts << box->text();
            owners << box->parentWidget();
            QAbstractButton* b = box->defaultButton();
            if (!b)
                b = box->button(QMessageBox::Ok);
            if (!b)
                b = box->buttons().value(0);
            if (b)
                b->click();
        });
        timer_.start();
    }

    QStringList texts;                 // of the boxes answered, in order
    QList<QPointer<QWidget>> owners;   // the parent of each

private:
    QTimer timer_;
    QPointer<QMessageBox> answered_;
};
