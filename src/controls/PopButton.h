#pragma once
// PopButton: a button drawn entirely from pictures. It shows the inactive
// picture while idle, the up picture while the pointer hovers over it (and
// after a click), the down picture while a mouse button is held on it with
// the pointer inside, and the disabled picture when disabled. It has no
// caption; a caption beside it is a label of the hosting window.
//
// Signals: clicked() when any mouse button pressed on it is released with
// the pointer inside (edges included); mouseOver() on every pointer movement
// over it without a button held; mouseOut() when the pointer is found
// outside after hovering. Departure is found by polling the pointer every
// 50 ms while hovering, so it is reported even when the pointer leaves the
// window or crosses no other widget.
//
// Pictures are drawn at the top left, unscaled; the host sets the size
// (sizeHint() is the inactive picture's size).
//
// It takes no focus unless its host gives it a focus policy; with the
// focus it shows a focus frame and Space clicks it.
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <functional>

class PopButton : public QWidget {
    Q_OBJECT
public:
    enum class Face { Inactive, Up, Down, Disabled };
    // Where the pointer is, in global coordinates.
    using CursorPosition = std::function<QPoint()>;

    explicit PopButton(QWidget* parent = nullptr);

    // The inactive picture is shown at once when set.
    void setInactivePicture(const QPixmap& p);
    void setUpPicture(const QPixmap& p);
    void setDownPicture(const QPixmap& p);
    void setDisabledPicture(const QPixmap& p);
    QPixmap inactivePicture() const { return pictures_[0]; }
    QPixmap upPicture() const { return pictures_[1]; }
    QPixmap downPicture() const { return pictures_[2]; }
    QPixmap disabledPicture() const { return pictures_[3]; }

    // Which picture is shown, and the picture itself.
    Face shownState() const { return shown_; }
    QPixmap shownPicture() const;
    // Whether the hover poll runs.
    bool isPolling() const { return poll_.isActive(); }

    // Replaces the pointer position source (QCursor::pos() by default).
    void setCursorPosition(CursorPosition source);
    // True when the pointer lies within the button, right and bottom edges
    // included.
    bool pointerInside() const;

    QSize sizeHint() const override;

signals:
    void clicked();
    void mouseOver();
    void mouseOut();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showFace(Face face);
    void pollPointer();

    QPixmap pictures_[4];
    Face shown_ = Face::Inactive;
    QTimer poll_;
    CursorPosition cursorPos_;
};
