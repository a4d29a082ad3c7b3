#include "base/UserPrompt.h"


void UserPrompt::notify(Icon icon, const QString& title, const QString& text, const QString& /*kind*/)
{
    show(icon, title, text, Buttons::Ok);
}

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
