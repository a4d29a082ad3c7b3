#pragma once
// Every message box and question of the program goes through a UserPrompt
// handed to the part that asks, so that tests answer them from a script and
// never block on a dialog. The windows install the Qt implementation.
#include <QList>
#include <QString>

class UserPrompt {
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    // YesNoDefaultNo and YesNoCancelDefaultNo: No is the default button, for
    // a question whose Yes destroys data.
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesNoCancelDefaultNo, YesNoDefaultNo };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~UserPrompt() = default;
    virtual Answer show(Icon icon, const QString& title, const QString& text, Buttons buttons) = 0;

    // Short forms used throughout the program.
    void warning(const QString& text, const QString& title = QStringLiteral("Warning"));
    void error(const QString& text, const QString& title = QStringLiteral("Error"));
    void note(const QString& text, const QString& title = QStringLiteral("Note"));
    void databaseError(const QString& text, const QString& title = QStringLiteral("Database Error"));
    bool confirm(const QString& text, const QString& title = QStringLiteral("Confirm"));
    // A question whose Yes destroys data: Enter answers No.
    bool confirmDestructive(const QString& text, const QString& title);
};

// Records every box and answers from a script; used by the tests.
class ScriptedPrompt : public UserPrompt {
public:
    struct Shown {
        Icon icon;
        QString title;
        QString text;
        Buttons buttons;
    };
    Answer show(Icon icon, const QString& title, const QString& text, Buttons buttons) override;

    void reset();
    // Answers given in order; when the script is empty the default answer is
    // used (Yes for Yes/No boxes, Ok otherwise, unless set).
    void queue(Answer a) { script_.append(a); }
    void setDefault(Answer a) { default_ = a; hasDefault_ = true; }
    const QList<Shown>& shown() const { return shown_; }
    bool sawText(const QString& text) const;
    int count() const { return int(shown_.size()); }

private:
    QList<Shown> shown_;
    QList<Answer> script_;
    Answer default_ = Answer::Ok;
    bool hasDefault_ = false;
};
