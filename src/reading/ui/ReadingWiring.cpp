#include "reading/ui/ReadingWiring.h"

#include "addressbook/ui/AddressBookWiring.h"
#include "controls/FormHelpers.h"
#include "mainwindow/AppCommands.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"

#include <QTreeView>

std::optional<MessageWindowData> currentMessageData(const MainWindow& main)
{
    if (!main.hasView())
        return std::nullopt;
    const ViewKind view = main.currentView();
    if (view != ViewKind::Inbox && view != ViewKind::Outbox && view != ViewKind::SentItems)
        return std::nullopt;
    const QModelIndex current = main.messageList()->currentIndex();
    const MessageListModel* model = main.messageModel();
    if (!current.isValid() || current.row() >= model->rowCount())
        return std::nullopt;
    const PaneContent& pane = main.shownPane();
    const qint64 code = model->rowAt(current.row()).code;
    if (!pane.found || pane.code != code)
        return std::nullopt;
    MessageWindowData d;
    d.view = view;
    d.date = model->index(current.row(), MessageListModel::DateColumn).data().toString();
    d.name = model->index(current.row(), MessageListModel::NameColumn).data().toString();
    d.number = model->index(current.row(), MessageListModel::NumberColumn).data().toString();
    d.pane = pane;
    return d;
}

ReadingUi::ReadingUi(MainWindow& main, AppCommands& app) : QObject(&main), main_(main), app_(app)
{
    setObjectName(QStringLiteral("readingUi"));
    connect(&main_, &MainWindow::openMessageRequested, this, [this] { openMessage(); });
    if (AddressBookUi* book = addressBookOf(main_))
        connect(book, &AddressBookUi::addressSaved, this, &ReadingUi::addressSaved);
}

MessageWindow* ReadingUi::openMessage()
{
    const std::optional<MessageWindowData> data = currentMessageData(main_);
    if (!data)
        return nullptr;
    if (window_)
        window_->close();
    auto* w = openSingleDialog<MessageWindow>(&main_, *data);
    w->openAddress = [this](const QString& number) { openAddressFor(number); };
    w->playRingtone = [this](const QString& content) {
        if (main_.playRingtoneHook)
            main_.playRingtoneHook(content, &main_);
    };
    window_ = w;
    return w;
}

void ReadingUi::openAddressFor(const QString& number)
{
    AddressBookUi* book = addressBookOf(main_);
    if (!book)
        return;
    QPointer<MessageWindow> from = window_;
    if (AddressDialog* form = book->openFormForNumber(number)) {
        // What this form saves is the person the window shows.
        connect(form, &AddressDialog::saved, this, [from](const SavedAddress& s) {
            if (from)
                from->setNameAndNumber(s.name, s.number);
        });
    }
}

void ReadingUi::addressSaved(const SavedAddress& s)
{
    // An entry of the number shown, saved from any form, renames it.
    if (!window_)
        return;
    const QString shown = window_->number();
    if (shown == s.number || (!s.added && shown == s.oldNumber))
        window_->setNameAndNumber(s.name, s.number);
}

ReadingUi* installReading(MainWindow& main, AppCommands& app)
{
    if (ReadingUi* existing = readingOf(main))
        return existing;
    return new ReadingUi(main, app);
}

ReadingUi* readingOf(MainWindow& main) { return main.findChild<ReadingUi*>(QStringLiteral("readingUi"), Qt::FindDirectChildrenOnly); }
