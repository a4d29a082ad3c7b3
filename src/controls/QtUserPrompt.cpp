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

UserPrompt::Answer QtUserPrompt::show(Icon icon, const QString& title, const QString& text,
                                      Buttons buttons)
{
    QMessageBox box(parentWindow());
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
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default:
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo ? Answer::No : Answer::Ok;
    }
}

void QtUserPrompt::notify(Icon icon, const QString& title, const QString& text)
{
    notices_.removeIf([](const QPointer<QMessageBox>& box) { return box.isNull(); });
    // The same report again while nobody has read the first (a pass that
    // keeps failing for hours) does not pile up boxes.
    for (QMessageBox* open : openNotices()) {
        if (open->icon() == boxIcon(icon) && open->windowTitle() == title && open->text() == text) {
            open->raise();
            return;
        }
    }
    auto* box = new QMessageBox(parentWindow());
    setUp(*box, icon, title, text);
    box->setStandardButtons(QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    notices_.append(box);
    box->show();
}

QList<QMessageBox*> QtUserPrompt::openNotices() const
{
    QList<QMessageBox*> out;
    for (const QPointer<QMessageBox>& box : notices_)
        if (box && box->isVisible())
            out.append(box.data());
    return out;
}
