#include "controls/PopButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

int index(PopButton::Face f) { return static_cast<int>(f); }

// What a screen reader sees: a button that can be pressed, not a plain
// area of the window.
class PopButtonAccessible : public QAccessibleWidget {
public:
    explicit PopButtonAccessible(PopButton* button) : QAccessibleWidget(button, QAccessible::Button) {}
    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled())
            names.prepend(pressAction());
        return names;
    }
    void doAction(const QString& action) override
    {
        if (action == pressAction() && widget()->isEnabled())
            emit static_cast<PopButton*>(widget())->clicked();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* popButtonAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("PopButton") && object && object->isWidgetType())
        return new PopButtonAccessible(static_cast<PopButton*>(object));
    return nullptr;
}

} // namespace

PopButton::PopButton(QWidget* parent)
    : QWidget(parent), cursorPos_([] { return QCursor::pos(); })
{
    static const bool installed = [] {
        QAccessible::installFactory(popButtonAccessible);
        return true;
    }();
    Q_UNUSED(installed);
    setMouseTracking(true);
    poll_.setInterval(50);
    connect(&poll_, &QTimer::timeout, this, &PopButton::pollPointer);
}

void PopButton::setInactivePicture(const QPixmap& p)
{
    pictures_[index(Face::Inactive)] = p;
    updateGeometry();
    // Shown at once, whatever was shown before.
    shown_ = Face::Inactive;
    update();
}

void PopButton::setUpPicture(const QPixmap& p)
{
    pictures_[index(Face::Up)] = p;
    if (shown_ == Face::Up)
        update();
}

void PopButton::setDownPicture(const QPixmap& p)
{
    pictures_[index(Face::Down)] = p;
    if (shown_ == Face::Down)
        update();
}

void PopButton::setDisabledPicture(const QPixmap& p)
{
    pictures_[index(Face::Disabled)] = p;
    if (shown_ == Face::Disabled)
        update();
}

QPixmap PopButton::shownPicture() const { return pictures_[index(shown_)]; }

void PopButton::setCursorPosition(CursorPosition source)
{
    cursorPos_ = source ? std::move(source) : CursorPosition([] { return QCursor::pos(); });
}

bool PopButton::pointerInside() const
{
    const QPoint p = mapFromGlobal(cursorPos_());
    return p.x() >= 0 && p.y() >= 0 && p.x() <= width() && p.y() <= height();
}

QSize PopButton::sizeHint() const
{
    const QPixmap& p = pictures_[index(Face::Inactive)];
    return p.isNull() ? QSize(32, 32) : p.deviceIndependentSize().toSize();
}

void PopButton::showFace(Face face)
{
    if (shown_ == face)
        return;
    shown_ = face;
    update();
}

void PopButton::paintEvent(QPaintEvent*)
{
    const QPixmap& p = pictures_[index(shown_)];
    if (p.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, p);
    if (hasFocus()) {
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
    }
}

void PopButton::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Space && e->modifiers() == Qt::NoModifier) {
        e->accept();
        if (!e->isAutoRepeat() && isEnabled())
            emit clicked();
        return;
    }
    QWidget::keyPressEvent(e);
}

void PopButton::mouseMoveEvent(QMouseEvent* e)
{
    if (e->buttons() == Qt::NoButton) {
        emit mouseOver();
        showFace(Face::Up);
        if (!poll_.isActive())
            poll_.start();
    } else {
        // Held down: the button looks pressed only while the pointer is on it.
        const QPointF p = e->position();
        const bool outside = p.x() < 0 || p.y() < 0 || p.x() > width() || p.y() > height();
        showFace(outside ? Face::Inactive : Face::Down);
    }
    e->accept();
}

void PopButton::mousePressEvent(QMouseEvent* e)
{
    showFace(Face::Down);
    poll_.stop();
    e->accept();
}

void PopButton::mouseReleaseEvent(QMouseEvent* e)
{
    poll_.stop();
    e->accept();
    if (pointerInside()) {
        showFace(Face::Up);
        emit clicked();
    } else {
        showFace(Face::Inactive);
    }
}

void PopButton::pollPointer()
{
    if (pointerInside())
        return;
    poll_.stop();
    emit mouseOut();
    showFace(Face::Inactive);
}

void PopButton::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    // Enabling leaves a hover or pressed look as it is.
    if (isEnabled()) {
        if (shown_ == Face::Disabled)
            showFace(Face::Inactive);
    } else if (shown_ != Face::Disabled) {
        showFace(Face::Disabled);
    }
}

// The meta-object code is built with this file, on its own.
