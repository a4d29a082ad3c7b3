#include "compose/ui/ComposeWiring.h"

#include <QTreeView>

#include "controls/FormHelpers.h"
#include "mainwindow/AppCommands.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"
#include "engine/OutboxQueue.h"

#include <QPlainTextEdit>

SendFormOpener::SendFormOpener(MainWindow& window, AppCommands& app, OutboxQueue& queue)
    : QObject(&window), window_(window), app_(app), queue_(queue)
{
    setObjectName(QStringLiteral("SendFormOpener"));
}

SendFormOpener* SendFormOpener::of(MainWindow& window)
{
    return window.findChild<SendFormOpener*>(QStringLiteral("SendFormOpener"), Qt::FindDirectChildrenOnly);
}

SendForm* SendFormOpener::open(SendForm::Mode mode, const QString& number, const QString& content, int type)
{
    OutboxQueue* queue = &queue_;
    auto enqueue = [queue](const QString& to, int kind, const QString& body, const QDateTime& when, int priority) {
        return queue->AddToOutbox(to, kind, body, when, priority);
    };
    // One send form at a time: a new opening replaces the one open.
    auto* form = new SendForm(app_.db(), app_.prompt(), app_.windows(), app_.state(), enqueue, hooks, &window_);
    form->load(mode, number, content, type);
    UnloadFormByName(form);
    EmbedForm(&window_, form);
    form_ = form;
    return form;
}

SendForm* SendFormOpener::newMessage() { return open(SendForm::Mode::New, {}, {}, 1); }

SendForm* SendFormOpener::reply(const QString& number) { return open(SendForm::Mode::Reply, number, {}, 1); }

SendForm* SendFormOpener::forward(const QString& text, int type)
{
    return open(SendForm::Mode::Forward, {}, text, type);
}

int SendFormOpener::selectedRow() const
{
    MessageListModel* model = window_.messageModel();
    if (!model || model->rowCount() == 0)
        return -1;
    const QModelIndex current = window_.messageList()->currentIndex();
    return current.isValid() ? current.row() : 0;
}

SendForm* SendFormOpener::replyToSelected()
{
    const int row = selectedRow();
    if (row < 0)
        return nullptr;
    return reply(window_.messageModel()->rowAt(row).number);
}

SendForm* SendFormOpener::forwardSelected()
{
    const int row = selectedRow();
    if (row < 0)
        return nullptr;
    return forward(window_.messageText()->toPlainText(), window_.messageModel()->rowAt(row).type);
}

SendFormOpener* installCompose(MainWindow& window, AppCommands& app, OutboxQueue& queue)
{
    auto* opener = new SendFormOpener(window, app, queue);
    auto newMessage = [opener] { opener->newMessage(); };
    window.setToolbarAction(ToolbarId::Inbox, QStringLiteral("sendsms"), newMessage);
    window.setToolbarAction(ToolbarId::Outbox, QStringLiteral("sendsms"), newMessage);
    window.setToolbarAction(ToolbarId::SentItems, QStringLiteral("sendsms"), newMessage);
    for (const ToolbarId id : {ToolbarId::Address, ToolbarId::Group, ToolbarId::SIM})
        window.setToolbarAction(id, QStringLiteral("NewMessage"), newMessage);
    window.setToolbarAction(ToolbarId::Inbox, QStringLiteral("reply"), [opener] { opener->replyToSelected(); });
    window.setToolbarAction(ToolbarId::Inbox, QStringLiteral("forward"), [opener] { opener->forwardSelected(); });
    return opener;
}
