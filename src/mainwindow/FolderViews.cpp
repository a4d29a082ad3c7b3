#include "mainwindow/FolderViews.h"


ViewLayout viewLayout(ViewKind view)
{
    switch (view) {
    case ViewKind::SimCard: return {ListPage::Sim, ToolbarId::SIM};
    case ViewKind::AddressBook: return {ListPage::Address, ToolbarId::Address};
    case ViewKind::Group: return {ListPage::Address, ToolbarId::Group};
    case ViewKind::Inbox: return {ListPage::Message, ToolbarId::Inbox};
    case ViewKind::Outbox: return {ListPage::Message, ToolbarId::Outbox};
    case ViewKind::SentItems: return {ListPage::Message, ToolbarId::SentItems};
    }
    return {ListPage::Message, ToolbarId::Inbox};
}

bool viewForNode(NodeKind kind, ViewKind* view)
{
    switch (kind) {
    case NodeKind::Root: return false;
    case NodeKind::SimCard: *view = ViewKind::SimCard; return true;
    case NodeKind::AddressBook: *view = ViewKind::AddressBook; return true;
    case NodeKind::Group: *view = ViewKind::Group; return true;
    case NodeKind::Inbox:
    case NodeKind::InboxFolder: *view = ViewKind::Inbox; return true;
    case NodeKind::Outbox: *view = ViewKind::Outbox; return true;
    case NodeKind::SentItems:
    case NodeKind::SentFolder: *view = ViewKind::SentItems; return true;
    }
    return false;
}

ColumnHeadings columnHeadings(ViewKind view)
{
    switch (view) {
    case ViewKind::Outbox: return {QStringLiteral("Schedule"), QStringLiteral("To")};
    case ViewKind::SentItems: return {QStringLiteral("Sent"), QStringLiteral("To")};
    default: return {QStringLiteral("Received"), QStringLiteral("From")};
    }
}

QString headingText(const QString& nodeText, int count)
{
    return QStringLiteral("  ") + nodeText + QStringLiteral(" (") + QString::number(count) + QLatin1Char(')');
}
