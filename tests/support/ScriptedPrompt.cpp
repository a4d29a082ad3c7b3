#include "support/ScriptedPrompt.h"

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

void ScriptedPrompt::notify(Icon icon, const QString& title, const QString& text, const QString& kind)
{
    shown_.append({icon, title, text, Buttons::Ok, true, kind});
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
