#include "media/ui/PlayerWiring.h"

#include "base/UserPrompt.h"
#include "compose/ui/ComposeWiring.h"
#include "folders/MessageFolders.h"
#include "mainwindow/AppCommands.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"
#include "media/ui/RingtonePlayer.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>

bool shownRingtoneContent(MainWindow& window, AppCommands& app, QString* content)
{
    if (!window.hasView())
        return false;
    MessageFolder folder;
    switch (window.currentView()) {
    case ViewKind::Inbox: folder = MessageFolder::Inbox; break;
    case ViewKind::Outbox: folder = MessageFolder::Outbox; break;
    case ViewKind::SentItems: folder = MessageFolder::SentItems; break;
    default: return false;
    }
    const QModelIndex current = window.messageList()->currentIndex();
    if (!current.isValid() || current.row() >= window.messageModel()->rowCount())
        return false;
    MessageDetail m;
    QString error;
    if (!readMessageDetail(app.db(), folder, window.messageModel()->rowAt(current.row()).code, &m, &error)) {
        if (!error.isEmpty())
            app.prompt().error(error);
        return false;
    }
    if (m.type != 2)
        return false;
    *content = m.content;
    return true;
}

void installRingtonePlayer(MainWindow& window, AppCommands& app)
{
    AppCommands* a = &app;
    if (SendFormOpener* opener = SendFormOpener::of(window))
        opener->hooks.playRingtone = [a](QWidget* parent, const QString& content) {
            openPlayer(content, parent, a->prompt());
        };
    // The message window's Play button.
    window.playRingtoneHook = [a](const QString& content, QWidget* parent) { openPlayer(content, parent, a->prompt()); };

    // The pane's own Play button, next to the message header.
    QWidget* pane = window.messageText()->parentWidget();
    auto* play = pane ? pane->findChild<QPushButton*>(QStringLiteral("cmdPlay")) : nullptr;
    if (!play)
        return;
    QObject::connect(play, &QPushButton::clicked, &window, [&window, &app] {
        QString content;
        if (shownRingtoneContent(window, app, &content))
            openPlayer(content, &window, app.prompt());
    });
}
