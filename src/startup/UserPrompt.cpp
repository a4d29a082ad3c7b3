#include "startup/UserPrompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace {
UserPrompt* g_prompt = nullptr;
QPointer<QWidget> g_parent;

QtUserPrompt& qtPrompt()
{
    static QtUserPrompt p;
    return p;
}
} // namespace

UserPrompt& UserPrompt::instance()
{
    return g_prompt ? *g_prompt : qtPrompt();
}

void UserPrompt::setInstance(UserPrompt* prompt) { g_prompt = prompt; }
void UserPrompt::setParentWindow(QWidget* parent) { g_parent = parent; }

void UserPrompt::warning(const QString& text, const QString& title)
{
    instance().show(Icon::Warning, title, text, Buttons::Ok);
}

void UserPrompt::error(const QString& text, const QString& title)
{
    instance().show(Icon::Critical, title, text, Buttons::Ok);
}

void UserPrompt::note(const QString& text, const QString& title)
{
    instance().show(Icon::Information, title, text, Buttons::Ok);
}

void UserPrompt::databaseError(const QString& text, const QString& title)
{
    instance().show(Icon::Critical, title, text, Buttons::Ok);
}

bool UserPrompt::confirm(const QString& text, const QString& title)
{
    return instance().show(Icon::Question, title, text, Buttons::YesNo) == Answer::Yes;
}

UserPrompt::Answer QtUserPrompt::show(Icon icon, const QString& title, const QString& text,
                                      Buttons buttons)
{
    QMessageBox box(g_parent ? g_parent.data() : QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

UserPrompt::Answer ScriptedPrompt::show(Icon icon, const QString& title, const QString& text,
                                        Buttons buttons)
{
    shown_.append({icon, title, text, buttons});
    if (!script_.isEmpty())
        return script_.takeFirst();
    if (hasDefault_)
        return default_;
    return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
}

void ScriptedPrompt::reset()
{
    shown_.clear();
    script_.clear();
    hasDefault_ = false;
}

bool ScriptedPrompt::sawText(const QString& text) const
{
    for (const auto& s : shown_)
        if (s.text == text)
            return true;
    return false;
}
