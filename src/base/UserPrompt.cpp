#include "base/UserPrompt.h"


void UserPrompt::warning(const QString& text, const QString& title)
{
    show(Icon::Warning, title, text, Buttons::Ok);
}

void UserPrompt::error(const QString& text, const QString& title)
{
    show(Icon::Critical, title, text, Buttons::Ok);
}

void UserPrompt::note(const QString& text, const QString& title)
{
    show(Icon::Information, title, text, Buttons::Ok);
}

void UserPrompt::databaseError(const QString& text, const QString& title)
{
    show(Icon::Critical, title, text, Buttons::Ok);
}

bool UserPrompt::confirm(const QString& text, const QString& title)
{
    return show(Icon::Question, title, text, Buttons::YesNo) == Answer::Yes;
}

bool UserPrompt::confirmDestructive(const QString& text, const QString& title)
{
    return show(Icon::Question, title, text, Buttons::YesNoDefaultNo) == Answer::Yes;
}

UserPrompt::Answer ScriptedPrompt::show(Icon icon, const QString& title, const QString& text,
                                        Buttons buttons)
{
    shown_.append({icon, title, text, buttons});
    if (!script_.isEmpty())
        return script_.takeFirst();
    if (hasDefault_)
        return default_;
    return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel || buttons == Buttons::YesNoCancelDefaultNo ||
            buttons == Buttons::YesNoDefaultNo)
               ? Answer::Yes
               : Answer::Ok;
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
