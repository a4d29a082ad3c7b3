#pragma once
// The prompt of the tests and the measuring programs.
#include "base/UserPrompt.h"

#include <QList>

// Records every box and answers from a script; used by the tests.
class ScriptedPrompt : public UserPrompt {
public:
    struct Shown {
        Icon icon;
        QString title;
        QString text;
        Buttons buttons;
        bool notice = false; // shown by notify(): nothing waited for it
        QString kind;        // the kind a notice was given
    };
    Answer show(Icon icon, const QString& title, const QString& text, Buttons buttons) override;
    // Recorded as shown, without an answer and without calling show().
    void notify(Icon icon, const QString& title, const QString& text, const QString& kind) override;

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
