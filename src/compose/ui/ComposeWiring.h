#pragma once
// The send form in the running program: the toolbar keys that open it, and
// the opener that the message list, the detail pane and the message window
// call to start a new message, a reply or a forward.
#include <QObject>
#include <QPointer>
#include <QString>

#include "compose/ui/SendForm.h"

class AppCommands;
class MainWindow;
class OutboxQueue;

class SendFormOpener : public QObject {
    Q_OBJECT
public:
    SendFormOpener(MainWindow& window, AppCommands& app, OutboxQueue& queue);

    // What every send form opened from here is given. Other parts of the
    // program fill these in (pickers, operator list, editor, player,
    // canned texts) before or after the form opens; an open form keeps the
    // hooks it was opened with.
    SendForm::Hooks hooks;

    // NewMessage, NewOutboxMessage, NewSentItemsMessage: a new message.
    SendForm* newMessage();
    // ReplyMessage: a text to the number.
    SendForm* reply(const QString& number);
    // ForwardMessage: the text shown for a message of that MessageType.
    SendForm* forward(const QString& text, int type);
    // The same for the row selected in the main window's message list;
    // nothing (nullptr) when the list is empty.
    SendForm* replyToSelected();
    SendForm* forwardSelected();

    // The send form open now, if any.
    SendForm* currentForm() const { return form_; }

    // The opener installed on a main window.
    static SendFormOpener* of(MainWindow& window);

private:
    SendForm* open(SendForm::Mode mode, const QString& number, const QString& content, int type);
    int selectedRow() const;

    MainWindow& window_;
    AppCommands& app_;
    OutboxQueue& queue_;
    QPointer<SendForm> form_;
};

// Sets the "New", "Reply" and "Forward" keys of the toolbars and returns
// the opener (owned by the window).
SendFormOpener* installCompose(MainWindow& window, AppCommands& app, OutboxQueue& queue);
