#pragma once
// Every message box and question of the program goes through UserPrompt, so
// that tests answer them from a script and never block on a dialog.
#include <QList>
#include <QString>

class QWidget;

class UserPrompt {
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~UserPrompt() = default;
    virtual Answer show(Icon icon, const QString& title, const QString& text, Buttons buttons) = 0;

    // The prompt in use; a QMessageBox-based one unless one was installed.
    static UserPrompt& instance();
    static void setInstance(UserPrompt* prompt);
    // Parent window for the boxes of the Qt implementation.
    static void setParentWindow(QWidget* parent);

    // Short forms used throughout the program.
    static void warning(const QString& text, const QString& title = QStringLiteral("Warning"));
    static void error(const QString& text, const QString& title = QStringLiteral("Error"));
    static void note(const QString& text, const QString& title = QStringLiteral("Note"));
    static void databaseError(const QString& text, const QString& title = QStringLiteral("Database Error"));
    static bool confirm(const QString& text, const QString& title = QStringLiteral("Confirm"));
};

// Shows real QMessageBox dialogs.
class QtUserPrompt : public UserPrompt {
public:
    Answer show(Icon icon, const QString& title, const QString& text, Buttons buttons) override;
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
