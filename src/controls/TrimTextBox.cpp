#include "controls/TrimTextBox.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <algorithm>

#include "base/TextUtil.h"

TrimTextBox::TrimTextBox(QObject* parent) : QObject(parent) {}

bool TrimTextBox::setTextBox(QWidget* box)
{
    if (box_)
        box_->removeEventFilter(this);
    box_ = nullptr;
    if (!qobject_cast<QLineEdit*>(box) && !qobject_cast<QPlainTextEdit*>(box))
        return false;
    box_ = box;
    box_->installEventFilter(this);
    return true;
}

bool TrimTextBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != box_ || (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut))
        return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return false;

    if (event->type() == QEvent::FocusOut) {
        // Before the box's own handling, so that editingFinished() and the
        // like see the trimmed text.
        trimText();
        return false;
    }
    // A line edit taking the focus by Tab selects all of its text unless
    // some is selected already, so selecting first keeps the limit.
    selectText();
    return false;
}

void TrimTextBox::selectText()
{
    if (auto* line = qobject_cast<QLineEdit*>(box_)) {
        line->setSelection(0, std::min<qsizetype>(line->text().size(), kSelectLength));
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box_)) {
        QTextCursor c(plain->document());
        const int last = plain->document()->characterCount() - 1;
        c.setPosition(0);
        c.setPosition(std::min(last, kSelectLength), QTextCursor::KeepAnchor);
        plain->setTextCursor(c);
    }
}

void TrimTextBox::trimText()
{
    if (auto* line = qobject_cast<QLineEdit*>(box_)) {
        const QString trimmed = trimBlanks(line->text());
        if (trimmed != line->text())
            line->setText(trimmed);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box_)) {
        const QString text = plain->toPlainText();
        const QString trimmed = trimBlanks(text);
        if (trimmed != text) {
            // One edit, so that it can be undone.
            QTextCursor c(plain->document());
            c.select(QTextCursor::Document);
            c.insertText(trimmed);
        }
    }
}

// The meta-object code is built with this file, on its own.
