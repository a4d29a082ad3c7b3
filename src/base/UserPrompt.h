#pragma once
// Every message box and question of the program goes through a UserPrompt
// handed to the part that asks, so that tests answer them from a script and
// never block on a dialog. The windows install the Qt implementation.
#include <QString>

class UserPrompt {
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    // YesNoDefaultNo and YesNoCancelDefaultNo: No is the default button, for
    // a question whose Yes destroys data.
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesNoCancelDefaultNo, YesNoDefaultNo };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~UserPrompt() = default;
    // A box with its buttons; returns once it is answered.
    virtual Answer show(Icon icon, const QString& title, const QString& text, Buttons buttons) = 0;
    // A box with only OK that returns at once and stays until closed: for
    // what unattended work (the activity cycle, other programs' hand-in and
    // requests) has to tell, so that no box holds that work while nobody
    // answers it. The caller names the kind of the warning: while a box of
    // that kind is open, a later one joins it instead of opening another,
    // so that work that fails again and again never piles up boxes. The
    // default shows it through show(); a prompt whose show() waits for a
    // person overrides it.
    virtual void notify(Icon icon, const QString& title, const QString& text, const QString& kind);

    // Short forms used throughout the program.
    void warning(const QString& text, const QString& title = QStringLiteral("Warning"));
    void error(const QString& text, const QString& title = QStringLiteral("Error"));
    void note(const QString& text, const QString& title = QStringLiteral("Note"));
    void databaseError(const QString& text, const QString& title = QStringLiteral("Database Error"));
    bool confirm(const QString& text, const QString& title = QStringLiteral("Confirm"));
    // A question whose Yes destroys data: Enter answers No.
    bool confirmDestructive(const QString& text, const QString& title);
};
