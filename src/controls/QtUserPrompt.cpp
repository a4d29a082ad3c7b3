#include "controls/QtUserPrompt.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(UserPrompt::Icon icon)
{
    switch (icon) {
    case UserPrompt::Icon::None: return QMessageBox::NoIcon;
    case UserPrompt::Icon::Information: return QMessageBox::Information;
    case UserPrompt::Icon::Warning: return QMessageBox::Warning;
    case UserPrompt::Icon::Critical: return QMessageBox::Critical;
    case UserPrompt::Icon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

void setUp(QMessageBox& box, UserPrompt::Icon icon, const QString& title, const QString& text)
{
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(boxIcon(icon));
}

} // namespace

QWidget* QtUserPrompt::parentWindow() const
{
    QWidget* parent = parent_.data();
    if (!parent) {
        // Over the main window once it exists, else over whatever is active.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmMain"))
                parent = w;
        if (!parent)
            parent = QApplication::activeWindow();
    }
    return parent;
}

QWidget* QtUserPrompt::ownerWindow() const
{
    // The window the person is in: a box over the main window while a modal
    // dialog is open would hand the activation back to the blocked main
    // window when it closes.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    for (const Notice& n : notices_)
        if (owner && owner == n.box.data())
            owner = nullptr;
    return owner ? owner : parentWindow();
}

UserPrompt::Answer QtUserPrompt::show(Icon icon, const QString& title, const QString& text,
                                      Buttons buttons)
{
    const QPointer<QWidget> owner = ownerWindow();
    const QPointer<QWidget> focus = owner ? owner->focusWidget() : nullptr;
    // On the heap: the owner may go while the box is open and take it along.
    const QPointer<QMessageBox> held = new QMessageBox(owner);
    QMessageBox& box = *held;
    setUp(box, icon, title, text);
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case Buttons::YesNoCancelDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::No);
        break;
    }
    const int clicked = box.exec();
    delete held.data();
    // Back to the window the box came from, on the field that had the focus;
    // the caller may move it on to the field the box named.
    if (owner && owner->isVisible()) {
        owner->activateWindow();
        if (focus && focus->window() == owner)
            focus->setFocus(Qt::OtherFocusReason);
    }
    switch (clicked) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default:
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo ? Answer::No : Answer::Ok;
    }
}

void QtUserPrompt::notify(Icon icon, const QString& title, const QString& text, const QString& kind)
{
    notices_.removeIf([](const Notice& n) { return n.box.isNull() || !n.box->isVisible(); });
    const QStringList lines = text.split(QLatin1Char('\n'));
    // A warning of a kind already open (a pass that keeps failing for hours,
    // thousands of rows handed in that cannot be sent) joins that box: its
    // first text stays, the lines not shown yet are added under it, and
    // past kNoticeLines they are only counted.
    for (Notice& n : notices_) {
        if (n.kind != kind)
            continue;
        for (const QString& line : lines) {
            if (n.lines.contains(line))
                continue;
            if (n.lines.size() < kNoticeLines) {
                n.lines.insert(line);
                n.text += QLatin1Char('\n') + line;
            } else {
                ++n.more;
            }
        }
        n.box->setText(n.more ? n.text + QStringLiteral("\nand %1 more").arg(n.more) : n.text);
        n.box->raise();
        return;
    }
    auto* box = new QMessageBox(parentWindow());
    setUp(*box, icon, title, text);
    box->setStandardButtons(QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    notices_.append({box, kind, text, QSet<QString>(lines.begin(), lines.end())});
    box->show();
}

QList<QMessageBox*> QtUserPrompt::openNotices() const
{
    QList<QMessageBox*> out;
    for (const Notice& n : notices_)
        if (n.box && n.box->isVisible())
            out.append(n.box.data());
    return out;
}
